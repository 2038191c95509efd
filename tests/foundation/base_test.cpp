// The class root's allocator, seen from a client module.
#include "quor/base.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "quor/tstring.h"

using Quor::TString;
using Root = Quor::BaseDLLObjectImpl<Quor::BaseDLLInterface>;

// This program's own global allocations and releases, to show which ones the
// library's allocator makes instead; and the calls of a new-handler.
static int globalCalls = 0, handlerCalls = 0;

void* operator new(std::size_t size) {
  ++globalCalls;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept { ++globalCalls, std::free(block); }

void operator delete(void* block, std::size_t) noexcept { ++globalCalls, std::free(block); }

namespace {

// What allocating `size` bytes throws: its message, marked when it is a
// bad_array_new_length.
std::string failure(std::size_t size) {
  try {
    Root::operator new(size);
  } catch (const std::bad_alloc& e) {
    return (dynamic_cast<const std::bad_array_new_length*>(&e) ? "array: " : "") +
           std::string(e.what());
  }
  return "allocated";
}

TEST(BaseTest, ClientNewAndDeleteOfLibraryObjectsUseTheLibrarysAllocator) {
  alignas(TString) unsigned char storage[sizeof(TString)];
  const int before = globalCalls;
  TString* single = new TString(L"abc");
  TString* diagnostic = new (__FILE__, __LINE__) TString(L"def");
  TString* array = new TString[3];
  TString* diagnosticArray = new (__FILE__, __LINE__) TString[2];
  TString* placed = new (static_cast<void*>(storage)) TString(L"ghi");
  placed->~TString();
  single->destroy();
  delete diagnostic;
  delete[] array;
  delete[] diagnosticArray;
  EXPECT_EQ(globalCalls, before);
  EXPECT_EQ(static_cast<void*>(placed), static_cast<void*>(storage));
}

TEST(BaseTest, ExhaustionThrowsBadAllocOnceTheNewHandlerGivesUpOverflowBadArrayNewLength) {
  EXPECT_EQ(failure(SIZE_MAX / 2), "bad allocation");
  std::set_new_handler([] {
    if (++handlerCalls == 3) std::set_new_handler(nullptr);
  });
  // No handler could satisfy an overflowed size: it is never asked.
  EXPECT_EQ(failure(SIZE_MAX), "array: bad array new length");
  EXPECT_EQ(handlerCalls, 0);
  EXPECT_EQ(failure(SIZE_MAX / 2), "bad allocation");
  EXPECT_EQ(handlerCalls, 3);
  std::set_new_handler([] { throw std::runtime_error("handler gave up"); });
  EXPECT_THROW(failure(SIZE_MAX / 2), std::runtime_error);
  std::set_new_handler(nullptr);
}

}  // namespace
