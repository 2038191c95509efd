#include <memory>

#include "model/owned.h"
#include "quor/external_operation.h"

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
  std::unique_ptr<TransactionId> transaction(detail::copyOf(other.transactionId_));
  std::unique_ptr<Vector<Parameter>> parameters(detail::copyOf(other.parameters_));
  std::unique_ptr<Vector<Parameter>> response(detail::copyOf(other.responseParameters_));
  profileId_ = detail::copyOf(other.profileId_);
  transactionId_ = transaction.release();
  parameters_ = parameters.release();
  responseParameters_ = response.release();
}

ExternalOperation::~ExternalOperation() {
  delete transactionId_;
  delete parameters_;
  delete responseParameters_;
  delete profileId_;
}

ExternalOperation& ExternalOperation::operator=(const ExternalOperation& other) {
  if (this != &other) {
    std::unique_ptr<TransactionId> transaction(detail::copyOf(other.transactionId_));
    std::unique_ptr<Vector<Parameter>> parameters(detail::copyOf(other.parameters_));
    std::unique_ptr<Vector<Parameter>> response(detail::copyOf(other.responseParameters_));
    std::unique_ptr<ConfigurationId> profile(detail::copyOf(other.profileId_));
    externalOperationId_ = other.externalOperationId_;
    providerContextId_ = other.providerContextId_;
    type_ = other.type_;
    script_ = other.script_;
    detail::replaceOwned(transactionId_, transaction.release());
    detail::replaceOwned(parameters_, parameters.release());
    detail::replaceOwned(responseParameters_, response.release());
    detail::replaceOwned(profileId_, profile.release());
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
