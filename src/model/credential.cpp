#include <memory>

#include "model/owned.h"
#include "quor/credential.h"

namespace Quor {

CredentialElement::CredentialElement()
    : parentCredentialId_(nullptr), reference_(false), encrypted_(false) {}

CredentialElement::CredentialElement(const CredentialElement& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other),
      parentCredentialId_(nullptr),
      id_(other.id_),
      type_(other.type_),
      value_(other.value_),
      encoding_(other.encoding_),
      reference_(other.reference_),
      encrypted_(other.encrypted_) {
  // Copied last: if it fails, the strings are taken apart and nothing leaks.
  parentCredentialId_ = detail::copyOf(other.parentCredentialId_);
}

CredentialElement::~CredentialElement() { delete parentCredentialId_; }

CredentialElement& CredentialElement::operator=(const CredentialElement& other) {
  if (this != &other) {
    std::unique_ptr<CredentialId> parent(detail::copyOf(other.parentCredentialId_));
    id_ = other.id_;
    type_ = other.type_;
    value_ = other.value_;
    encoding_ = other.encoding_;
    reference_ = other.reference_;
    encrypted_ = other.encrypted_;
    detail::replaceOwned(parentCredentialId_, parent.release());
  }
  return *this;
}

CredentialElement* CredentialElement::clone() const { return new CredentialElement(*this); }

TString CredentialElement::getId() { return id_; }

CredentialId* CredentialElement::getParentCredentialId() {
  return detail::copyOf(parentCredentialId_);
}

void CredentialElement::setParentCredentialId(CredentialId* id) {
  detail::setCopyOf(parentCredentialId_, id);
}

void CredentialElement::setId(TString id) { id_ = id; }

bool CredentialElement::isReference() { return reference_; }

void CredentialElement::setIsReference(bool reference) { reference_ = reference; }

TString CredentialElement::getType() { return type_; }

void CredentialElement::setType(TString type) { type_ = type; }

TString CredentialElement::getEncoding() { return encoding_; }

TString CredentialElement::getValue() { return value_; }

void CredentialElement::setEncoding(TString encoding) { encoding_ = encoding; }

void CredentialElement::setValue(TString value) { value_ = value; }

bool CredentialElement::isEncrypted() { return encrypted_; }

void CredentialElement::setEncrypted(bool encrypted) { encrypted_ = encrypted; }

Credential::Credential() : id_(nullptr), credentialElements_(nullptr), profileId_(nullptr) {}

Credential::Credential(const Credential& other)
    : Managed(other),
      id_(nullptr),
      credentialElements_(nullptr),
      profileId_(nullptr),
      description_(other.description_) {
  std::unique_ptr<CredentialId> id(detail::copyOf(other.id_));
  std::unique_ptr<Vector<CredentialElement>> elements(detail::copyOf(other.credentialElements_));
  profileId_ = detail::copyOf(other.profileId_);
  id_ = id.release();
  credentialElements_ = elements.release();
}

Credential::~Credential() {
  delete id_;
  delete credentialElements_;
  delete profileId_;
}

Credential* Credential::clone() const { return new Credential(*this); }

Credential& Credential::operator=(const Credential& other) {
  if (this != &other) {
    std::unique_ptr<CredentialId> id(detail::copyOf(other.id_));
    std::unique_ptr<Vector<CredentialElement>> elements(detail::copyOf(other.credentialElements_));
    std::unique_ptr<ConfigurationId> profile(detail::copyOf(other.profileId_));
    Managed::operator=(other);
    description_ = other.description_;
    detail::replaceOwned(id_, id.release());
    detail::replaceOwned(credentialElements_, elements.release());
    detail::replaceOwned(profileId_, profile.release());
  }
  return *this;
}

void Credential::setDescription(TString description) { description_ = description; }

TString Credential::getDescription() { return description_; }

Vector<CredentialElement>* Credential::getCredentialElements() {
  return detail::copyOf(credentialElements_);
}

CredentialId* Credential::getId() { return detail::copyOf(id_); }

void Credential::setCredentialElements(Vector<CredentialElement>* elements) {
  detail::setCopyOf(credentialElements_, elements);
}

void Credential::setId(CredentialId* id) { detail::setCopyOf(id_, id); }

ConfigurationId* Credential::getProfileId() { return detail::copyOf(profileId_); }

void Credential::setProfileId(ConfigurationId* id) { detail::setCopyOf(profileId_, id); }

}  // namespace Quor
