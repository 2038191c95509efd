// The class root of every object that quor-interfaces exports, and the module
// allocator behind it.
//
// Every exported class that is not a pure interface derives from
// BaseDLLObjectImpl<BaseDLLInterface>. Its class-level operator new and
// operator delete are compiled into the library, so every object of an
// exported class is allocated and released in the library's own heap, also
// when a client module writes the `new` or the `delete`. An object may
// therefore be created in one module and released in another, whatever C++
// runtime each module was built with.
//
// Objects that the library hands out by pointer are released with destroy().
//
// Exhausted memory: every allocation first gives the process's new-handler
// (std::set_new_handler) its chance to free memory and retries while a
// handler is installed; then it throws std::bad_alloc, whose what() is
// "bad allocation", or std::bad_array_new_length ("bad array new length")
// for a request whose size cannot be represented.
#ifndef QUOR_BASE_H_
#define QUOR_BASE_H_

#include <cstddef>

#include "quor/export.h"

namespace Quor {

// The root interface. Pure interfaces such as Manager derive from it
// directly, so destroy() is their first virtual operation.
class QUOR_API BaseDLLInterface {
 public:
  // Releases the object. The object must not be used afterwards.
  virtual void destroy() = 0;

 protected:
  // Not virtual and not public: an object is released through destroy(),
  // never by deleting a BaseDLLInterface pointer.
  ~BaseDLLInterface();
};

// The class root of every exported class that is not a pure interface. It has
// no data; it gives its derived classes destroy(), a virtual destructor and
// the module allocator. The library uses it in the one instantiation
// BaseDLLObjectImpl<BaseDLLInterface>.
template <class Interface>
class BaseDLLObjectImpl : public Interface {
 public:
  BaseDLLObjectImpl();
  BaseDLLObjectImpl(const BaseDLLObjectImpl& other);
  // Copies nothing (the root has no data) and returns *this.
  BaseDLLObjectImpl& operator=(const BaseDLLObjectImpl& other);

  // Deletes the object through its virtual destructor; the memory goes back
  // to the library's heap. The object must not be used afterwards.
  virtual void destroy();
  virtual ~BaseDLLObjectImpl();

  // Allocate `size` bytes from the library's heap; see the file comment for
  // what happens when memory is exhausted. `file` and `line`, a source
  // position for diagnostic builds, are ignored.
  static void* operator new(std::size_t size);
  static void* operator new(std::size_t size, const char* file, int line);
  static void* operator new[](std::size_t size);
  static void* operator new[](std::size_t size, const char* file, int line);
  // Placement form: allocates nothing and returns `where`.
  static void* operator new(std::size_t size, void* where);

  // Return `p` to the library's heap; a null `p` is ignored.
  static void operator delete(void* p);
  static void operator delete(void* p, const char* file, int line);
  static void operator delete[](void* p);
  static void operator delete[](void* p, const char* file, int line);
};

// Instantiated and exported by the library only; a client never compiles a
// copy of its own.
extern template class QUOR_API BaseDLLObjectImpl<BaseDLLInterface>;

}  // namespace Quor

#endif  // QUOR_BASE_H_
