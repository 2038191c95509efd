#include "foundation/allocator.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "foundation/allocation_hooks.h"
#include "quor/base.h"

namespace Quor {
namespace detail {

namespace {

// The standard exception types with the library's own messages.
class AllocationFailure : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "bad allocation"; }
};

class ArrayLengthFailure : public std::bad_array_new_length {
 public:
  const char* what() const noexcept override { return "bad array new length"; }
};

}  // namespace

void* allocate(std::size_t size) {
  // The largest size stands for one that overflowed: no new-handler can make
  // room for it, so asking one would only loop.
  if (size == SIZE_MAX) throw ArrayLengthFailure();
  // In the tests' copy, a chosen allocation fails as exhausted memory that
  // no new-handler relieves.
  if (allocationChosenToFail()) throw AllocationFailure();
  for (;;) {
    // malloc(0) may return null without failing; ask for one byte instead.
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
      blockAllocated();
      return block;
    }
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) break;
    handler();
  }
  throw AllocationFailure();
}

void throwAllocationFailure() { throw AllocationFailure(); }

void release(void* block) noexcept {
  if (block != nullptr) blockReleased();
  std::free(block);
}

wchar_t* allocateChars(std::size_t count) {
  const std::size_t size = count > SIZE_MAX / sizeof(wchar_t) ? SIZE_MAX : count * sizeof(wchar_t);
  return static_cast<wchar_t*>(allocate(size));
}

}  // namespace detail
}  // namespace Quor
