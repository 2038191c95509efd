// The class root's allocator, seen from a client module.
#include "quor/base.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include "quor/tstring.h"

namespace {

using Root = Quor::BaseDLLObjectImpl<Quor::BaseDLLInterface>;

// Counts this program's own global allocations, to show which ones the
// library's allocator makes instead.
int globalNewCalls = 0;

}  // namespace

void* operator new(std::size_t size) {
  ++globalNewCalls;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }

void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

TEST(BaseTest, ClientNewAndDeleteOfLibraryObjectsUseTheLibrarysAllocator) {
  const int before = globalNewCalls;
  Quor::TString* single = new Quor::TString(L"abc");
  Quor::TString* diagnostic = new (__FILE__, __LINE__) Quor::TString(L"def");
  Quor::TString* array = new Quor::TString[3];
  EXPECT_EQ(globalNewCalls, before);

  EXPECT_EQ(*single, Quor::TString(L"abc"));
  EXPECT_EQ(*diagnostic, Quor::TString(L"def"));
  EXPECT_TRUE(array[2].empty());
  single->destroy();
  delete diagnostic;
  delete[] array;
}

TEST(BaseTest, PlacementNewReturnsItsAddressAndAllocatesNothing) {
  alignas(Quor::TString) unsigned char storage[sizeof(Quor::TString)];
  EXPECT_EQ(Root::operator new(sizeof storage, static_cast<void*>(storage)),
            static_cast<void*>(storage));
  // Operator delete ignores null, whichever form.
  Root::operator delete(nullptr);
  Root::operator delete[](nullptr);
  Root::operator delete(nullptr, __FILE__, __LINE__);
  Root::operator delete[](nullptr, __FILE__, __LINE__);
}

TEST(BaseTest, ExhaustionThrowsBadAllocAndOverflowBadArrayNewLength) {
  try {
    Root::operator new(SIZE_MAX / 2);
    FAIL() << "an impossible allocation succeeded";
  } catch (const std::bad_array_new_length&) {
    FAIL() << "a size that did not overflow reported an overflow";
  } catch (const std::bad_alloc& e) {
    EXPECT_EQ(std::string(e.what()), "bad allocation");
  }
  try {
    Root::operator new[](SIZE_MAX);
    FAIL() << "an overflowed size was allocated";
  } catch (const std::bad_array_new_length& e) {
    EXPECT_EQ(std::string(e.what()), "bad array new length");
  }
}

int handlerCalls = 0;

void giveUpAfterThreeCalls() {
  if (++handlerCalls == 3) std::set_new_handler(nullptr);
}

[[noreturn]] void throwOwnException() { throw std::runtime_error("handler gave up"); }

TEST(BaseTest, NewHandlerGetsItsChanceBeforeTheAllocatorGivesUp) {
  handlerCalls = 0;
  std::set_new_handler(giveUpAfterThreeCalls);
  EXPECT_THROW(Root::operator new(SIZE_MAX / 2), std::bad_alloc);
  EXPECT_EQ(handlerCalls, 3);

  // What a handler throws reaches the caller.
  std::set_new_handler(throwOwnException);
  EXPECT_THROW(Root::operator new(SIZE_MAX / 2), std::runtime_error);
  // An overflowed size never asks the handler: no handler could satisfy it.
  EXPECT_THROW(Root::operator new(SIZE_MAX), std::bad_array_new_length);
  std::set_new_handler(nullptr);
}

}  // namespace
