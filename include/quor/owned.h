// Owned<T>: the sole owner of one object that is released with destroy().
//
// Every object that the library or a manager module hands out by pointer for
// the caller to release (a new TString or value object, the copy that a
// pointer getter returns, the Manager from createManager(), the answer of
// Manager::execute()) is released with its destroy(), never with delete.
// Owned<T> calls destroy() when it goes out of scope, as std::unique_ptr
// calls delete:
//
//   Quor::Owned<Quor::CredentialId> id(credential.getCredentialId());
//   if (id) use(id->getId());            // destroyed at the end of the scope
//
// It is compiled into the code that uses it; nothing of it crosses a module
// boundary but the object's own destroy(). Move-only; not thread-safe (as
// std::unique_ptr, one Owned must not be changed by two threads at once).
#ifndef QUOR_OWNED_H_
#define QUOR_OWNED_H_

#include <cstddef>
#include <type_traits>

namespace Quor {

template <class T>
class Owned {
 public:
  Owned() noexcept : object_(nullptr) {}
  Owned(std::nullptr_t) noexcept : object_(nullptr) {}
  // Takes ownership of `object` (may be null).
  explicit Owned(T* object) noexcept : object_(object) {}
  Owned(Owned&& other) noexcept : object_(other.release()) {}
  // Takes over the object of an Owned of a derived class.
  template <class U, class = typename std::enable_if<std::is_convertible<U*, T*>::value>::type>
  Owned(Owned<U>&& other) noexcept : object_(other.release()) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  // Releases the object held, if any.
  ~Owned() { reset(); }

  // Releases the object held and takes over other's; self-assignment keeps it.
  Owned& operator=(Owned&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Owned& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }

  // The object, still owned here; null when none is held.
  T* get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  T& operator*() const noexcept { return *object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  // Gives up ownership without releasing: the caller must destroy() the
  // object returned. Holds null afterwards.
  T* release() noexcept {
    T* object = object_;
    object_ = nullptr;
    return object;
  }

  // Holds `object` instead and then releases the old object (when it is not
  // `object` itself).
  void reset(T* object = nullptr) noexcept {
    T* old = object_;
    object_ = object;
    if (old != nullptr && old != object) old->destroy();
  }

 private:
  T* object_;
};

}  // namespace Quor

#endif  // QUOR_OWNED_H_
