// The module allocator: every object, string buffer and table that the
// library hands out is allocated and released here, so that it can be released
// from any module.
#ifndef QUOR_SRC_FOUNDATION_ALLOCATOR_H_
#define QUOR_SRC_FOUNDATION_ALLOCATOR_H_

#include <cstddef>

namespace Quor {
namespace detail {

// Allocates `size` bytes with malloc. While malloc fails and a new-handler is
// installed, calls the handler and tries again; without one, throws
// std::bad_alloc ("bad allocation"). The largest size_t stands for a size
// that overflowed and throws std::bad_array_new_length ("bad array new
// length") at once. A request of 0 bytes returns a unique block.
void* allocate(std::size_t size);

// Throws the std::bad_alloc ("bad allocation") of exhausted memory, for
// memory that another allocator (the C runtime's, inside a formatter) could
// not find.
[[noreturn]] void throwAllocationFailure();

// Returns a block from allocate() to the heap; null is ignored.
void release(void* block) noexcept;

// Allocates an array of `count` wide characters. A count whose byte size
// overflows throws std::bad_array_new_length.
wchar_t* allocateChars(std::size_t count);

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_ALLOCATOR_H_
