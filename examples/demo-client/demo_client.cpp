// The demo client: the whole road of a request.
//
// It loads the manager module of the provider "Demo" (the factory finds
// Demo.ini and the module that it names), prints the provider parameters that
// the factory read, asks the module for a Manager, gives the manager an
// operation and prints the answer; everything is released on the way out.
// Run it with ZOLOG_LEVEL=0x1f to see every line that the library logs on the
// way.
#include <quor/manager_module.h>
#include <quor/quor.h>

#include <cstdio>

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

int run() {
  // 1. Find and load the provider's module; a failure throws ManagerLoadError.
  Quor::Vector<Quor::Parameter> parameters;
  Quor::ManagerModule module = Quor::ManagerModule::load(L"Demo", &parameters);
  printParameters("Provider parameters from Demo.ini:", &parameters);

  // 2. Ask the module for a manager.
  Quor::Owned<Quor::Manager> manager = module.createManager(&parameters);

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

  // The answer and the copies that its getters hand out are released by
  // their holders, before the manager, which is released before the module.
  Quor::Owned<Quor::ExternalOperation> answer(manager->execute(&request));
  if (!answer) {
    std::printf("The manager did not answer.\n");
    return 1;
  }
  Quor::Owned<Quor::Vector<Quor::Parameter>> response(answer->getResponseParameters());
  Quor::Owned<Quor::TransactionId> answered(answer->getTransactionId());
  std::printf("\nAnswer to %ls (%ls, transaction %ls):\n", answer->getExternalOperationId().c_str(),
              answer->getType().c_str(), answered->getId().c_str());
  printParameters("Response parameters:", response.get());
  return 0;
}

}  // namespace

int main() {
  // Unbuffered, so that the output interleaves with the log on standard error.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  try {
    return run();
  } catch (const Quor::ManagerLoadError& error) {
    std::printf("%s\nThe log above says more.\n", error.what());
    return 1;
  }
}
