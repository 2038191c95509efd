#include "model/owned.h"
#include "quor/managed.h"

namespace Quor {

Entry::Entry() : sensitive_(false), dynamic_(false) {}

Entry::Entry(const Entry& other) = default;

Entry::~Entry() = default;

Entry& Entry::operator=(const Entry& other) = default;

Entry* Entry::clone() const { return new Entry(*this); }

bool Entry::isDynamic() { return dynamic_; }

void Entry::setDynamic(bool dynamic) { dynamic_ = dynamic; }

TString Entry::getKey() { return key_; }

void Entry::setKey(TString key) { key_ = key; }

TString Entry::getLabel() { return label_; }

void Entry::setLabel(TString label) { label_ = label; }

TString Entry::getValue() { return value_; }

void Entry::setValue(TString value) { value_ = value; }

bool Entry::isSensitive() { return sensitive_; }

void Entry::setSensitive(bool sensitive) { sensitive_ = sensitive; }

EntryTemplate::EntryTemplate()
    : readOnly_(false), entryCriteria_(nullptr), criteriaLogicalAND_(false) {}

EntryTemplate::EntryTemplate(const EntryTemplate& other)
    : Entry(other),
      readOnly_(other.readOnly_),
      entryCriteria_(detail::copyOf(other.entryCriteria_)),
      criteriaLogicalAND_(other.criteriaLogicalAND_) {}

EntryTemplate::~EntryTemplate() { delete entryCriteria_; }

EntryTemplate* EntryTemplate::clone() const { return new EntryTemplate(*this); }

EntryTemplate& EntryTemplate::operator=(const EntryTemplate& other) {
  if (this != &other) {
    detail::OwnedCopy<Vector<Criteria>> criteria(other.entryCriteria_);
    Entry::operator=(other);
    criteria.handTo(entryCriteria_);
    readOnly_ = other.readOnly_;
    criteriaLogicalAND_ = other.criteriaLogicalAND_;
  }
  return *this;
}

Vector<Criteria>* EntryTemplate::getEntryCriteria() { return detail::copyOf(entryCriteria_); }

void EntryTemplate::setEntryCriteria(Vector<Criteria>* criteria) {
  detail::setCopyOf(entryCriteria_, criteria);
}

bool EntryTemplate::isCriteriaLogicalAND() { return criteriaLogicalAND_; }

void EntryTemplate::setCriteriaLogicalAND(bool logicalAnd) { criteriaLogicalAND_ = logicalAnd; }

bool EntryTemplate::isReadOnly() { return readOnly_; }

void EntryTemplate::setReadOnly(bool readOnly) { readOnly_ = readOnly; }

}  // namespace Quor
