// Vector<T>'s growth, copies and errors, through Vector<TString>.
#include "quor/vector.h"

#include <stdexcept>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace {

using Quor::TString;
using Shape = std::pair<unsigned int, unsigned int>;  // size, capacity

// Exposes the protected capacity change.
struct Strings : Quor::Vector<TString> {
  using Quor::Vector<TString>::increaseCapacity;
  Shape shape() const { return {size(), capacity()}; }
};

// A vector holding "0", "1", ... "n-1", appended one by one.
Strings numbered(unsigned int n) {
  Strings v;
  for (unsigned int i = 0; i < n; ++i) v.push_back(TString(std::to_wstring(i).c_str()));
  return v;
}

// The message of the std::out_of_range that `access` throws.
template <typename Access>
std::string rangeError(Access access) {
  try {
    access();
  } catch (const std::out_of_range& e) {
    return e.what();
  }
  return "no exception";
}

TEST(VectorTest, NewVectorRejectsEveryAccessAndGrowsFiveSlotsAtATimeKeepingReferences) {
  Strings v;
  const std::string range = "Position exceeds range of vector elements";
  EXPECT_EQ(rangeError([&] { v.at(0); }), range);
  EXPECT_EQ(rangeError([&] { v[0]; }), range);
  EXPECT_EQ(rangeError([&] { v.front(); }), range);
  EXPECT_EQ(rangeError([&] { v.back(); }), range);
  const unsigned int capacity[] = {5, 5, 5, 5, 5, 5, 10, 10, 10, 10, 10, 15};
  for (unsigned int n = 0; n < 12; v.push_back(TString(std::to_wstring(n++).c_str())))
    EXPECT_EQ(v.shape(), Shape(n, capacity[n]));
  const TString* first = &v.front();
  v.push_back(numbered(20));
  EXPECT_EQ(&v.front(), first);
  EXPECT_EQ(*first, TString(L"0"));
}

TEST(VectorTest, CopyAndAssignmentAreDeepWithSourceCapacityPlusFive) {
  const Strings source = numbered(7);  // capacity 10
  Strings copy(source), target = numbered(3);
  target = source;
  Strings& same = target;
  target = same;
  for (const Strings* v : {&copy, &target}) {
    EXPECT_EQ(v->shape(), Shape(7, 15));
    EXPECT_EQ(v->back(), TString(L"6"));
    EXPECT_NE(&v->front(), &source.front());
  }
}

TEST(VectorTest, AppendingStoresCopiesIgnoresNullReservesOnlyTheShortfallAndReadsItselfOnce) {
  Strings v = numbered(3), w = numbered(3);
  const TString x(L"x");
  v.push_back(numbered(4));
  w.push_back(numbered(2));
  EXPECT_EQ(v.shape(), Shape(7, 7));
  EXPECT_EQ(w.shape(), Shape(5, 5));
  w.push_back(&x);
  w.push_back(nullptr);
  EXPECT_EQ(w.size(), 6u);
  EXPECT_EQ(w.back(), x);
  EXPECT_NE(&w.back(), &x);
  v.push_back(v);
  v += v;
  ASSERT_EQ(v.size(), 28u);
  EXPECT_EQ(v[27], TString(L"3"));
}

TEST(VectorTest, OnlyClearShrinksCapacityAndNeverBelowSize) {
  Strings v = numbered(6);  // capacity 10
  EXPECT_EQ(rangeError([&] { v.increaseCapacity(0u - 5u); }),
            "Current size superior at next capacity");
  EXPECT_EQ(v.shape(), Shape(6, 10));
  v.pop_back();
  EXPECT_EQ(v.shape(), Shape(5, 10));
  EXPECT_EQ(v.back(), TString(L"4"));
  v.clear();
  v.pop_back();
  EXPECT_EQ(v.shape(), Shape(0, 5));
}

}  // namespace
