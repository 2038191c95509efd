#include <ctime>

#include "quor/managed.h"

namespace Quor {

namespace {

long long now() { return static_cast<long long>(std::time(nullptr)); }

// A new block of the module allocator holding `time`, released by the caller
// with the class root's operator delete.
long long* timeBlock(long long time) {
  long long* block =
      static_cast<long long*>(BaseDLLObjectImpl<BaseDLLInterface>::operator new(sizeof(long long)));
  *block = time;
  return block;
}

}  // namespace

Managed::Managed() : created_(now()), modified_(now()) {}

Managed::Managed(const Managed& other) = default;

Managed::~Managed() = default;

Managed& Managed::operator=(const Managed& other) = default;

Managed* Managed::clone() const { return new Managed(*this); }

TString Managed::getState() { return state_; }

long long* Managed::getModified() { return timeBlock(modified_); }

long long* Managed::getCreated() { return timeBlock(created_); }

void Managed::setState(TString state) { state_ = state; }

void Managed::setModified(long long* time) { modified_ = time != nullptr ? *time : now(); }

void Managed::setCreated(long long* time) { created_ = time != nullptr ? *time : now(); }

}  // namespace Quor
