#include <cxxabi.h>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/module.h"
#include "managers/definition_file.h"
#include "managers/load_report.h"
#include "managers/lookup.h"
#include "managers/paths.h"
#include "quor/managers.h"

namespace Quor {

namespace {

int itemCount(const Vector<Parameter>* params) {
  return params != nullptr ? static_cast<int>(params->size()) : -1;
}

using detail::log;

// Whether the record names a provider and its implementation; logs and
// reports what it lacks.
bool isComplete(const detail::ProviderRecord& record, const TString& factoryDefinition,
                detail::LoadReport* report) {
  const bool hasName = !record[detail::kProviderName].empty();
  const bool hasImplementation = !record[detail::kProviderImplementation].empty();
  if (hasName && hasImplementation) return true;
  if (report != nullptr) report->incomplete(hasName, hasImplementation);
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
  return detail::getManagerInstance(factoryDefinition, provider, params, nullptr);
}

HINSTANCE detail::getManagerInstance(const TString& factoryDefinition, const TString& provider,
                                     Vector<Parameter>* params, detail::LoadReport* report) {
  log(detail::kLogEntry, L"ManagerFactoryLookupService::getManagerInstanceImpl");
  log(detail::kLogDetail, LOOKUP_LINE(L"--> Input Param factoryDefinition = %ws"),
      factoryDefinition.c_str());
  log(detail::kLogDetail, LOOKUP_LINE(L"--> Input Param provider = %ws"), provider.c_str());
  log(detail::kLogDetail, LOOKUP_LINE(L"--> Input Param params %d items"), itemCount(params));
  HINSTANCE module = nullptr;
  try {
    detail::ProviderRecord record;
    if (!detail::readDefinition(factoryDefinition, detail::moduleHandle(), true, &record, report)) {
      if (report != nullptr) report->noDefinition();
      return nullptr;
    }
    if (!isComplete(record, factoryDefinition, report)) return nullptr;
    appendProvider(record, params);
    module = detail::loadImplementation(record[detail::kProviderImplementation],
                                        detail::moduleHandle(), true, report);
  } catch (const abi::__forced_unwind&) {
    throw;  // the thread is being cancelled: it must unwind
  } catch (...) {
    log(detail::kLogFailure, LOOKUP_LINE(L"Stopped by an exception: %hs"),
        detail::currentExceptionText());
    if (report != nullptr) report->stopped(detail::currentExceptionText());
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
