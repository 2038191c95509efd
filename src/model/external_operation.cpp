#include "quor/external_operation.h"
#include "model/owned.h"

namespace Quor {

ExternalOperation::ExternalOperation()
    : transactionId_(nullptr),
      parameters_(nullptr),
      responseParameters_(nullptr),
      profileId_(nullptr) {}

ExternalOperation::ExternalOperation(const ExternalOperation& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other),
      externalOperationId_(other.externalOperationId_),
      providerContextId_(other.providerContextId_),
      transactionId_(nullptr),
      type_(other.type_),
      script_(other.script_),
      parameters_(nullptr),
      responseParameters_(nullptr),
      profileId_(nullptr) {
  detail::OwnedCopy<TransactionId> transaction(other.transactionId_);
  detail::OwnedCopy<Vector<Parameter>> parameters(other.parameters_);
  detail::OwnedCopy<Vector<Parameter>> response(other.responseParameters_);
  detail::OwnedCopy<ConfigurationId> profile(other.profileId_);
  transaction.handTo(transactionId_);
  parameters.handTo(parameters_);
  response.handTo(responseParameters_);
  profile.handTo(profileId_);
}

ExternalOperation::~ExternalOperation() {
  delete transactionId_;
  delete parameters_;
  delete responseParameters_;
  delete profileId_;
}

ExternalOperation& ExternalOperation::operator=(const ExternalOperation& other) {
  if (this != &other) {
    detail::OwnedCopy<TransactionId> transaction(other.transactionId_);
    detail::OwnedCopy<Vector<Parameter>> parameters(other.parameters_);
    detail::OwnedCopy<Vector<Parameter>> response(other.responseParameters_);
    detail::OwnedCopy<ConfigurationId> profile(other.profileId_);
    externalOperationId_ = other.externalOperationId_;
    providerContextId_ = other.providerContextId_;
    type_ = other.type_;
    script_ = other.script_;
    transaction.handTo(transactionId_);
    parameters.handTo(parameters_);
    response.handTo(responseParameters_);
    profile.handTo(profileId_);
  }
  return *this;
}

ExternalOperation* ExternalOperation::clone() const { return new ExternalOperation(*this); }

ConfigurationId* ExternalOperation::getProfileId() { return detail::copyOf(profileId_); }

void ExternalOperation::setProfileId(ConfigurationId* id) { detail::setCopyOf(profileId_, id); }

Vector<Parameter>* ExternalOperation::getResponseParameters() {
  return detail::copyOf(responseParameters_);
}

void ExternalOperation::setResponseParameters(Vector<Parameter>* parameters) {
  detail::setCopyOf(responseParameters_, parameters);
}

TransactionId* ExternalOperation::getTransactionId() { return detail::copyOf(transactionId_); }

void ExternalOperation::setTransactionId(TransactionId* id) {
  detail::setCopyOf(transactionId_, id);
}

TString ExternalOperation::getScript() { return script_; }

void ExternalOperation::setScript(TString script) { script_ = script; }

Vector<Parameter>* ExternalOperation::getParameters() { return detail::copyOf(parameters_); }

void ExternalOperation::setParameters(Vector<Parameter>* parameters) {
  detail::setCopyOf(parameters_, parameters);
}

TString ExternalOperation::getProviderContextId() { return providerContextId_; }

void ExternalOperation::setProviderContextId(TString id) { providerContextId_ = id; }

TString ExternalOperation::getType() { return type_; }

void ExternalOperation::setType(TString type) { type_ = type; }

TString ExternalOperation::getExternalOperationId() { return externalOperationId_; }

void ExternalOperation::setExternalOperationId(TString id) { externalOperationId_ = id; }

}  // namespace Quor
