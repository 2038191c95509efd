#include "foundation/log.h"
#include "quor/managers.h"

namespace Quor {

ManagerFactory::ManagerFactory() {}

ManagerFactory::ManagerFactory(const ManagerFactory& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other) {}

ManagerFactory::ManagerFactory(ManagerFactory&& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other) {}

ManagerFactory::~ManagerFactory() {}

ManagerFactory& ManagerFactory::operator=(const ManagerFactory&) { return *this; }

ManagerFactory& ManagerFactory::operator=(ManagerFactory&&) { return *this; }

HINSTANCE ManagerFactory::newManagerInstance(TString provider, Vector<Parameter>* params) {
  return newManagerInstance(TString(), provider, params);
}

HINSTANCE ManagerFactory::newManagerInstance(TString factoryDefinition, TString provider,
                                             Vector<Parameter>* params) {
  using detail::log;
  log(detail::kLogEntry, L"ManagerFactory::newManagerInstance");
  log(detail::kLogDetail,
      L"ManagerFactory::newManagerInstance: --> Input Param factoryDefinition = %ws",
      factoryDefinition.c_str());
  log(detail::kLogDetail, L"ManagerFactory::newManagerInstance: --> Input Param provider = %ws",
      provider.c_str());
  log(detail::kLogDetail, L"ManagerFactory::newManagerInstance: --> Input Param params %d items",
      params != nullptr ? static_cast<int>(params->size()) : -1);
  if (factoryDefinition.empty()) factoryDefinition = provider + TString(L".ini");

  ManagerFactoryLookupService lookup;
  HINSTANCE module = lookup.getManagerInstanceImpl(factoryDefinition, provider, params);

  log(detail::kLogDetail, L"ManagerFactory::newManagerInstance: <-- Output Param hLib = 0x%x",
      detail::handleBits(module));
  log(detail::kLogExit, L"ManagerFactory::newManagerInstance");
  return module;
}

}  // namespace Quor
