#include "quor/identifiers.h"

namespace Quor {

Identifier::Identifier() {}

Identifier::Identifier(TString id, TString type) : id_(id), type_(type) {}

Identifier::Identifier(const Identifier& other) = default;

Identifier::~Identifier() = default;

Identifier& Identifier::operator=(const Identifier& other) = default;

Identifier* Identifier::clone() const { return new Identifier(*this); }

TString Identifier::getId() { return id_; }

TString Identifier::getType() { return type_; }

void Identifier::setId(TString id) { id_ = id; }

void Identifier::setType(TString type) { type_ = type; }

ConfigurationId::ConfigurationId() {}

ConfigurationId::ConfigurationId(TString id) : Identifier(id, TString(L"CONFIGURATION")) {}

ConfigurationId::ConfigurationId(TString id, TString type) : Identifier(id, type) {}

ConfigurationId::ConfigurationId(const ConfigurationId& other) = default;

ConfigurationId::~ConfigurationId() = default;

ConfigurationId* ConfigurationId::clone() const { return new ConfigurationId(*this); }

ConfigurationId& ConfigurationId::operator=(const ConfigurationId& other) = default;

CredentialId::CredentialId() {}

CredentialId::CredentialId(TString id, TString type) : Identifier(id, type) {}

CredentialId::CredentialId(const CredentialId& other) = default;

CredentialId::~CredentialId() = default;

CredentialId* CredentialId::clone() const { return new CredentialId(*this); }

CredentialId& CredentialId::operator=(const CredentialId& other) = default;

TransactionId::TransactionId() {}

TransactionId::TransactionId(TString id) : Identifier(id, TString(L"TRANSACTION")) {}

TransactionId::TransactionId(const TransactionId& other) = default;

TransactionId::~TransactionId() = default;

TransactionId* TransactionId::clone() const { return new TransactionId(*this); }

TransactionId& TransactionId::operator=(const TransactionId& other) = default;

}  // namespace Quor
