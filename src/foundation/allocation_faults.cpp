#include "foundation/allocation_faults.h"

#include <atomic>

#include "foundation/allocation_hooks.h"

namespace Quor {
namespace detail {

namespace {

std::atomic<long> failureCountdown{0};
std::atomic<long> liveBlocks{0};
std::atomic<long> requests{0};

}  // namespace

bool allocationChosenToFail() {
  ++requests;
  return failureCountdown.load() > 0 && --failureCountdown == 0;
}

void blockAllocated() { ++liveBlocks; }

void blockReleased() { --liveBlocks; }

void failAllocation(long number) { failureCountdown = number > 0 ? number : 0; }

long liveAllocations() { return liveBlocks; }

long allocationsMade() { return requests; }

}  // namespace detail
}  // namespace Quor
