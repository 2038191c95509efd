// Credentials: Credential, a managed record with its identifiers and its
// elements, and CredentialElement, one typed and encoded value of it.
//
// Every class here follows the conventions of the value classes, stated once
// in quor/values.h: allocation by the library, deep copies, clone(), what
// getters hand out and setters keep, the default state, failure and threads.
// The order in which each class declares its virtual operations is part of
// the binary interface that clients are compiled against: it never changes.
#ifndef QUOR_CREDENTIAL_H_
#define QUOR_CREDENTIAL_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/identifiers.h"
#include "quor/managed.h"
#include "quor/tstring.h"
#include "quor/vector.h"

namespace Quor {

// One typed, encoded value of a credential. Type, value and encoding are free
// text, stored and returned as written.
class QUOR_API CredentialElement : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  CredentialElement();
  CredentialElement(const CredentialElement& other);
  virtual ~CredentialElement();

  virtual CredentialElement& operator=(const CredentialElement& other);
  virtual CredentialElement* clone() const;
  virtual TString getId();
  virtual CredentialId* getParentCredentialId();
  virtual void setParentCredentialId(CredentialId* id);
  virtual void setId(TString id);
  virtual bool isReference();
  virtual void setIsReference(bool reference);
  virtual TString getType();
  virtual void setType(TString type);
  virtual TString getEncoding();
  virtual TString getValue();
  virtual void setEncoding(TString encoding);
  virtual void setValue(TString value);
  virtual bool isEncrypted();
  virtual void setEncrypted(bool encrypted);

 private:
  CredentialId* parentCredentialId_;
  TString id_;
  TString type_;
  TString value_;
  TString encoding_;
  bool reference_;
  bool encrypted_;
};

extern template class QUOR_API Vector<CredentialElement>;

// A managed record with an identifier, a description, the identifier of its
// configuration profile and its elements. A copy carries its source's times.
class QUOR_API Credential : public Managed {
 public:
  Credential();
  Credential(const Credential& other);
  virtual ~Credential();

  virtual Credential* clone() const;
  // Assigning through Managed's operator= (for instance through a Managed&)
  // changes only the Managed part.
  using Managed::operator=;
  virtual Credential& operator=(const Credential& other);
  virtual void setDescription(TString description);
  virtual TString getDescription();
  // Null, or a new copy of the list (capacity: the stored list's + 5).
  virtual Vector<CredentialElement>* getCredentialElements();
  virtual CredentialId* getId();
  virtual void setCredentialElements(Vector<CredentialElement>* elements);
  virtual void setId(CredentialId* id);
  virtual ConfigurationId* getProfileId();
  virtual void setProfileId(ConfigurationId* id);

 private:
  CredentialId* id_;
  Vector<CredentialElement>* credentialElements_;
  ConfigurationId* profileId_;
  TString description_;
};

extern template class QUOR_API Vector<Credential>;

}  // namespace Quor

#endif  // QUOR_CREDENTIAL_H_
