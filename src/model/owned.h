// Deep copies of the objects that value classes own by pointer.
#ifndef QUOR_SRC_MODEL_OWNED_H_
#define QUOR_SRC_MODEL_OWNED_H_

namespace Quor {
namespace detail {

// A new copy of *source made with T's copy constructor, or null.
template <class T>
T* copyOf(const T* source) {
  return source != nullptr ? new T(*source) : nullptr;
}

// Replaces the object that `member` owns with `copy`, releasing the old one
// through its virtual destructor. The copy is made before anything is
// released, so a failed copy leaves the member as it was.
template <class T>
void replaceOwned(T*& member, T* copy) {
  T* old = member;
  member = copy;
  delete old;
}

template <class T>
void setCopyOf(T*& member, const T* source) {
  replaceOwned(member, copyOf(source));
}

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_MODEL_OWNED_H_
