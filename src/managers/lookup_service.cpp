#include <cstdio>
#include <exception>

#include "foundation/log.h"
#include "foundation/module.h"
#include "managers/definition_file.h"
#include "managers/paths.h"
#include "platform/platform.h"
#include "quor/managers.h"

// A line of ManagerFactoryLookupService::getManagerInstanceImpl: its qualified name, a colon and a
// blank, then `text`, joined at compile time.
#define LOOKUP_LINE(text) L"ManagerFactoryLookupService::getManagerInstanceImpl: " text

namespace Quor {

namespace {

// Closes the definition file on every way out, an exception's included.
class OpenFile {
 public:
  explicit OpenFile(std::FILE* file) : file_(file) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

int itemCount(const Vector<Parameter>* params) {
  return params != nullptr ? static_cast<int>(params->size()) : -1;
}

using detail::log;

// Reads the definition file at `path` into `record`. Returns false when there
// is none there: no file, or one that is not a definition file (logged).
bool readDefinitionAt(const TString& path, detail::ProviderRecord* record) {
  bool special = false;
  OpenFile file(platform::openForReading(path, &special));
  if (file.get() == nullptr) {
    if (special) {
      log(detail::kLogWarning, LOOKUP_LINE(L"'%ws' is not a regular file; ignored"), path.c_str());
    }
    return false;
  }
  // The reader reads in large chunks of its own; a buffer in the stream would
  // only add a copy and, on some systems, a query of the file's block size.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  if (!detail::readDefinitionFile(file.get(), record, nullptr)) {
    log(detail::kLogWarning,
        LOOKUP_LINE(L"'%ws' is larger than %d bytes: not a definition file; ignored"), path.c_str(),
        static_cast<int>(detail::kDefinitionFileLimit));
    return false;
  }
  return true;
}

// Reading: the file as named, then beside this library.
bool readDefinition(const TString& factoryDefinition, detail::ProviderRecord* record) {
  log(detail::kLogDetail, LOOKUP_LINE(L"Loading factory definition file '%ws'"),
      factoryDefinition.c_str());
  if (readDefinitionAt(factoryDefinition, record)) return true;
  const TString fullPath = detail::pathBesideModule(detail::moduleHandle(), factoryDefinition);
  log(detail::kLogDetail, LOOKUP_LINE(L"Attempt to load with full path '%ws'"), fullPath.c_str());
  if (readDefinitionAt(fullPath, record)) return true;
  log(detail::kLogFailure, LOOKUP_LINE(L"No properties files found corresponding to %ws"),
      factoryDefinition.c_str());
  return false;
}

// Whether the record names a provider and its implementation; logs what it
// lacks.
bool isComplete(const detail::ProviderRecord& record, const TString& factoryDefinition) {
  const bool hasName = !record[detail::kProviderName].empty();
  const bool hasImplementation = !record[detail::kProviderImplementation].empty();
  if (hasName && hasImplementation) return true;
  if (hasName) {
    log(detail::kLogWarning,
        LOOKUP_LINE(L"'provider.implementation' key or its value not found in %ws"),
        factoryDefinition.c_str());
  } else if (hasImplementation) {
    log(detail::kLogWarning, LOOKUP_LINE(L"'provider.name' key or its value not found in %ws"),
        factoryDefinition.c_str());
  } else {
    log(detail::kLogWarning,
        LOOKUP_LINE(L"'provider.name' and 'provider.implementation' keys or the values "
                    L"corresponding to these keys, were not found in %ws"),
        factoryDefinition.c_str());
  }
  log(detail::kLogFailure, LOOKUP_LINE(L"No keys where found in any of the properties files"));
  return false;
}

void appendProvider(const detail::ProviderRecord& record, Vector<Parameter>* params) {
  if (params == nullptr) return;
  for (int field = 0; field < detail::kProviderFieldCount; ++field) {
    const detail::ProviderField key = static_cast<detail::ProviderField>(field);
    params->push_back(Parameter(TString(detail::providerKey(key)), record[key]));
  }
}

// One load attempt; a refusal to hand `path` to the loader is logged.
HINSTANCE loadAttempt(const TString& path, bool beside, int* error) {
  HINSTANCE module = beside ? platform::loadModuleBeside(path) : platform::loadModule(path);
  if (module != nullptr) return module;
  *error = platform::lastLoadError();
  if (platform::lastLoadRefused()) {
    log(detail::kLogWarning, LOOKUP_LINE(L"'%ws' is not a regular file; not loaded"), path.c_str());
  }
  return nullptr;
}

// Loading: the path as written, then joined to this library's directory. When
// both fail, the code logged is the second attempt's, unless that one found
// nothing and the first found something it could not load: an absolute path
// joined to the library's directory names nothing, whatever the first found.
HINSTANCE loadImplementation(const TString& implementation) {
  log(detail::kLogDetail, LOOKUP_LINE(L"Loading library '%ws'"), implementation.c_str());
  int firstError = 0;
  HINSTANCE module = loadAttempt(implementation, false, &firstError);
  if (module != nullptr) return module;
  const TString fullPath = detail::pathBesideModule(detail::moduleHandle(), implementation);
  log(detail::kLogDetail, LOOKUP_LINE(L"Attempt to load with full path '%ws'"), fullPath.c_str());
  int error = 0;
  module = loadAttempt(fullPath, true, &error);
  if (module != nullptr) return module;
  if (platform::isNotFoundError(error) && !platform::isNotFoundError(firstError))
    error = firstError;
  log(detail::kLogFailure, LOOKUP_LINE(L"Unable to find or load library! (Error %d)"), error);
  return nullptr;
}

}  // namespace

ManagerFactoryLookupService::ManagerFactoryLookupService() {}

ManagerFactoryLookupService::ManagerFactoryLookupService(const ManagerFactoryLookupService& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other) {}

ManagerFactoryLookupService::ManagerFactoryLookupService(ManagerFactoryLookupService&& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other) {}

ManagerFactoryLookupService::~ManagerFactoryLookupService() {}

ManagerFactoryLookupService& ManagerFactoryLookupService::operator=(
    const ManagerFactoryLookupService&) {
  return *this;
}

ManagerFactoryLookupService& ManagerFactoryLookupService::operator=(ManagerFactoryLookupService&&) {
  return *this;
}

HINSTANCE ManagerFactoryLookupService::getManagerInstanceImpl(TString factoryDefinition,
                                                              TString provider,
                                                              Vector<Parameter>* params) {
  log(detail::kLogEntry, L"ManagerFactoryLookupService::getManagerInstanceImpl");
  log(detail::kLogDetail, LOOKUP_LINE(L"--> Input Param factoryDefinition = %ws"),
      factoryDefinition.c_str());
  log(detail::kLogDetail, LOOKUP_LINE(L"--> Input Param provider = %ws"), provider.c_str());
  log(detail::kLogDetail, LOOKUP_LINE(L"--> Input Param params %d items"), itemCount(params));
  HINSTANCE module = nullptr;
  try {
    detail::ProviderRecord record;
    if (!readDefinition(factoryDefinition, &record) || !isComplete(record, factoryDefinition))
      return nullptr;
    appendProvider(record, params);
    module = loadImplementation(record[detail::kProviderImplementation]);
  } catch (const std::exception& error) {
    log(detail::kLogFailure, LOOKUP_LINE(L"Stopped by an exception: %hs"), error.what());
    return nullptr;
  }
  log(detail::kLogDetail, LOOKUP_LINE(L"<-- Output Param hInstDll = 0x%llx"),
      detail::handleValue(module));
  log(detail::kLogExit, L"ManagerFactoryLookupService::getManagerInstanceImpl");
  return module;
}

TString ManagerFactoryLookupService::getFullPath(HINSTANCE module, TString fileName) {
  return detail::pathBesideModule(module, fileName);
}

}  // namespace Quor
