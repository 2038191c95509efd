// A client of the module that consumer_manager.cpp makes, run where it was
// built and where it is installed: it names only the provider. It prints the
// response parameters "id=value" and "client of Consumer: ok" when the
// provider parameters came from the definition file and its input came back.
#include <quor/manager_module.h>
#include <quor/quor.h>
#include <zolog/zolog.h>

#include <cstdio>
#include <exception>
#include <string>

int main() try {
  zologSetLevelMask(1);
  Quor::Vector<Quor::Parameter> parameters;
  Quor::ManagerModule module = Quor::ManagerModule::load(L"Consumer", &parameters);
  Quor::Owned<Quor::Manager> manager = module.createManager(&parameters);
  Quor::ExternalOperation request;
  Quor::Vector<Quor::Parameter> inputs;
  inputs.push_back(Quor::Parameter(L"message", L"h\u00e9llo"));
  request.setParameters(&inputs);
  Quor::Owned<Quor::ExternalOperation> answer(manager->execute(&request));
  Quor::Owned<Quor::Vector<Quor::Parameter>> response(answer->getResponseParameters());
  std::string seen;
  for (unsigned int i = 0; i < response->size(); ++i) {
    seen += Quor::toUtf8(response->at(i).getId()) + "=" + Quor::toUtf8(response->at(i).getValue()) +
            "\n";
  }
  std::fputs(seen.c_str(), stdout);
  const bool ok = seen.find("provider.service=echoes\n") != std::string::npos &&
                  seen.find("message=h\xc3\xa9llo\n") != std::string::npos;
  std::printf("client of Consumer: %s\n", ok ? "ok" : "wrong answer");
  return ok ? 0 : 1;
} catch (const std::exception& error) {
  std::printf("client of Consumer: %s\n", error.what());
  return 1;
}
