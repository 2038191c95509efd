#include <cstdio>

#include "foundation/log.h"
#include "foundation/module.h"
#include "managers/definition_file.h"
#include "managers/paths.h"
#include "platform/platform.h"
#include "quor/managers.h"

namespace Quor {

namespace {

// Closes the definition file on every way out, an exception's included.
class OpenFile {
 public:
  explicit OpenFile(std::FILE* file) : file_(file) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { close(); }
  std::FILE* get() const { return file_; }
  void reset(std::FILE* file) {
    close();
    file_ = file;
  }
  void close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }

 private:
  std::FILE* file_;
};

int itemCount(const Vector<Parameter>* params) {
  return params != nullptr ? static_cast<int>(params->size()) : -1;
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
  using detail::log;
  log(detail::kLogEntry, L"ManagerFactoryLookupService::getManagerInstanceImpl");
  log(detail::kLogDetail,
      L"ManagerFactoryLookupService::getManagerInstanceImpl: --> Input Param factoryDefinition = "
      L"%ws",
      factoryDefinition.c_str());
  log(detail::kLogDetail,
      L"ManagerFactoryLookupService::getManagerInstanceImpl: --> Input Param provider = %ws",
      provider.c_str());
  log(detail::kLogDetail,
      L"ManagerFactoryLookupService::getManagerInstanceImpl: --> Input Param params %d items",
      itemCount(params));

  // Reading: the file as named, then beside this library.
  log(detail::kLogDetail,
      L"ManagerFactoryLookupService::getManagerInstanceImpl: Loading factory definition file "
      L"'%ws'",
      factoryDefinition.c_str());
  OpenFile file(platform::openForReading(factoryDefinition));
  if (file.get() == nullptr) {
    const TString fullPath = getFullPath(detail::moduleHandle(), factoryDefinition);
    log(detail::kLogDetail,
        L"ManagerFactoryLookupService::getManagerInstanceImpl: Attempt to load with full path "
        L"'%ws'",
        fullPath.c_str());
    file.reset(platform::openForReading(fullPath));
  }
  if (file.get() == nullptr) {
    log(detail::kLogFailure,
        L"ManagerFactoryLookupService::getManagerInstanceImpl: No properties files found "
        L"corresponding to %ws",
        factoryDefinition.c_str());
    return nullptr;
  }
  // The reader reads in large chunks of its own; a buffer in the stream would
  // only add a copy and, on some systems, a query of the file's block size.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  detail::ProviderRecord record;
  detail::readDefinitionFile(file.get(), &record, nullptr);
  file.close();

  const TString& name = record[detail::kProviderName];
  const TString& implementation = record[detail::kProviderImplementation];
  if (name.empty() || implementation.empty()) {
    if (!name.empty()) {
      log(detail::kLogWarning,
          L"ManagerFactoryLookupService::getManagerInstanceImpl: 'provider.implementation' key or "
          L"its value not found in %ws",
          factoryDefinition.c_str());
    } else if (!implementation.empty()) {
      log(detail::kLogWarning,
          L"ManagerFactoryLookupService::getManagerInstanceImpl: 'provider.name' key or its value "
          L"not found in %ws",
          factoryDefinition.c_str());
    } else {
      log(detail::kLogWarning,
          L"ManagerFactoryLookupService::getManagerInstanceImpl: 'provider.name' and "
          L"'provider.implementation' keys or the values corresponding to these keys, were not "
          L"found in %ws",
          factoryDefinition.c_str());
    }
    log(detail::kLogFailure,
        L"ManagerFactoryLookupService::getManagerInstanceImpl: No keys where found in any of the "
        L"properties files");
    return nullptr;
  }

  if (params != nullptr) {
    for (int field = 0; field < detail::kProviderFieldCount; ++field) {
      const detail::ProviderField key = static_cast<detail::ProviderField>(field);
      params->push_back(Parameter(TString(detail::providerKey(key)), record[key]));
    }
  }

  // Loading: the path as written, then joined to this library's directory.
  log(detail::kLogDetail,
      L"ManagerFactoryLookupService::getManagerInstanceImpl: Loading library '%ws'",
      implementation.c_str());
  HINSTANCE module = platform::loadModule(implementation);
  if (module == nullptr) {
    const TString fullPath = getFullPath(detail::moduleHandle(), implementation);
    log(detail::kLogDetail,
        L"ManagerFactoryLookupService::getManagerInstanceImpl: Attempt to load with full path "
        L"'%ws'",
        fullPath.c_str());
    module = platform::loadModuleBeside(fullPath);
    if (module == nullptr) {
      log(detail::kLogFailure,
          L"ManagerFactoryLookupService::getManagerInstanceImpl: Unable to find or load library! "
          L"(Error %d)",
          platform::lastLoadError());
    }
  }
  log(detail::kLogDetail,
      L"ManagerFactoryLookupService::getManagerInstanceImpl: <-- Output Param hInstDll = 0x%x",
      detail::handleBits(module));
  log(detail::kLogExit, L"ManagerFactoryLookupService::getManagerInstanceImpl");
  return module;
}

TString ManagerFactoryLookupService::getFullPath(HINSTANCE module, TString fileName) {
  return detail::pathBesideModule(module, fileName);
}

}  // namespace Quor
