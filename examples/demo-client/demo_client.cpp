// The demo client: the whole road of a request.
//
// It asks ManagerFactory for the manager module of the provider "Demo",
// prints the provider parameters that the factory read from Demo.ini, finds
// the module's ManagerInstance through its entry point, asks it for a
// Manager, gives the manager an operation and prints the answer, then
// releases everything. Run it with ZOLOG_LEVEL=0x1f to see every line that
// the library logs on the way.
#include <quor/manager_module.h>
#include <quor/quor.h>

#include <cstdio>

#include "module_access.h"

namespace {

void printParameters(const char* title, Quor::Vector<Quor::Parameter>* parameters) {
  std::printf("%s\n", title);
  for (unsigned int i = 0; parameters != nullptr && i < parameters->size(); ++i) {
    Quor::Parameter& parameter = parameters->at(i);
    std::printf("  %-24ls = %-34ls (%ls, %ls)\n", parameter.getId().c_str(),
                parameter.getValue().c_str(), parameter.getType().c_str(),
                parameter.getEncoding().c_str());
  }
}

}  // namespace

int main() {
  // Unbuffered, so that the output interleaves with the log on standard error.
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  // 1. Find and load the provider's module.
  Quor::Vector<Quor::Parameter> parameters;
  Quor::HINSTANCE module = Quor::ManagerFactory::newManagerInstance(L"Demo", &parameters);
  printParameters("Provider parameters from Demo.ini:", &parameters);
  if (module == nullptr) {
    std::printf("The Demo manager module did not load; the log above says why.\n");
    return 1;
  }

  // 2. Find the module's ManagerInstance and ask it for a manager.
  QuorManagerInstanceFunction entryPoint = demo::findEntryPoint(module);
  if (entryPoint == nullptr) {
    std::printf("The module has no %s function: it is not a manager module.\n",
                QUOR_MANAGER_INSTANCE_FUNCTION);
    demo::releaseModule(module);
    return 1;
  }
  Quor::Manager* manager = entryPoint()->createManager(&parameters);

  // 3. Give it work.
  Quor::ExternalOperation request;
  request.setExternalOperationId(L"op-1");
  request.setType(L"rotate-password");
  Quor::TransactionId transaction(L"tx-1");
  request.setTransactionId(&transaction);
  Quor::Vector<Quor::Parameter> inputs;
  inputs.push_back(Quor::Parameter(L"user", L"alice"));
  inputs.push_back(Quor::Parameter(L"length", L"20"));
  request.setParameters(&inputs);

  Quor::ExternalOperation* answer = manager->execute(&request);
  int status = 0;
  if (answer != nullptr) {
    Quor::Vector<Quor::Parameter>* response = answer->getResponseParameters();
    Quor::TransactionId* answered = answer->getTransactionId();
    std::printf("\nAnswer to %ls (%ls, transaction %ls):\n",
                answer->getExternalOperationId().c_str(), answer->getType().c_str(),
                answered->getId().c_str());
    printParameters("Response parameters:", response);
    answered->destroy();
    response->destroy();
    answer->destroy();
  } else {
    std::printf("The manager did not answer.\n");
    status = 1;
  }

  // 4. Release the manager, then the module reference that the factory gave us.
  manager->destroy();
  demo::releaseModule(module);
  return status;
}
