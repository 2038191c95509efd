// The Vault manager module: keeps one credential, its owner's user name and
// password, and rotates the password on request (see vault.h).
//
// Its settings come from the parameters that the client passes to
// createManager(): the factory hands the client the provider.* values of
// Vault.ini and ignores any other key there, so a module reads nothing but
// those parameters.
#include <quor/manager_module.h>

#include <cwchar>

#include "vault.h"

namespace {

using Quor::TString;

TString setting(Quor::Vector<Quor::Parameter>* parameters, const wchar_t* id,
                const wchar_t* fallback) {
  for (unsigned int i = 0; parameters != nullptr && i < parameters->size(); ++i) {
    if (parameters->at(i).getId() == TString(id)) return parameters->at(i).getValue();
  }
  return TString(fallback);
}

Quor::CredentialElement element(const wchar_t* id, const TString& value) {
  Quor::CredentialElement element;
  element.setId(id);
  element.setType(L"String");
  element.setValue(value);
  return element;
}

// Final: destroy() deletes the object, and nothing derives from it.
class OwnerVault final : public vault::Vault {
 public:
  explicit OwnerVault(Quor::Vector<Quor::Parameter>* parameters)
      : owner_(setting(parameters, vault::kOwner, L"nobody")),
        length_(std::wcstol(setting(parameters, vault::kLength, L"16").c_str(), nullptr, 10)) {
    if (length_ < 8) length_ = 8;
    if (length_ > 64) length_ = 64;
    rotate();
  }

  void destroy() override { delete this; }

  Quor::ExternalOperation* execute(Quor::ExternalOperation* operation) override {
    if (operation == nullptr || !(operation->getType() == TString(L"rotate-password")))
      return nullptr;
    rotate();
    Quor::Vector<Quor::Parameter> response;
    response.push_back(Quor::Parameter(L"user", owner_));
    response.push_back(Quor::Parameter(L"password", password_));
    Quor::ExternalOperation* answer = operation->clone();
    answer->setResponseParameters(&response);
    return answer;
  }

  Quor::Vector<Quor::Credential>* find(Quor::Vector<Quor::Criteria>* criteria) override {
    Quor::Vector<Quor::CredentialElement> elements;
    elements.push_back(element(L"user", owner_));
    elements.push_back(element(L"password", password_));
    Quor::Vector<Quor::Credential>* found = new Quor::Vector<Quor::Credential>();
    for (unsigned int i = 0; criteria != nullptr && i < criteria->size(); ++i) {
      if (!matches(elements, criteria->at(i))) return found;
    }
    Quor::Credential credential;
    Quor::CredentialId id(owner_, L"user");
    credential.setId(&id);
    credential.setDescription(L"password of " + owner_);
    credential.setCredentialElements(&elements);
    found->push_back(credential);
    return found;
  }

  Quor::Vector<Quor::Entry>* settings() override {
    Quor::Vector<Quor::Entry>* entries = new Quor::Vector<Quor::Entry>();
    entries->push_back(entry(vault::kOwner, L"Owner", owner_));
    entries->push_back(
        entry(vault::kLength, L"Password length", TString().format(L"%ld", length_)));
    return entries;
  }

 private:
  static bool matches(Quor::Vector<Quor::CredentialElement>& elements, Quor::Criteria& criterion) {
    for (unsigned int i = 0; i < elements.size(); ++i) {
      if (elements.at(i).getId() == criterion.getId() &&
          criterion.getComparison() == TString(L"=") &&
          elements.at(i).getValue() == criterion.getValue()) {
        return true;
      }
    }
    return false;
  }

  static Quor::Entry entry(const wchar_t* key, const wchar_t* label, const TString& value) {
    Quor::Entry entry;
    entry.setKey(key);
    entry.setLabel(label);
    entry.setValue(value);
    return entry;
  }

  // A new password from a generator that advances on each rotation and is
  // seeded by the owner's name, so that the example's output is the same on
  // every run.
  void rotate() {
    static const wchar_t kAlphabet[] = L"abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    if (state_ == 0) {
      state_ = 0x9E3779B97F4A7C15ull;
      for (unsigned int i = 0; i < owner_.length(); ++i)
        state_ = (state_ ^ owner_.at(i)) * 0x100000001B3ull;
    }
    password_ = TString();
    for (long i = 0; i < length_; ++i) {
      state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
      password_.append(&kAlphabet[(state_ >> 33) % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)],
                       1);
    }
  }

  TString owner_;
  long length_;
  TString password_;
  unsigned long long state_ = 0;
};

class VaultInstance final : public Quor::ManagerInstance {
 public:
  Quor::Manager* createManager(Quor::Vector<Quor::Parameter>* parameters) override {
    return new OwnerVault(parameters);
  }
};

}  // namespace

QUOR_DEFINE_MANAGER_INSTANCE(VaultInstance)
