// The Vault provider's client: loads the provider's module by its name, asks
// for a manager with its own settings, rotates the owner's password, finds
// the owner's credential by criteria and reads the settings back. It prints
// what it got and "vault: ok" when the three agree.
#include <quor/manager_module.h>
#include <quor/quor.h>

#include <cstdio>
#include <exception>
#include <string>

#include "vault.h"

namespace {

std::string utf8(const Quor::TString& text) { return Quor::toUtf8(text); }

}  // namespace

int main() try {
  // The provider's parameters from Vault.ini, then the client's own settings.
  Quor::Vector<Quor::Parameter> parameters;
  Quor::ManagerModule module = Quor::ManagerModule::load(L"Vault", &parameters);
  parameters.push_back(Quor::Parameter(vault::kOwner, Quor::fromUtf8("ren\xc3\xa9")));
  parameters.push_back(Quor::Parameter(vault::kLength, L"20"));
  Quor::Owned<Quor::Manager> manager = module.createManager(&parameters);
  // The provider "Vault" makes Vaults (vault.h).
  vault::Vault* vault = static_cast<vault::Vault*>(manager.get());

  Quor::ExternalOperation request;
  request.setType(L"rotate-password");
  Quor::Owned<Quor::ExternalOperation> answer(vault->execute(&request));
  Quor::Owned<Quor::Vector<Quor::Parameter>> response(answer->getResponseParameters());
  const std::string password = utf8(response->at(1).getValue());
  std::printf("rotated: %s -> %s\n", utf8(response->at(0).getValue()).c_str(), password.c_str());

  Quor::Vector<Quor::Criteria> criteria;
  criteria.push_back(Quor::Criteria(L"password", L"=", response->at(1).getValue()));
  Quor::Owned<Quor::Vector<Quor::Credential>> found(vault->find(&criteria));
  std::string elements;
  for (unsigned int i = 0; i < found->size(); ++i) {
    Quor::Owned<Quor::CredentialId> id(found->at(i).getId());
    Quor::Owned<Quor::Vector<Quor::CredentialElement>> parts(found->at(i).getCredentialElements());
    std::printf("credential %s (%s):\n", utf8(id->getId()).c_str(),
                utf8(found->at(i).getDescription()).c_str());
    for (unsigned int j = 0; j < parts->size(); ++j) {
      elements += utf8(parts->at(j).getId()) + "=" + utf8(parts->at(j).getValue()) + "\n";
    }
  }
  std::fputs(elements.c_str(), stdout);

  Quor::Owned<Quor::Vector<Quor::Entry>> settings(vault->settings());
  for (unsigned int i = 0; i < settings->size(); ++i) {
    std::printf("setting %s (%s) = %s\n", utf8(settings->at(i).getKey()).c_str(),
                utf8(settings->at(i).getLabel()).c_str(), utf8(settings->at(i).getValue()).c_str());
  }

  const bool ok = password.size() == 20 && found->size() == 1 &&
                  elements == "user=ren\xc3\xa9\npassword=" + password + "\n" &&
                  settings->size() == 2 && utf8(settings->at(1).getValue()) == "20";
  std::printf("vault: %s\n", ok ? "ok" : "unexpected answers");
  return ok ? 0 : 1;
} catch (const std::exception& error) {
  std::printf("vault: %s\n", error.what());
  return 1;
}
