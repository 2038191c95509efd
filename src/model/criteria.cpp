#include "quor/managed.h"

namespace Quor {

Criteria::Criteria() {}

Criteria::Criteria(TString id, TString comparison, TString value)
    : id_(id), comparison_(comparison), value_(value) {}

Criteria::Criteria(const Criteria& other) = default;

Criteria::~Criteria() = default;

Criteria& Criteria::operator=(const Criteria& other) = default;

Criteria* Criteria::clone() const { return new Criteria(*this); }

TString Criteria::getId() { return id_; }

TString Criteria::getComparison() { return comparison_; }

TString Criteria::getValue() { return value_; }

void Criteria::setId(TString id) { id_ = id; }

void Criteria::setComparison(TString comparison) { comparison_ = comparison; }

void Criteria::setValue(TString value) { value_ = value; }

}  // namespace Quor
