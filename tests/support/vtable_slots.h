// The virtual-table slot of a virtual member function, read from its
// pointer-to-member representation in the Itanium C++ ABI, which GCC and
// Clang follow on Linux and on MinGW-w64: for a virtual function the pointer
// field holds 1 plus the slot's offset in bytes. A slot is what a client
// compiled against the headers calls, so comparing slots with the declared
// order pins the binary interface.
#ifndef QUOR_TESTS_SUPPORT_VTABLE_SLOTS_H_
#define QUOR_TESTS_SUPPORT_VTABLE_SLOTS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quor_test {

// The slot number of `member`, or -1 when it is not virtual.
template <class MemberPointer>
long vtableSlot(MemberPointer member) {
  struct Representation {
    std::uintptr_t pointer;
    std::ptrdiff_t adjustment;
  };
  static_assert(sizeof(MemberPointer) == sizeof(Representation),
                "not an Itanium pointer to member function");
  Representation representation;
  std::memcpy(&representation, &member, sizeof representation);
  if ((representation.pointer & 1) == 0) return -1;
  return static_cast<long>((representation.pointer - 1) / sizeof(void*));
}

}  // namespace quor_test

#endif  // QUOR_TESTS_SUPPORT_VTABLE_SLOTS_H_
