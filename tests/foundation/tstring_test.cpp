// TString storage, construction, assignment, access, comparison and the free
// operators.
#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <climits>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "quor/tstring.h"

using Quor::TString;

namespace {

// Every character of the recorded length, embedded NULs included.
std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

#if defined(__linux__)
// Lets the address space grow by at most `headroom` bytes while it lives.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(unsigned long headroom) : active_(false) {
    unsigned long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return;
    const bool read = std::fscanf(statm, "%lu", &pages) == 1;
    std::fclose(statm);
    if (!read || getrlimit(RLIMIT_AS, &saved_) != 0) return;
    const rlimit limit = {pages * sysconf(_SC_PAGESIZE) + headroom, saved_.rlim_max};
    active_ = setrlimit(RLIMIT_AS, &limit) == 0;
  }
  ~AddressSpaceLimit() {
    if (active_) setrlimit(RLIMIT_AS, &saved_);
  }
  bool active() const { return active_; }

 private:
  rlimit saved_;
  bool active_;
};

#endif

}  // namespace

TEST(TStringTest, EmptyStringsHaveValidNulBuffer) {
  TString cleared(L"abc");
  cleared.clear();
  for (const TString& s : {TString(), TString(nullptr, 5), TString(L"abc", 0), cleared}) {
    EXPECT_EQ(s.length(), 0u);
    EXPECT_EQ(s.size(), 0u);
    EXPECT_TRUE(s.empty());
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_EQ(s.c_str()[0], L'\0');
    EXPECT_EQ(s.data(), s.c_str());
    EXPECT_EQ(static_cast<const wchar_t*>(s), s.c_str());
  }
  EXPECT_FALSE(TString(L"a").empty());
}

TEST(TStringTest, CountTakesCharactersAndFillsPastSourceNulWithNul) {
  EXPECT_EQ(text(TString(L"abcdef", 3)), L"abc");
  EXPECT_EQ(text(TString(L"abcdef", -1)), L"abcdef");
  EXPECT_EQ(text(TString(L"abcdef")), L"abcdef");
  EXPECT_EQ(text(TString(L"ab", 5)), std::wstring(L"ab\0\0\0", 5));
  TString s(L"xyz");
  s.assign(L"a", 3);
  EXPECT_EQ(text(s), std::wstring(L"a\0\0", 3));
}

TEST(TStringTest, SingleCharacterConstructorGivesLengthOne) {
  EXPECT_EQ(text(TString(L'x')), L"x");
  const TString nul(L'\0');
  EXPECT_EQ(text(nul), std::wstring(1, L'\0'));
  EXPECT_EQ(nul.compare(TString()), 0);
  EXPECT_FALSE(nul == TString());
  EXPECT_TRUE(nul != TString());
}

TEST(TStringTest, CopiesKeepEveryCharacterOfTheRecordedLength) {
  TString s(L"abc");
  s[1] = L'\0';
  const TString copy(s);
  EXPECT_EQ(text(copy), std::wstring(L"a\0c", 3));
  EXPECT_NE(copy.c_str(), s.c_str());
  EXPECT_TRUE(copy == s);
  TString assigned(L"longer text");
  assigned = s;
  EXPECT_EQ(text(assigned), std::wstring(L"a\0c", 3));
  EXPECT_NE(assigned.c_str(), s.c_str());
  TString appended(L"x");
  appended += s;
  EXPECT_EQ(text(appended), std::wstring(L"xa\0c", 4));
  EXPECT_EQ(text(s + TString(L"d")), std::wstring(L"a\0cd", 4));
  EXPECT_EQ(text(TString(L"y") + s), std::wstring(L"ya\0c", 4));
}

TEST(TStringTest, AssigningFromItselfOrOwnBufferKeepsText) {
  TString s(L"abcdef");
  const wchar_t* buffer = s.c_str();
  TString& same = s;
  EXPECT_EQ(&(s = same), &s);
  EXPECT_EQ(s.c_str(), buffer);
  EXPECT_EQ(&s.assign(s.c_str() + 2), &s);
  EXPECT_EQ(text(s), L"cdef");
  s.assign(s.c_str() + 1, 2);
  EXPECT_EQ(text(s), L"de");
  s.assign(nullptr, 3);
  EXPECT_EQ(text(s), L"");
}

TEST(TStringTest, PlusEqualsAppendsAndDoublesWithItself) {
  TString s(L"ab");
  EXPECT_EQ(&(s += TString(L"cd")), &s);
  EXPECT_EQ(text(s), L"abcd");
  s += s;
  EXPECT_EQ(text(s), L"abcdabcd");
  s += TString();
  EXPECT_EQ(text(s), L"abcdabcd");
  TString empty;
  empty += TString(L"x");
  EXPECT_EQ(text(empty), L"x");
}

#if defined(__linux__)
TEST(TStringTest, FailedAllocationLeavesStringAsItWas) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer runtime reserves the address space";
#endif
  const TString big(L"", 8 * 1000 * 1000);
  TString s(L"abc");
  const wchar_t* buffer = s.c_str();
  AddressSpaceLimit limit(16ul << 20);
  if (!limit.active()) GTEST_SKIP() << "cannot limit the address space";
  EXPECT_THROW(s.assign(L"x", 8 * 1000 * 1000), std::bad_alloc);
  EXPECT_THROW(s.append(L"x", 8 * 1000 * 1000), std::bad_alloc);
  EXPECT_THROW(s = big, std::bad_alloc);
  EXPECT_THROW(s += big, std::bad_alloc);
  EXPECT_EQ(s.c_str(), buffer);
  EXPECT_EQ(text(s), L"abc");
}
#endif

