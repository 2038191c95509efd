#include "quor/credential.h"
#include "model/owned.h"

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
  detail::setCopyOf(parentCredentialId_, other.parentCredentialId_);
}

CredentialElement::~CredentialElement() { delete parentCredentialId_; }

CredentialElement& CredentialElement::operator=(const CredentialElement& other) {
  if (this != &other) {
    detail::OwnedCopy<CredentialId> parent(other.parentCredentialId_);
    id_ = other.id_;
    type_ = other.type_;
    value_ = other.value_;
    encoding_ = other.encoding_;
    reference_ = other.reference_;
    encrypted_ = other.encrypted_;
    parent.handTo(parentCredentialId_);
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
  detail::OwnedCopy<CredentialId> id(other.id_);
  detail::OwnedCopy<Vector<CredentialElement>> elements(other.credentialElements_);
  detail::OwnedCopy<ConfigurationId> profile(other.profileId_);
  id.handTo(id_);
  elements.handTo(credentialElements_);
  profile.handTo(profileId_);
}

Credential::~Credential() {
  delete id_;
  delete credentialElements_;
  delete profileId_;
}

Credential* Credential::clone() const { return new Credential(*this); }

Credential& Credential::operator=(const Credential& other) {
  if (this != &other) {
    detail::OwnedCopy<CredentialId> id(other.id_);
    detail::OwnedCopy<Vector<CredentialElement>> elements(other.credentialElements_);
    detail::OwnedCopy<ConfigurationId> profile(other.profileId_);
    Managed::operator=(other);
    description_ = other.description_;
    id.handTo(id_);
    elements.handTo(credentialElements_);
    profile.handTo(profileId_);
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

void Credential::setId(CredentialId* id) { detail::OwnedCopy<CredentialId>(id).handTo(id_); }

ConfigurationId* Credential::getProfileId() { return detail::copyOf(profileId_); }

void Credential::setProfileId(ConfigurationId* id) {
  detail::OwnedCopy<ConfigurationId>(id).handTo(profileId_);
}

}  // namespace Quor
