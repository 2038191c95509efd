// The objects that value classes own by pointer. Their members stay plain
// pointers, because the classes' layout is part of the recorded interface.
#ifndef QUOR_SRC_MODEL_OWNED_H_
#define QUOR_SRC_MODEL_OWNED_H_

#include <memory>

namespace Quor {
namespace detail {

// A new copy of *source made with T's copy constructor, or null; the caller
// owns it.
template <class T>
T* copyOf(const T* source) {
  return source != nullptr ? new T(*source) : nullptr;
}

// A copy held until it is handed to the member that will own it. A copy or
// an assignment makes every OwnedCopy it needs before it changes anything and
// hands them over last, so a copy that fails leaks nothing and leaves the
// object as it was.
template <class T>
class OwnedCopy {
 public:
  explicit OwnedCopy(const T* source) : copy_(copyOf(source)) {}

  // Releases the object that `member` owns and puts the copy in its place.
  void handTo(T*& member) {
    T* old = member;
    member = copy_.release();
    delete old;
  }

 private:
  std::unique_ptr<T> copy_;
};

// What a setter does: `member` owns a copy of *source (or null) from now on.
template <class T>
void setCopyOf(T*& member, const T* source) {
  OwnedCopy<T>(source).handTo(member);
}

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_MODEL_OWNED_H_