TEST(TStringTest, AccessAcceptsPositionsUpToLength) {
  TString s(L"abc");
  EXPECT_EQ(s.at(2), L'c');
  EXPECT_EQ(s.at(3), L'\0');
  EXPECT_EQ(s[3], L'\0');
  s[1] = L'X';
  EXPECT_EQ(text(s), L"aXc");
  EXPECT_THROW(s.at(4), std::out_of_range);
  EXPECT_THROW(s[4], std::out_of_range);
  EXPECT_THROW(s[UINT_MAX], std::out_of_range);
  TString empty;
  EXPECT_THROW(empty[0], std::out_of_range);
  try {
    empty.at(0);
    ADD_FAILURE() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Position exceeds range of TString");
  }
  EXPECT_EQ(text(s), L"aXc");
}

TEST(TStringTest, CompareOrdersUnsignedCodeUnitsUpToNul) {
  EXPECT_EQ(TString(L"abc").compare(TString(L"abd")), -1);
  EXPECT_EQ(TString(L"b").compare(TString(L"a")), 1);
  EXPECT_EQ(TString(L"a").compare(TString(L"ab")), -1);
  EXPECT_EQ(TString(L"a").compare(TString(L"z")), -1);
  EXPECT_EQ(TString(L"abc").compare(TString(L"abc")), 0);
  const TString high(static_cast<wchar_t>(-1));
  EXPECT_EQ(high.compare(TString(L"a")), 1);
  EXPECT_EQ(TString(L"a").compare(high), -1);
  TString cut(L"abc");
  cut[1] = L'\0';
  EXPECT_EQ(cut.compare(TString(L"a")), 0);
}

TEST(TStringTest, PositionalCompareClampsPosition) {
  const TString s(L"abc");
  EXPECT_EQ(s.compare(7, 0, TString(L"c")), 0);
  EXPECT_EQ(s.compare(3, 0, TString(L"c")), 0);
  EXPECT_EQ(s.compare(1, 0, TString(L"bc")), 0);
  EXPECT_GT(s.compare(1, 0, TString(L"b")), 0);
  EXPECT_EQ(s.compare(0, 2, TString(L"abx")), 0);
  EXPECT_LT(s.compare(0, 3, TString(L"abx")), 0);
  EXPECT_EQ(s.compare(1, 5, TString(L"bc")), 0);
  EXPECT_EQ(TString().compare(5, 0, TString()), 0);
  EXPECT_LT(TString().compare(5, 0, TString(L"a")), 0);
}

TEST(TStringTest, CompareIgnoreCaseFoldsLettersToLowerCase) {
  EXPECT_EQ(TString(L"ABC").compareIgnoreCase(TString(L"abc")), 0);
  EXPECT_LT(TString(L"abc").compareIgnoreCase(TString(L"ABD")), 0);
  EXPECT_GT(TString(L"Abc").compareIgnoreCase(TString(L"ab")), 0);
  // Folding to lower case puts '[' (between 'Z' and 'a') before letters.
  EXPECT_LT(TString(L"[").compareIgnoreCase(TString(L"A")), 0);
  EXPECT_GT(TString(L"a").compareIgnoreCase(TString(L"[")), 0);
  const TString s(L"xxHELLO");
  EXPECT_EQ(s.compareIgnoreCase(2, 0, TString(L"hello")), 0);
  EXPECT_EQ(s.compareIgnoreCase(2, 3, TString(L"helium")), 0);
  EXPECT_GT(s.compareIgnoreCase(2, 4, TString(L"helium")), 0);
  EXPECT_EQ(s.compareIgnoreCase(99, 0, TString(L"o")), 0);
}

TEST(TStringTest, EqualityNeedsEqualLengthsOrderingIgnoresThem) {
  const TString abc(L"abc"), abd(L"abd");
  EXPECT_TRUE(abc == TString(L"abc"));
  EXPECT_FALSE(abc != TString(L"abc"));
  EXPECT_TRUE(abc != abd);
  EXPECT_TRUE(abc < abd && abc <= abd && abd > abc && abd >= abc);
  EXPECT_FALSE(abd < abc || abd <= abc || abc > abd || abc >= abd);
  EXPECT_TRUE(abc <= abc && abc >= abc && !(abc < abc) && !(abc > abc));
  TString padded(L"ab");
  padded[1] = L'\0';  // text "a", length 2
  const TString a(L"a");
  EXPECT_FALSE(padded == a);
  EXPECT_TRUE(padded != a);
  EXPECT_FALSE(padded < a || padded > a);
  EXPECT_TRUE(padded <= a && padded >= a);
}

TEST(TStringTest, PlusConcatenatesIntoNewString) {
  const TString abc(L"abc"), empty;
  EXPECT_EQ(text(abc + empty), L"abc");
  EXPECT_NE((abc + empty).c_str(), abc.c_str());
  EXPECT_EQ(text(empty + TString(L"x")), L"x");
  EXPECT_EQ(text(TString(L"ab") + TString(L"cd")), L"abcd");
  EXPECT_EQ(text(abc), L"abc");
}
