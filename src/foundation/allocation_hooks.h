// The points at which the module allocator reports to the allocation-fault
// unit of the tests (foundation/allocation_faults.cpp). That unit is compiled
// only into the test-only copy of the library's objects, built with
// QUOR_ALLOCATION_FAULTS; everywhere else these are empty inline functions,
// and the shipped allocator carries nothing of it.
#ifndef QUOR_SRC_FOUNDATION_ALLOCATION_HOOKS_H_
#define QUOR_SRC_FOUNDATION_ALLOCATION_HOOKS_H_

namespace Quor {
namespace detail {

#if defined(QUOR_ALLOCATION_FAULTS)
// Counts a request; true when it is the one chosen to fail.
bool allocationChosenToFail();
void blockAllocated();
void blockReleased();
#else
inline bool allocationChosenToFail() { return false; }
inline void blockAllocated() {}
inline void blockReleased() {}
#endif

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_ALLOCATION_HOOKS_H_
