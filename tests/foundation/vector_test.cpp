// Vector<T>'s growth, copies and errors, through Vector<TString>.
#include "quor/vector.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace {

using Quor::TString;
using Strings = Quor::Vector<TString>;

// A vector holding "0", "1", ... "n-1", appended one by one.
Strings numbered(unsigned int n) {
  Strings v;
  for (unsigned int i = 0; i < n; ++i) v.push_back(TString(std::to_wstring(i).c_str()));
  return v;
}

void expectRangeError(void (*access)(const Strings&), const Strings& v) {
  try {
    access(v);
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Position exceeds range of vector elements");
  }
}

TEST(VectorTest, NewVectorIsEmptyWithFiveSlotsAndRejectsEveryAccess) {
  const Strings v;
  EXPECT_EQ(v.size(), 0u);
  EXPECT_EQ(v.capacity(), 5u);
  EXPECT_TRUE(v.empty());
  expectRangeError([](const Strings& s) { s.at(0); }, v);
  expectRangeError([](const Strings& s) { s[0]; }, v);
  expectRangeError([](const Strings& s) { s.front(); }, v);
  expectRangeError([](const Strings& s) { s.back(); }, v);
}

TEST(VectorTest, GrowsFiveSlotsAtATime) {
  Strings v;
  const unsigned int expected[] = {5, 5, 5, 5, 5, 10, 10, 10, 10, 10, 15};
  for (unsigned int i = 0; i < 11; ++i) {
    v.push_back(TString(L"x"));
    EXPECT_EQ(v.capacity(), expected[i]) << "after " << i + 1 << " appends";
  }
  EXPECT_EQ(v.size(), 11u);
  expectRangeError([](const Strings& s) { s.at(11); }, v);
}

TEST(VectorTest, ReferencesStayValidAcrossGrowth) {
  Strings v;
  v.push_back(TString(L"first"));
  TString& first = v.front();
  const TString* address = &first;
  for (int i = 0; i < 20; ++i) v.push_back(TString(L"more"));
  EXPECT_EQ(&v.front(), address);
  EXPECT_EQ(first, TString(L"first"));
}

TEST(VectorTest, CopyAndAssignmentAreDeepWithSourceCapacityPlusFive) {
  Strings source = numbered(7);  // capacity 10
  ASSERT_EQ(source.capacity(), 10u);

  Strings copy(source);
  EXPECT_EQ(copy.size(), 7u);
  EXPECT_EQ(copy.capacity(), 15u);
  copy[3].assign(L"changed");
  EXPECT_EQ(source[3], TString(L"3"));
  EXPECT_NE(&copy[0], &source[0]);

  Strings target = numbered(3);
  target = source;
  EXPECT_EQ(target.size(), 7u);
  EXPECT_EQ(target.capacity(), 15u);
  EXPECT_EQ(target.back(), TString(L"6"));

  Strings& same = target;
  target = same;
  EXPECT_EQ(target.size(), 7u);
  EXPECT_EQ(target.capacity(), 15u);
}

TEST(VectorTest, ClearAndPopBack) {
  Strings v = numbered(16);  // capacity 20
  ASSERT_EQ(v.capacity(), 20u);
  v.clear();
  EXPECT_EQ(v.size(), 0u);
  EXPECT_EQ(v.capacity(), 5u);

  Strings w = numbered(6);  // capacity 10
  w.pop_back();
  EXPECT_EQ(w.size(), 5u);
  EXPECT_EQ(w.capacity(), 10u);
  EXPECT_EQ(w.back(), TString(L"4"));
  Strings empty;
  empty.pop_back();
  EXPECT_EQ(empty.size(), 0u);
}

TEST(VectorTest, BatchAppendReservesOnlyTheShortfall) {
  Strings v = numbered(3);
  v.push_back(numbered(4));
  EXPECT_EQ(v.size(), 7u);
  EXPECT_EQ(v.capacity(), 7u);
  EXPECT_EQ(v[3], TString(L"0"));
  EXPECT_EQ(v[6], TString(L"3"));

  Strings w = numbered(3);
  w.push_back(numbered(2));
  EXPECT_EQ(w.size(), 5u);
  EXPECT_EQ(w.capacity(), 5u);

  Strings x = numbered(2);
  const Strings y = numbered(1);
  Strings& result = (x += y);
  EXPECT_EQ(&result, &x);
  EXPECT_EQ(x.size(), 3u);
  EXPECT_EQ(y.size(), 1u);
}

TEST(VectorTest, AppendingAVectorToItselfAppendsItsElementsOnce) {
  Strings v = numbered(3);
  v.push_back(v);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[5], TString(L"2"));
  v += v;
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[11], TString(L"2"));
}

TEST(VectorTest, PushBackStoresACopyAndIgnoresNull) {
  Strings v;
  TString* x = new TString(L"mine");
  v.push_back(x);
  x->assign(L"changed");
  x->destroy();
  EXPECT_EQ(v[0], TString(L"mine"));

  v.push_back(static_cast<const TString*>(nullptr));
  EXPECT_EQ(v.size(), 1u);

  // An element appended from the vector itself.
  v.push_back(v[0]);
  EXPECT_EQ(v[1], TString(L"mine"));
}

// Exposes the protected capacity change.
class ResizableStrings : public Strings {
 public:
  using Strings::increaseCapacity;
};

TEST(VectorTest, CapacityBelowSizeIsRejectedAndChangesNothing) {
  ResizableStrings v;
  for (int i = 0; i < 4; ++i) v.push_back(TString(L"x"));
  try {
    v.increaseCapacity(0u - 2u);  // 5 - 2 = 3 slots for 4 elements
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Current size superior at next capacity");
  }
  EXPECT_EQ(v.capacity(), 5u);
  EXPECT_EQ(v.size(), 4u);
  v.increaseCapacity(0u - 1u);  // exactly 4 slots
  EXPECT_EQ(v.capacity(), 4u);
  v.push_back(TString(L"y"));
  EXPECT_EQ(v.capacity(), 9u);
}

TEST(VectorTest, HeapVectorsAreReleasedWithDestroy) {
  const Strings source = numbered(2);
  Strings* v = new Strings(source);
  EXPECT_EQ(v->capacity(), 10u);
  v->destroy();
}

}  // namespace
