// The definition of Vector<T>'s members. Included only where the library
// instantiates the template: foundation/vector.cpp for TString, and
// model/vectors.cpp for the value classes.
#ifndef QUOR_SRC_FOUNDATION_VECTOR_IMPL_H_
#define QUOR_SRC_FOUNDATION_VECTOR_IMPL_H_

#include <cstddef>

#include "foundation/errors.h"
#include "quor/vector.h"

namespace Quor {

namespace detail {

constexpr char kVectorRangeMessage[] = "Position exceeds range of vector elements";
constexpr char kVectorCapacityMessage[] = "Current size superior at next capacity";
constexpr unsigned int kVectorGrowth = 5;

// A table of `capacity` element pointers from the module allocator.
template <class T>
T** allocateTable(unsigned int capacity) {
  return static_cast<T**>(BaseDLLObjectImpl<BaseDLLInterface>::operator new[](
      static_cast<std::size_t>(capacity) * sizeof(T*)));
}

inline void releaseTable(void* table) {
  BaseDLLObjectImpl<BaseDLLInterface>::operator delete[](table);
}

}  // namespace detail

template <class T>
Vector<T>::Vector() {
  init(detail::kVectorGrowth);
}

template <class T>
Vector<T>::Vector(const Vector<T>& other) : BaseDLLObjectImpl<BaseDLLInterface>(other) {
  init(other.capacity_ + detail::kVectorGrowth);
  try {
    push_back(other);
  } catch (...) {
    detail::releaseTable(elements_);
    throw;
  }
}

template <class T>
Vector<T>::~Vector() {
  for (unsigned int i = 0; i < size_; ++i) delete elements_[i];
  detail::releaseTable(elements_);
}

template <class T>
void Vector<T>::push_back(const Vector<T>& other) {
  // Read once: appending a vector to itself appends what it held at the start.
  const unsigned int count = other.size_;
  const unsigned int free = capacity_ - size_;
  if (free < count) increaseCapacity(count - free);
  const unsigned int start = size_;
  try {
    for (unsigned int i = 0; i < count; ++i) push_back(other[i]);
  } catch (...) {
    while (size_ > start) delete elements_[--size_];
    throw;
  }
}

template <class T>
void Vector<T>::push_back(const T* value) {
  if (value != nullptr) push_back(*value);
}

template <class T>
void Vector<T>::push_back(const T& value) {
  // The copy is made first: if it fails, nothing has changed. `value` may be
  // an element of this vector; elements never move, so it stays valid.
  T* element = new T(value);
  if (capacity_ < size_ + 1) {
    try {
      increaseCapacity(detail::kVectorGrowth);
    } catch (...) {
      delete element;
      throw;
    }
  }
  elements_[size_++] = element;
}

template <class T>
void Vector<T>::pop_back() {
  if (size_ == 0) return;
  delete elements_[--size_];
}

template <class T>
void Vector<T>::clear() {
  T** table = detail::allocateTable<T>(detail::kVectorGrowth);
  for (unsigned int i = 0; i < size_; ++i) delete elements_[i];
  detail::releaseTable(elements_);
  elements_ = table;
  size_ = 0;
  capacity_ = detail::kVectorGrowth;
}

template <class T>
Vector<T>& Vector<T>::operator=(const Vector<T>& other) {
  if (this == &other) return *this;
  try {
    clear();
  } catch (...) {
    // A failed clear() changes nothing, but a failed assignment leaves the
    // vector empty: release the elements and keep the table.
    while (size_ > 0) delete elements_[--size_];
    throw;
  }
  const unsigned int capacity = other.capacity_ + detail::kVectorGrowth;
  T** table = detail::allocateTable<T>(capacity);
  detail::releaseTable(elements_);
  elements_ = table;
  capacity_ = capacity;
  push_back(other);
  return *this;
}

template <class T>
Vector<T>& Vector<T>::operator+=(const Vector<T>& other) {
  push_back(other);
  return *this;
}

template <class T>
T& Vector<T>::operator[](unsigned int index) const {
  return at(index);
}

template <class T>
T& Vector<T>::front() const {
  return at(0);
}

template <class T>
T& Vector<T>::back() const {
  return at(size_ - 1);
}

template <class T>
unsigned int Vector<T>::capacity() const {
  return capacity_;
}

template <class T>
unsigned int Vector<T>::size() const {
  return size_;
}

template <class T>
bool Vector<T>::empty() const {
  return size_ == 0;
}

template <class T>
T& Vector<T>::at(unsigned int index) const {
  if (index >= size_) detail::throwOutOfRange(detail::kVectorRangeMessage);
  return *elements_[index];
}

template <class T>
void Vector<T>::init(unsigned int capacity) {
  elements_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  increaseCapacity(capacity);
}

template <class T>
void Vector<T>::increaseCapacity(unsigned int extra) {
  const unsigned int capacity = capacity_ + extra;  // wraps modulo 2^32
  if (size_ > capacity) detail::throwOutOfRange(detail::kVectorCapacityMessage);
  T** table = detail::allocateTable<T>(capacity);
  for (unsigned int i = 0; i < size_; ++i) table[i] = elements_[i];
  detail::releaseTable(elements_);
  elements_ = table;
  capacity_ = capacity;
}

}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_VECTOR_IMPL_H_
