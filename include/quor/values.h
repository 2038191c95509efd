// The value classes that clients and manager modules exchange: identifiers,
// parameters, managed records, criteria, entries and entry templates,
// credentials and their elements, and external operations. They carry data
// only: the library never validates, interprets or compares their contents.
//
// Conventions shared by every class here:
//   - Every object is allocated and released by the library's allocator (see
//     quor/base.h), so it may be created in one module and released in
//     another. Release objects that the library hands out by pointer with
//     destroy().
//   - Copies are deep: the copy constructor, operator= and clone() copy every
//     string and make new copies of every pointed-to object, so a copy shares
//     nothing with its source. Assigning an object to itself changes nothing.
//     A base class's operator= assigns only the base's members.
//   - clone() returns a new object of the same class as the one it is called
//     on; the caller owns it.
//   - TString getters return a copy; changing it never changes the object.
//     TString setters and constructors take their argument by value.
//   - Pointer getters return null when nothing is set, otherwise a new deep
//     copy of the member's declared class, which the caller owns and releases
//     with destroy(). The library never hands out a pointer that it stores.
//   - Pointer setters store a deep copy of the argument, or null for a null
//     argument, and release what they held. The argument stays the caller's.
//     A list set to an empty vector is different from no list: its getter
//     returns a new empty vector, not null.
//   - A default-constructed object has empty strings, null pointers, false
//     flags and zero enumerations, except where a class says otherwise.
//   - Failure: exhausted memory throws std::bad_alloc; an operation that
//     fails part-way leaks nothing.
//   - Thread safety: several threads may read one object at once; an object
//     must not be changed while another thread uses it.
//
// The order in which each class declares its virtual operations is part of
// the binary interface that clients are compiled against: it never changes.
#ifndef QUOR_VALUES_H_
#define QUOR_VALUES_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/tstring.h"
#include "quor/vector.h"

namespace Quor {

// --- Identifiers -----------------------------------------------------------

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
  // Identifier's assignment keeps its own virtual slot and assigns the same
  // members; this one adds the slot of the class's own assignment.
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
  // Identifier's assignment keeps its own virtual slot and assigns the same
  // members; this one adds the slot of the class's own assignment.
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
  // Identifier's assignment keeps its own virtual slot and assigns the same
  // members; this one adds the slot of the class's own assignment.
  using Identifier::operator=;
  virtual TransactionId& operator=(const TransactionId& other);
};

extern template class QUOR_API Vector<ConfigurationId>;
extern template class QUOR_API Vector<CredentialId>;
extern template class QUOR_API Vector<TransactionId>;

// --- Parameter -------------------------------------------------------------

// A named value with a declared data type and text encoding. Only the numbers
// of type and encoding are stored; their texts are computed on request, so
// the two forms never disagree.
class QUOR_API Parameter : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  // Texts: "String", "Integer", "byte[]", "long". Both enumerations are
  // 32-bit ints, so that any number, also one outside the defined range, can
  // be stored and read back.
  enum ParameterType : int {
    TYPE_STRING = 0,
    TYPE_INTEGER = 1,
    TYPE_BYTE_ARRAY = 2,
    TYPE_LONG = 3,
  };
  // Texts: "NONE", "base64Binary", "hexBinary", "decimal", "UTF-8"; the text
  // "UTF8" is accepted for ENCODING_UTF8 too.
  enum ParameterEncoding : int {
    ENCODING_NONE = 0,
    ENCODING_BASE64_BINARY = 1,
    ENCODING_HEX_BINARY = 2,
    ENCODING_DECIMAL = 3,
    ENCODING_UTF8 = 4,
  };

  // Type TYPE_STRING, encoding ENCODING_NONE.
  Parameter();
  Parameter(TString id, TString value);
  // Type and encoding converted from their texts (getTypeAsEnum,
  // getEncodingAsEnum). Note the order: encoding first.
  Parameter(TString encoding, TString id, TString type, TString value);
  // Type and encoding stored as given, without a range check.
  Parameter(ParameterEncoding encoding, TString id, ParameterType type, TString value);
  Parameter(const Parameter& other);
  virtual ~Parameter();

  virtual Parameter& operator=(const Parameter& other);
  virtual Parameter* clone() const;
  // The text of the stored encoding; "NONE" for an undefined number.
  virtual TString getEncoding();
  virtual ParameterEncoding getEncodingEnum();
  virtual TString getId();
  // The text of the stored type; "String" for an undefined number.
  virtual TString getType();
  virtual ParameterType getTypeEnum();
  virtual TString getValue();
  virtual void setEncoding(ParameterEncoding encoding);
  virtual void setEncoding(TString encoding);
  virtual void setId(TString id);
  virtual void setType(ParameterType type);
  virtual void setType(TString type);
  virtual void setValue(TString value);

  // Number to text; an undefined number gives the text of 0.
  static TString getTypeAsString(ParameterType type);
  static TString getEncodingAsString(ParameterEncoding encoding);
  // Text to number: the whole text, compared without regard to letter case
  // and without trimming; a text that matches none gives 0.
  static ParameterType getTypeAsEnum(const TString& type);
  static ParameterEncoding getEncodingAsEnum(const TString& encoding);

 private:
  TString id_;
  TString value_;
  ParameterType type_;
  ParameterEncoding encoding_;
};

