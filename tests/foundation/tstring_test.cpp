// TString storage, construction, assignment, access, comparison and the free
// operators.
#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "quor/tstring.h"

using Quor::TString;

namespace {

// Every character of the recorded length, embedded NULs included.
std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

TEST(TStringTest, ConstructorsGiveNulTerminatedCountCharactersPaddedWithNulEvenWhenEmpty) {
  TString cleared(L"abc");
  cleared.clear();
  for (const TString& s : {TString(), TString(nullptr, 5), TString(L"abc", 0), cleared}) {
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_EQ(s.c_str()[0], L'\0');
    EXPECT_TRUE(s.empty() && s.length() == 0);
  }
  EXPECT_EQ(text(TString(L"abcdef", 3)), L"abc");
  EXPECT_EQ(text(TString(L"ab", 5)), std::wstring(L"ab\0\0\0", 5));
  EXPECT_EQ(text(TString(L'\0')), std::wstring(1, L'\0'));
}

TEST(TStringTest, AssignmentsAndConcatenationsCopyEveryCharacterEvenFromTheStringItself) {
  TString s(L"abc"), assigned(L"longer text"), appended(L"x");
  s[1] = L'\0';
  const std::wstring a0c(L"a\0c", 3);
  EXPECT_EQ(text(TString(s)), a0c);
  EXPECT_EQ(text(assigned = s), a0c);
  EXPECT_EQ(text(appended += s), L"x" + a0c);
  EXPECT_EQ(text(s + TString(L"d")), a0c + L"d");
  EXPECT_EQ(text(TString(L"y") + s), L"y" + a0c);
  s.assign(L"abcdef");
  EXPECT_EQ(text(s.assign(s.c_str() + 2)), L"cdef");
  EXPECT_EQ(text(s.assign(s.c_str() + 1, 2)), L"de");
  EXPECT_EQ(text(s += s), L"dede");
  EXPECT_EQ(text(s.append(s.c_str() + 1, 2)), L"dedeed");
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Under a sanitizer, whose runtime reserves the address space, it is skipped.
TEST(TStringTest, FailedAllocationLeavesStringAsItWas) {
  const TString big(L"", 8 * 1000 * 1000);
  TString s(L"abc");
  const wchar_t* buffer = s.c_str();
  unsigned long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  rlimit saved;
  getrlimit(RLIMIT_AS, &saved);
  // Room for 16 MB more: not for another 32 MB text.
  const rlimit limit = {pages * sysconf(_SC_PAGESIZE) + (16ul << 20), saved.rlim_max};
  if (setrlimit(RLIMIT_AS, &limit) != 0) GTEST_SKIP() << "cannot limit the address space";
  EXPECT_THROW(s.assign(L"x", 8 * 1000 * 1000), std::bad_alloc);
  EXPECT_THROW(s += big, std::bad_alloc);
  setrlimit(RLIMIT_AS, &saved);
  EXPECT_EQ(s.c_str(), buffer);
  EXPECT_EQ(text(s), L"abc");
}
#endif

TEST(TStringTest, AccessAcceptsPositionsUpToLengthAndThrowsBeyondOrOnEmpty) {
  TString s(L"abc"), empty;
  EXPECT_EQ(s.at(3), L'\0');
  EXPECT_EQ(&s[3], s.c_str() + 3);
  EXPECT_THROW(s.at(4), std::out_of_range);
  EXPECT_THROW(s[4], std::out_of_range);
  EXPECT_THROW(empty[0], std::out_of_range);
  try {
    empty.at(0);
    ADD_FAILURE() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Position exceeds range of TString");
  }
}

TEST(TStringTest, CompareGivesMinusOneZeroOrOneUpToNulAndOnlyEqualityWeighsLengths) {
  const std::tuple<TString, TString, int> cases[] = {
      {L"abc", L"abz", -1},     {L"z", L"ab", 1},  {L"ab", L"abc", -1},
      {TString(L'\0'), L"", 0}, {L"ab", L"ab", 0}, {TString(static_cast<wchar_t>(-1)), L"a", 1}};
  for (const auto& [a, b, order] : cases) EXPECT_EQ(a.compare(b), order) << a.c_str() << b.c_str();
  // Equality also compares the lengths; orderings do not.
  const TString a(L"a"), b(L"b"), nul(L'\0'), empty;
  EXPECT_TRUE(a < b && a <= b && b > a && b >= a && a != b);
  EXPECT_FALSE(b < a || b <= a || a > b || a >= b || a == b);
  EXPECT_TRUE(nul <= empty && nul >= empty && nul != empty && TString(L"a") == a);
  EXPECT_FALSE(nul < empty || nul > empty || nul == empty);
}

TEST(TStringTest, PositionalComparesClampPositionAndCaseInsensitiveOnesFoldToLowerCase) {
  const TString s(L"abc"), x(L"xxHELLO");
  EXPECT_EQ(s.compare(7, 0, TString(L"c")), 0);
  EXPECT_EQ(s.compare(0, 2, TString(L"abx")), 0);
  EXPECT_GT(s.compare(1, 0, TString(L"b")), 0);
  EXPECT_EQ(TString().compare(5, 0, TString()), 0);
  EXPECT_EQ(x.compareIgnoreCase(2, 3, TString(L"helium")), 0);
  EXPECT_EQ(x.compareIgnoreCase(99, 0, TString(L"o")), 0);
  EXPECT_EQ(TString(L"ABC").compareIgnoreCase(TString(L"abc")), 0);
  // '[' lies between 'Z' and 'a': letters fold to lower case.
  EXPECT_LT(TString(L"[").compareIgnoreCase(TString(L"A")), 0);
}

}  // namespace
