// The Vault provider's manager, as its module and its clients share it: a
// Quor::Manager with two operations of its own. Every object crossing the
// boundary is a library object (Credential and its elements, Entry,
// Criteria, Parameter, Vector), made and released by the library's
// allocator, so the module and the client may be built with different
// compilers or runtimes.
//
// A client reaches it through the provider's name: the Manager that the
// module's instance creates for the provider "Vault" is a Vault.
#ifndef QUOR_EXAMPLES_VAULT_VAULT_H_
#define QUOR_EXAMPLES_VAULT_VAULT_H_

#include <quor/quor.h>

namespace vault {

// The keys of the settings that a client passes to createManager(), beside
// the provider parameters that the factory read.
constexpr const wchar_t* kOwner = L"vault.owner";    // whose password the vault keeps
constexpr const wchar_t* kLength = L"vault.length";  // password length, 8 to 64 (default 16)

class Vault : public Quor::Manager {
 public:
  // execute() answers an operation of type "rotate-password" with the
  // response parameters "user" and "password", the owner's new password;
  // other types get null.

  // The credentials of which one element matches each of `criteria` (the
  // criterion's id names the element, comparison "=" compares its value), as
  // a new Vector that the caller releases with destroy(). Null criteria match
  // every credential.
  virtual Quor::Vector<Quor::Credential>* find(Quor::Vector<Quor::Criteria>* criteria) = 0;

  // The settings in use, one Entry each (key, label, value), as a new Vector
  // that the caller releases with destroy().
  virtual Quor::Vector<Quor::Entry>* settings() = 0;
};

}  // namespace vault

#endif  // QUOR_EXAMPLES_VAULT_VAULT_H_