extern template class QUOR_API Vector<Parameter>;

// --- Managed, Criteria, Entry, EntryTemplate --------------------------------

// A state text with a creation and a modification time, in seconds since
// 1970-01-01 00:00:00 UTC. A new object is stamped with the current time
// (read twice: created first, then modified). Nothing updates the times on
// its own: they change only through the setters, assignment or construction.
class QUOR_API Managed : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  Managed();
  Managed(const Managed& other);
  virtual ~Managed();

  virtual Managed& operator=(const Managed& other);
  virtual Managed* clone() const;
  virtual TString getState();
  // A new block holding a copy of the time, never null. The caller releases
  // it with BaseDLLObjectImpl<BaseDLLInterface>::operator delete.
  virtual long long* getModified();
  virtual long long* getCreated();
  virtual void setState(TString state);
  // Copies *time; a null `time` stands for the current time.
  virtual void setModified(long long* time);
  virtual void setCreated(long long* time);

 private:
  TString state_;
  long long created_;
  long long modified_;
};

// One criterion: an id, a comparison and a value, all as text.
class QUOR_API Criteria : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  Criteria();
  Criteria(TString id, TString comparison, TString value);
  Criteria(const Criteria& other);
  virtual ~Criteria();

  virtual Criteria& operator=(const Criteria& other);
  virtual Criteria* clone() const;
  virtual TString getId();
  virtual TString getComparison();
  virtual TString getValue();
  virtual void setId(TString id);
  virtual void setComparison(TString comparison);
  virtual void setValue(TString value);

 private:
  TString id_;
  TString comparison_;
  TString value_;
};

extern template class QUOR_API Vector<Criteria>;

// A key and value with a label and two flags, dynamic and sensitive.
class QUOR_API Entry : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  Entry();
  Entry(const Entry& other);
  virtual ~Entry();

  virtual Entry& operator=(const Entry& other);
  virtual Entry* clone() const;
  virtual bool isDynamic();
  virtual void setDynamic(bool dynamic);
  virtual TString getKey();
  virtual void setKey(TString key);
  virtual TString getLabel();
  virtual void setLabel(TString label);
  virtual TString getValue();
  virtual void setValue(TString value);
  virtual bool isSensitive();
  virtual void setSensitive(bool sensitive);

 private:
  TString key_;
  TString value_;
  TString label_;
  bool sensitive_;
  bool dynamic_;
};

// An Entry with a list of criteria, a flag for combining them by logical AND,
// and a read-only flag. The template owns its criteria list.
class QUOR_API EntryTemplate : public Entry {
 public:
  EntryTemplate();
  EntryTemplate(const EntryTemplate& other);
  virtual ~EntryTemplate();

  virtual EntryTemplate* clone() const;
  // Assigning through Entry's operator= (for instance through an Entry&)
  // changes only the Entry part.
  using Entry::operator=;
  virtual EntryTemplate& operator=(const EntryTemplate& other);
  // Null, or a new copy of the list (capacity: the stored list's + 5).
  virtual Vector<Criteria>* getEntryCriteria();
  virtual void setEntryCriteria(Vector<Criteria>* criteria);
  virtual bool isCriteriaLogicalAND();
  virtual void setCriteriaLogicalAND(bool logicalAnd);
  virtual bool isReadOnly();
  virtual void setReadOnly(bool readOnly);

 private:
  bool readOnly_;
  Vector<Criteria>* entryCriteria_;
  bool criteriaLogicalAND_;
};

extern template class QUOR_API Vector<Entry>;
extern template class QUOR_API Vector<EntryTemplate>;

// --- Credential, CredentialElement ------------------------------------------

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

// --- ExternalOperation ------------------------------------------------------

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

#endif  // QUOR_VALUES_H_
