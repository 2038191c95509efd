// ExternalOperation: a request that a client hands to a manager, and the
// answer that comes back.
//
// Every class here follows the conventions of the value classes, stated once
// in quor/values.h: allocation by the library, deep copies, clone(), what
// getters hand out and setters keep, the default state, failure and threads.
// The order in which each class declares its virtual operations is part of
// the binary interface that clients are compiled against: it never changes.
#ifndef QUOR_EXTERNAL_OPERATION_H_
#define QUOR_EXTERNAL_OPERATION_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/identifiers.h"
#include "quor/parameter.h"
#include "quor/tstring.h"
#include "quor/vector.h"

namespace Quor {

// An operation delegated to an external provider: its id and type, provider
// context, script, input parameters, the parameters of the provider's
// response, and the transaction and configuration profile it belongs to. The
// two parameter lists are independent.
class QUOR_API ExternalOperation : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  ExternalOperation();
  ExternalOperation(const ExternalOperation& other);
  virtual ~ExternalOperation();

  virtual ExternalOperation& operator=(const ExternalOperation& other);
  virtual ExternalOperation* clone() const;
  virtual ConfigurationId* getProfileId();
  virtual void setProfileId(ConfigurationId* id);
  // Null, or a new copy of the list (capacity: the stored list's + 5).
  virtual Vector<Parameter>* getResponseParameters();
  virtual void setResponseParameters(Vector<Parameter>* parameters);
  virtual TransactionId* getTransactionId();
  virtual void setTransactionId(TransactionId* id);
  virtual TString getScript();
  virtual void setScript(TString script);
  // Null, or a new copy of the list (capacity: the stored list's + 5).
  virtual Vector<Parameter>* getParameters();
  virtual void setParameters(Vector<Parameter>* parameters);
  virtual TString getProviderContextId();
  virtual void setProviderContextId(TString id);
  virtual TString getType();
  virtual void setType(TString type);
  virtual TString getExternalOperationId();
  virtual void setExternalOperationId(TString id);

 private:
  TString externalOperationId_;
  TString providerContextId_;
  TransactionId* transactionId_;
  TString type_;
  TString script_;
  Vector<Parameter>* parameters_;
  Vector<Parameter>* responseParameters_;
  ConfigurationId* profileId_;
};

extern template class QUOR_API Vector<ExternalOperation>;

}  // namespace Quor

#endif  // QUOR_EXTERNAL_OPERATION_H_
