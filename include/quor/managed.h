// Managed records and what entries are made of: Managed (a state with
// creation and modification times), Criteria, Entry and EntryTemplate.
//
// Every class here follows the conventions of the value classes, stated once
// in quor/values.h: allocation by the library, deep copies, clone(), what
// getters hand out and setters keep, the default state, failure and threads.
// The order in which each class declares its virtual operations is part of
// the binary interface that clients are compiled against: it never changes.
#ifndef QUOR_MANAGED_H_
#define QUOR_MANAGED_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/tstring.h"
#include "quor/vector.h"

namespace Quor {

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

}  // namespace Quor

#endif  // QUOR_MANAGED_H_
