// Identifiers: of any object (Identifier), of a configuration profile
// (ConfigurationId), of a credential (CredentialId) and of a transaction
// (TransactionId).
//
// Every class here follows the conventions of the value classes, stated once
// in quor/values.h: allocation by the library, deep copies, clone(), what
// getters hand out and setters keep, the default state, failure and threads.
// The order in which each class declares its virtual operations is part of
// the binary interface that clients are compiled against: it never changes.
// Each derived identifier keeps Identifier's assignment, with its own virtual
// slot, beside a slot of its own; both assign the same members.
#ifndef QUOR_IDENTIFIERS_H_
#define QUOR_IDENTIFIERS_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/tstring.h"
#include "quor/vector.h"

namespace Quor {

// The id of an object and the name of the object's kind.
class QUOR_API Identifier : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  Identifier();
  Identifier(TString id, TString type);
  Identifier(const Identifier& other);
  virtual ~Identifier();

  virtual Identifier& operator=(const Identifier& other);
  virtual Identifier* clone() const;
  virtual TString getId();
  virtual TString getType();
  virtual void setId(TString id);
  virtual void setType(TString type);

 private:
  TString id_;
  TString type_;
};

// The identifier of a configuration profile. The one-argument constructor
// sets the type "CONFIGURATION"; the others never substitute it.
class QUOR_API ConfigurationId : public Identifier {
 public:
  ConfigurationId();
  explicit ConfigurationId(TString id);
  ConfigurationId(TString id, TString type);
  ConfigurationId(const ConfigurationId& other);
  virtual ~ConfigurationId();

  virtual ConfigurationId* clone() const;
  using Identifier::operator=;
  virtual ConfigurationId& operator=(const ConfigurationId& other);
};

// The identifier of a credential. It has no default type.
class QUOR_API CredentialId : public Identifier {
 public:
  CredentialId();
  CredentialId(TString id, TString type);
  CredentialId(const CredentialId& other);
  virtual ~CredentialId();

  virtual CredentialId* clone() const;
  using Identifier::operator=;
  virtual CredentialId& operator=(const CredentialId& other);
};

// The identifier of a transaction. The one-argument constructor sets the type
// "TRANSACTION"; the default constructor leaves it empty.
class QUOR_API TransactionId : public Identifier {
 public:
  TransactionId();
  explicit TransactionId(TString id);
  TransactionId(const TransactionId& other);
  virtual ~TransactionId();

  virtual TransactionId* clone() const;
  using Identifier::operator=;
  virtual TransactionId& operator=(const TransactionId& other);
};

extern template class QUOR_API Vector<ConfigurationId>;
extern template class QUOR_API Vector<CredentialId>;
extern template class QUOR_API Vector<TransactionId>;

}  // namespace Quor

#endif  // QUOR_IDENTIFIERS_H_
