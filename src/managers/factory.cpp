#include <cxxabi.h>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "managers/load_report.h"
#include "quor/managers.h"

// A line of ManagerFactory::newManagerInstance: its qualified name, a colon and a blank, then
// `text`, joined at compile time.
#define FACTORY_LINE(text) L"ManagerFactory::newManagerInstance: " text

namespace Quor {

namespace {

// Logs the exception being handled; call it only inside a handler.
void logStopped() {
  detail::log(detail::kLogFailure, FACTORY_LINE(L"Stopped by an exception: %hs"),
              detail::currentExceptionText());
}

}  // namespace

ManagerFactory::ManagerFactory() {}

ManagerFactory::ManagerFactory(const ManagerFactory& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other) {}

ManagerFactory::ManagerFactory(ManagerFactory&& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other) {}

ManagerFactory::~ManagerFactory() {}

ManagerFactory& ManagerFactory::operator=(const ManagerFactory&) { return *this; }

ManagerFactory& ManagerFactory::operator=(ManagerFactory&&) { return *this; }

HINSTANCE ManagerFactory::newManagerInstance(TString provider, Vector<Parameter>* params) {
  try {
    return newManagerInstance(TString(), provider, params);
  } catch (const abi::__forced_unwind&) {
    throw;  // the thread is being cancelled: it must unwind
  } catch (...) {
    logStopped();
    return nullptr;
  }
}

HINSTANCE ManagerFactory::newManagerInstance(TString factoryDefinition, TString provider,
                                             Vector<Parameter>* params) {
  return detail::newManagerInstance(factoryDefinition, provider, params, nullptr);
}

HINSTANCE detail::newManagerInstance(TString factoryDefinition, TString provider,
                                     Vector<Parameter>* params, LoadReport* report) {
  using detail::log;
  log(detail::kLogEntry, L"ManagerFactory::newManagerInstance");
  log(detail::kLogDetail, FACTORY_LINE(L"--> Input Param factoryDefinition = %ws"),
      factoryDefinition.c_str());
  log(detail::kLogDetail, FACTORY_LINE(L"--> Input Param provider = %ws"), provider.c_str());
  log(detail::kLogDetail, FACTORY_LINE(L"--> Input Param params %d items"),
      params != nullptr ? static_cast<int>(params->size()) : -1);
  HINSTANCE module = nullptr;
  try {
    if (factoryDefinition.empty()) factoryDefinition = provider + TString(L".ini");
    module = detail::getManagerInstance(factoryDefinition, provider, params, report);
  } catch (const abi::__forced_unwind&) {
    throw;  // the thread is being cancelled: it must unwind
  } catch (...) {
    logStopped();
    if (report != nullptr) report->stopped(detail::currentExceptionText());
    return nullptr;
  }

  log(detail::kLogDetail, FACTORY_LINE(L"<-- Output Param hLib = 0x%llx"),
      detail::handleValue(module));
  log(detail::kLogExit, L"ManagerFactory::newManagerInstance");
  return module;
}

}  // namespace Quor
