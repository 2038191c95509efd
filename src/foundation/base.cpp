#include "quor/base.h"

#include "foundation/allocator.h"

namespace Quor {

BaseDLLInterface::~BaseDLLInterface() {}

template <class Interface>
BaseDLLObjectImpl<Interface>::BaseDLLObjectImpl() {}

template <class Interface>
BaseDLLObjectImpl<Interface>::BaseDLLObjectImpl(const BaseDLLObjectImpl&) : Interface() {}

template <class Interface>
BaseDLLObjectImpl<Interface>& BaseDLLObjectImpl<Interface>::operator=(const BaseDLLObjectImpl&) {
  return *this;
}

template <class Interface>
void BaseDLLObjectImpl<Interface>::destroy() {
  delete this;
}

template <class Interface>
BaseDLLObjectImpl<Interface>::~BaseDLLObjectImpl() {}

template <class Interface>
void* BaseDLLObjectImpl<Interface>::operator new(std::size_t size) {
  return detail::allocate(size);
}

template <class Interface>
void* BaseDLLObjectImpl<Interface>::operator new(std::size_t size, const char*, int) {
  return detail::allocate(size);
}

template <class Interface>
void* BaseDLLObjectImpl<Interface>::operator new[](std::size_t size) {
  return detail::allocate(size);
}

template <class Interface>
void* BaseDLLObjectImpl<Interface>::operator new[](std::size_t size, const char*, int) {
  return detail::allocate(size);
}

template <class Interface>
void* BaseDLLObjectImpl<Interface>::operator new(std::size_t, void* where) {
  return where;
}

template <class Interface>
void BaseDLLObjectImpl<Interface>::operator delete(void* p) {
  detail::release(p);
}

template <class Interface>
void BaseDLLObjectImpl<Interface>::operator delete(void* p, const char*, int) {
  detail::release(p);
}

template <class Interface>
void BaseDLLObjectImpl<Interface>::operator delete[](void* p) {
  detail::release(p);
}

template <class Interface>
void BaseDLLObjectImpl<Interface>::operator delete[](void* p, const char*, int) {
  detail::release(p);
}

template class BaseDLLObjectImpl<BaseDLLInterface>;

}  // namespace Quor
