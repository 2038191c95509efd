// Owned<T>: each object it takes is released once, with destroy(), by whoever
// holds it last.
#include "quor/owned.h"

#include <utility>

#include <gtest/gtest.h>

#include "quor/base.h"

namespace {

using Quor::Owned;

// Counts the calls of its destroy() instead of releasing anything.
struct Counted : Quor::BaseDLLInterface {
  void destroy() override { ++destroyed; }
  int destroyed = 0;
};
struct DerivedCounted : Counted {};

TEST(OwnedTest, EachObjectIsDestroyedOnceByItsLastHolderAndNeverAfterRelease) {
  Counted a, b, c;
  {
    Owned<Counted> first(&a);
    EXPECT_TRUE(first && first.get() == &a && &*first == &a && first->destroyed == 0);
    Owned<Counted> second(std::move(first));
    EXPECT_TRUE(!first && second.get() == &a);
    second = std::move(second);  // self-assignment keeps the object
    EXPECT_EQ(second.get(), &a);
    second.reset(&b);  // releases a
    EXPECT_EQ(a.destroyed, 1);
    second.reset(&b);  // the object held: kept
    first = Owned<Counted>(&c);
    second = std::move(first);  // releases b, holds c
    EXPECT_EQ(b.destroyed, 1);
    EXPECT_EQ(second.release(), &c);
    EXPECT_FALSE(second);
    second = nullptr;
  }
  EXPECT_EQ(a.destroyed + b.destroyed + c.destroyed, 2);  // c was released, not destroyed

  DerivedCounted derived;
  {
    Owned<Counted> base{Owned<DerivedCounted>(&derived)};
    const Owned<Counted> none = nullptr;
    EXPECT_FALSE(none);
  }
  EXPECT_EQ(derived.destroyed, 1);
}

}  // namespace
