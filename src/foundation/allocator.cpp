#include "foundation/allocator.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "quor/base.h"

#if defined(QUOR_ALLOCATION_FAULTS)
#include <atomic>

#include "foundation/allocation_faults.h"
#endif

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

#if defined(QUOR_ALLOCATION_FAULTS)
std::atomic<long> failureCountdown{0};
std::atomic<long> liveBlocks{0};
std::atomic<long> requests{0};

// Counts a request and tells whether it is the one that failAllocation() chose.
bool chosenToFail() {
  ++requests;
  return failureCountdown.load() > 0 && --failureCountdown == 0;
}
#endif

}  // namespace

#if defined(QUOR_ALLOCATION_FAULTS)
void failAllocation(long number) { failureCountdown = number > 0 ? number : 0; }

long liveAllocations() { return liveBlocks; }

long allocationsMade() { return requests; }
#endif

void* allocate(std::size_t size) {
  // The largest size stands for one that overflowed: no new-handler can make
  // room for it, so asking one would only loop.
  if (size == SIZE_MAX) throw ArrayLengthFailure();
#if defined(QUOR_ALLOCATION_FAULTS)
  // A chosen failure is exhausted memory that no new-handler can relieve.
  if (chosenToFail()) throw AllocationFailure();
#endif
  for (;;) {
    // malloc(0) may return null without failing; ask for one byte instead.
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
#if defined(QUOR_ALLOCATION_FAULTS)
      ++liveBlocks;
#endif
      return block;
    }
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) break;
    handler();
  }
  throw AllocationFailure();
}

void release(void* block) noexcept {
#if defined(QUOR_ALLOCATION_FAULTS)
  if (block != nullptr) --liveBlocks;
#endif
  std::free(block);
}

wchar_t* allocateChars(std::size_t count) {
  const std::size_t size = count > SIZE_MAX / sizeof(wchar_t) ? SIZE_MAX : count * sizeof(wchar_t);
  return static_cast<wchar_t*>(allocate(size));
}

}  // namespace detail
}  // namespace Quor
