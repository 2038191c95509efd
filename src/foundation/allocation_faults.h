// Allocation faults for tests: makes a chosen allocation of the module
// allocator fail and counts the blocks that it hands out, so that a test can
// fail every allocation of an operation in turn and check that nothing leaks.
//
// It exists only in objects compiled with QUOR_ALLOCATION_FAULTS, which the
// build gives to a test-only copy of the library's objects; the shared library
// and the installed headers know nothing of it.
//
// The counters are atomic, so another thread's allocations keep them exact;
// which allocation fails is exact only while one thread allocates, as it is in
// the sweeps.
#ifndef QUOR_SRC_FOUNDATION_ALLOCATION_FAULTS_H_
#define QUOR_SRC_FOUNDATION_ALLOCATION_FAULTS_H_

#if !defined(QUOR_ALLOCATION_FAULTS)
#error "foundation/allocation_faults.h needs QUOR_ALLOCATION_FAULTS"
#endif

namespace Quor {
namespace detail {

// Makes the `number`-th allocation from now (1 for the next one) fail as
// exhausted memory does when no new-handler is installed: it throws
// std::bad_alloc "bad allocation" without calling malloc or a new-handler.
// Allocations before it succeed; so do those after it. 0 disarms.
void failAllocation(long number);

// Blocks allocated and not yet released.
long liveAllocations();

// Allocations asked for, the failed ones included; a request of an
// overflowed size (std::bad_array_new_length) is not counted.
long allocationsMade();

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_ALLOCATION_FAULTS_H_
