// Vector<T>: the sequence that quor-interfaces hands across module boundaries.
//
// Lists of value objects travel between clients, the library and manager
// modules as Vector<T> objects or pointers to them. The library instantiates
// and exports the template for eleven element types: TString here, and
// Criteria, Parameter, ConfigurationId, Entry, EntryTemplate, CredentialId,
// CredentialElement, Credential, TransactionId and ExternalOperation in
// quor/values.h. Every operation, every allocation of the table and of the
// elements included, runs inside the library; a client never compiles a copy
// of its own.
//
// Ownership. A vector holds each element by pointer, as its own copy made
// with T's copy constructor, and destroys it when the element is removed or
// the vector is destroyed. It never stores a caller's object: push_back(&x)
// copies x, which stays the caller's.
//
// Growth. The table of pointers grows 5 slots at a time, never by a factor:
// a new vector has capacity 5; an append that finds no free slot adds 5; a
// copy or an assignment gets the source's capacity plus 5; clear() leaves 5.
// Appending n elements one by one reallocates the table about n/5 times.
// Growing moves only pointers, so a reference to an element stays valid until
// that element is removed or the vector is destroyed.
//
// Errors. Element access with an index not below size() throws
// std::out_of_range "Position exceeds range of vector elements"; a capacity
// change that would drop below size() throws std::out_of_range "Current size
// superior at next capacity". Exhausted memory throws std::bad_alloc (see
// quor/base.h), and nothing leaks: a failed append of one element or of a
// whole vector leaves the elements as they were (a batch append may keep the
// capacity it reserved), a failed clear() changes nothing, and a failed
// assignment leaves the vector empty.
//
// Operations described as working "through" another call that other one
// through the virtual table, so a derived class's override takes effect.
//
// Thread safety: none. One vector must not be used from two threads at once
// while either changes it; distinct vectors are independent.
#ifndef QUOR_VECTOR_H_
#define QUOR_VECTOR_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/tstring.h"

namespace Quor {

template <class T>
class Vector : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  // Size 0, capacity 5.
  Vector();
  // Copies of other's elements in order; capacity is other's capacity + 5.
  Vector(const Vector<T>& other);
  virtual ~Vector();

  // Appends copies of other's elements in order, reserving room for all of
  // them first (the capacity grows by exactly the shortfall). Appending a
  // vector to itself appends the elements present when the call began.
  virtual void push_back(const Vector<T>& other);
  // Appends a copy of *value; a null `value` appends nothing.
  virtual void push_back(const T* value);
  // Appends a copy of `value`, growing by 5 slots when the table is full.
  virtual void push_back(const T& value);
  // Destroys the last element; on an empty vector does nothing. The capacity
  // is unchanged.
  virtual void pop_back();
  // Destroys every element; afterwards size 0 and capacity 5.
  virtual void clear();
  // Replaces the elements with copies of other's (through clear() and
  // push_back(const Vector&)); capacity becomes other's capacity + 5.
  // Assigning a vector to itself changes nothing.
  virtual Vector<T>& operator=(const Vector<T>& other);
  virtual Vector<T>& operator+=(const Vector<T>& other);

  // Element access through at(): a reference that the caller may change in
  // place, also through a const vector. Throws std::out_of_range when the
  // index is not below size().
  virtual T& operator[](unsigned int index) const;
  virtual T& front() const;
  // at(size() - 1) in unsigned arithmetic: throws on an empty vector.
  virtual T& back() const;

  virtual unsigned int capacity() const;
  virtual unsigned int size() const;
  virtual bool empty() const;
  virtual T& at(unsigned int index) const;

 protected:
  // Sets up an empty table of `capacity` slots in a vector that holds none.
  void init(unsigned int capacity);
  // Grows the table by `extra` slots (modulo 2^32). Throws std::out_of_range
  // when the new capacity is below size(); the vector is unchanged then, and
  // also when the new table cannot be allocated.
  void increaseCapacity(unsigned int extra);

 private:
  T** elements_;
  unsigned int size_;
  unsigned int capacity_;
};

extern template class QUOR_API Vector<TString>;

}  // namespace Quor

#endif  // QUOR_VECTOR_H_
