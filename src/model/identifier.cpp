#include "quor/identifiers.h"

namespace Quor {

Identifier::Identifier() {}

Identifier::Identifier(TString id, TString type) : id_(id), type_(type) {}

Identifier::Identifier(const Identifier& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other), id_(other.id_), type_(other.type_) {}

Identifier::~Identifier() {}

Identifier& Identifier::operator=(const Identifier& other) {
  if (this != &other) {
    id_ = other.id_;
    type_ = other.type_;
  }
  return *this;
}

Identifier* Identifier::clone() const { return new Identifier(*this); }

TString Identifier::getId() { return id_; }

TString Identifier::getType() { return type_; }

void Identifier::setId(TString id) { id_ = id; }

void Identifier::setType(TString type) { type_ = type; }

ConfigurationId::ConfigurationId() {}

ConfigurationId::ConfigurationId(TString id) : Identifier(id, TString(L"CONFIGURATION")) {}

ConfigurationId::ConfigurationId(TString id, TString type) : Identifier(id, type) {}

ConfigurationId::ConfigurationId(const ConfigurationId& other) : Identifier(other) {}

ConfigurationId::~ConfigurationId() {}

ConfigurationId* ConfigurationId::clone() const { return new ConfigurationId(*this); }

ConfigurationId& ConfigurationId::operator=(const ConfigurationId& other) {
  Identifier::operator=(other);
  return *this;
}

CredentialId::CredentialId() {}

CredentialId::CredentialId(TString id, TString type) : Identifier(id, type) {}

CredentialId::CredentialId(const CredentialId& other) : Identifier(other) {}

CredentialId::~CredentialId() {}

CredentialId* CredentialId::clone() const { return new CredentialId(*this); }

CredentialId& CredentialId::operator=(const CredentialId& other) {
  Identifier::operator=(other);
  return *this;
}

TransactionId::TransactionId() {}

TransactionId::TransactionId(TString id) : Identifier(id, TString(L"TRANSACTION")) {}

TransactionId::TransactionId(const TransactionId& other) : Identifier(other) {}

TransactionId::~TransactionId() {}

TransactionId* TransactionId::clone() const { return new TransactionId(*this); }

TransactionId& TransactionId::operator=(const TransactionId& other) {
  Identifier::operator=(other);
  return *this;
}

}  // namespace Quor
