// TString: storage, copies from its own text, access and its range error,
// comparisons, and the text operations.
#include "quor/tstring.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

using Quor::TString;

namespace {

// Every character of the recorded length, embedded NULs included. Each string
// looked at must end with its NUL (a NUL not written reads as what the memory
// held before, or under valgrind as uninitialised).
std::wstring text(const TString& s) {
  EXPECT_EQ(s.c_str()[s.length()], L'\0');
  return std::wstring(s.c_str(), s.length());
}

int sign(int value) { return (value > 0) - (value < 0); }

TEST(TStringTest, CountsTakeExactlyThatManyCharactersPaddedWithNulAndEmptyStringsHoldANul) {
  TString cleared(L"abc");
  cleared.clear();
  for (const TString& s : {TString(), TString(nullptr, 5), TString(L"abc", 0), cleared}) {
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_TRUE(s.c_str()[0] == L'\0' && s.empty() && s.length() == 0);
  }
  EXPECT_EQ(text(TString(L"abcdef", 3)), L"abc");
  EXPECT_EQ(text(TString(L"ab", 5)), std::wstring(L"ab\0\0\0", 5));
  EXPECT_EQ(text(TString(L'\0')), std::wstring(1, L'\0'));
  TString s(L"abc");
  EXPECT_EQ(text(s.append(L"def", 2)), L"abcde");
  const wchar_t* buffer = s.c_str();
  EXPECT_EQ(s.append(nullptr).append(L"").append(L"f", 0).append(L"", 3).c_str(), buffer);
  EXPECT_EQ(text(s.append(L"f", 3)), std::wstring(L"abcdef\0\0", 8));
  // Found by fuzz/tstring_fuzzer: the empty string appending its own buffer added NULs.
  EXPECT_EQ(text(cleared.append(cleared.c_str(), 6)), L"");
}

TEST(TStringTest, CopiesTakeEveryCharacterEvenEmbeddedNulsAndFromTheStringItself) {
  TString s(L"abc"), assigned(L"longer text"), appended(L"x");
  s[1] = L'\0';
  const std::wstring a0c(L"a\0c", 3);
  EXPECT_EQ(text(TString(s)), a0c);
  EXPECT_EQ(text(assigned = s), a0c);
  TString& self = assigned;
  EXPECT_EQ(text(assigned = self), a0c);
  EXPECT_EQ(text(appended += s), L"x" + a0c);
  EXPECT_EQ(text(s + TString(L"d")), a0c + L"d");
  EXPECT_EQ(text(TString(L"y") + s), L"y" + a0c);
  s.assign(L"abcdef");
  EXPECT_EQ(text(s.assign(s.c_str() + 2)), L"cdef");
  EXPECT_EQ(text(s.assign(s.c_str() + 1, 2)), L"de");
  EXPECT_EQ(text(s += s), L"dede");
  EXPECT_EQ(text(s.append(s.c_str() + 1, 2)), L"dedeed");
  const wchar_t* buffer = s.c_str();
  EXPECT_EQ(s.append(s.c_str() + 6, 1).c_str(), buffer);
}

TEST(TStringTest, AccessReachesTheNulAtLengthAndThrowsBeyondOrOnEmpty) {
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

TEST(TStringTest, ComparisonsStopAtNulAndOnlyEqualityWeighsLengths) {
  const std::tuple<TString, TString, int> cases[] = {
      {L"abc", L"abz", -1},     {L"z", L"ab", 1},  {L"ab", L"abc", -1},
      {TString(L'\0'), L"", 0}, {L"ab", L"ab", 0}, {TString(static_cast<wchar_t>(-1)), L"a", 1}};
  for (const auto& [a, b, order] : cases) EXPECT_EQ(a.compare(b), order) << a.c_str() << b.c_str();
  // Long texts: the first difference, or a NUL that both hold, deep inside,
  // with text after it or at the end.
  const TString k(std::wstring(70, L'k').c_str()), j(std::wstring(90, L'j').c_str()), x1(L"a"),
      x2(L"b"), top(static_cast<wchar_t>(-1));
  const std::tuple<TString, TString, int> longCases[] = {
      {k + x1 + k, k + x2 + k, -1},
      {x2 + k + x1, x1 + k + x2, 1},
      {j + top + k, j + x1 + k, 1},
      {k + top, k + x1, 1},
      {k + TString(L'\0') + j + x2, k + TString(L'\0') + j + x1, 0},
      // At 60, a text of one letter differs in the last vector of a block of
      // vectors, whatever their width, and equals the other's other vectors.
      {TString(std::wstring(60, L'k').c_str()) + TString(L'k') + k,
       TString(std::wstring(60, L'k').c_str()) + x2 + k, 1}};
  for (const auto& [a, b, order] : longCases) EXPECT_EQ(a.compare(b), order) << a.length();
  const TString a(L"a"), b(L"b"), nul(L'\0'), empty;
  EXPECT_TRUE(a < b && a <= b && b > a && b >= a && a != b && TString(L"a") == a);
  EXPECT_FALSE(b < a || b <= a || a > b || a >= b || a == b);
  EXPECT_TRUE(nul <= empty && nul >= empty && nul != empty);
  EXPECT_FALSE(nul < empty || nul > empty || nul == empty);
  // Positions are clamped to the last character; a count of 0 compares to the end.
  const TString s(L"abc"), x(L"xxHELLO");
  EXPECT_TRUE(s.compare(7, 0, TString(L"c")) == 0 && s.compare(3, 0, TString(L"c")) == 0);
  EXPECT_EQ(s.compare(0, 2, TString(L"abx")), 0);
  EXPECT_GT(s.compare(1, 0, TString(L"b")), 0);
  EXPECT_EQ(TString().compare(5, 0, TString()), 0);
  EXPECT_EQ(x.compareIgnoreCase(2, 3, TString(L"helium")), 0);
  EXPECT_TRUE(x.compareIgnoreCase(99, 0, TString(L"o")) == 0 &&
              x.compareIgnoreCase(7, 0, TString(L"o")) == 0);
  EXPECT_EQ(TString(L"ABC").compareIgnoreCase(TString(L"abc")), 0);
  EXPECT_EQ(TString().compareIgnoreCase(5, 0, TString()), 0);
  for (const auto& [a, b, order] : cases)
    EXPECT_EQ(sign(a.compareIgnoreCase(b)) +
                  sign(TString((L"A" + text(a)).c_str())
                           .compareIgnoreCase(0, 9, TString((L"a" + text(b)).c_str()))),
              2 * order);
  // '[' lies between 'Z' and 'a': letters fold to lower case.
  EXPECT_LT(TString(L"[").compareIgnoreCase(TString(L"A")), 0);
}

TEST(TStringTest, FormatFollowsTheLibraryConventionsAndKeepsTheTextOnRejection) {
  TString s;
  EXPECT_EQ(
      text(s.format(L"[%s|%ws|%hs|%c%c|%d %x]", L"a", L"b", "c", L'd', wchar_t(0x20AC), -4, 255)),
      L"[a|b|c|d\x20AC|-4 ff]");
  const std::wstring longText(100000, L'q');
  EXPECT_EQ(text(s.format(L"%s", longText.c_str())), longText);
  s.assign(L"keep");
#if !defined(_WIN32)
  // A narrow argument that does not convert in the "C" locale. (MinGW-w64's
  // formatter converts any bytes, so a Windows build has no such format.)
  EXPECT_EQ(text(s.format(L"%hs", "\xff\xfe")), L"keep");
  EXPECT_EQ(text(s.appendFormat(L"x%hs", "\xff\xfe")), L"keep");
#endif
  const wchar_t* const kept = s.c_str();
  EXPECT_EQ(text(s.format(nullptr).appendFormat(nullptr).appendFormat(L"%s", L"")), L"keep");
  EXPECT_EQ(s.c_str(), kept);
  EXPECT_EQ(text(s.appendFormat(L"%d", 3)), L"keep3");
  { const TString before(L"0123456789abc"); }  // freed: a block of the size, no NUL at 11
  EXPECT_EQ(text(s.appendFormat(L"%d-%s", 3, s.c_str())), L"keep33-keep3");
  EXPECT_EQ(s.c_str()[12], L'\0');
  EXPECT_EQ(text(s.format(L"%s", L"")), L"");
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// The C runtime's formatter needs memory of its own for a long output. In a
// child process whose address space is capped, that memory runs out: format()
// throws as every other operation does, and leaves the text as it was.
TEST(TStringTest, FormatThrowsBadAllocWhenTheCRuntimeRunsOutOfMemory) {
  const auto formatUnderCap = [] {
    const std::wstring argument(32 * 1024 * 1024, L'q');
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1) std::_Exit(2);
    std::fclose(statm);
    const rlim_t cap = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (64 << 20);
    const rlimit limit = {cap, cap};
    // Where the cap is not enforced (valgrind) there is nothing to see.
    if (setrlimit(RLIMIT_AS, &limit) != 0 || std::malloc(256 << 20) != nullptr) std::_Exit(0);
    TString s(L"keep");
    try {
      s.format(L"%s", argument.c_str());
    } catch (const std::bad_alloc& error) {
      std::_Exit(text(s) == L"keep" && std::string(error.what()) == "bad allocation" ? 0 : 3);
    }
    std::_Exit(1);
  };
  EXPECT_EXIT(formatUnderCap(), testing::ExitedWithCode(0), "");
}
#endif

TEST(TStringTest, FindGivesTheFirstMatchOrMinusOneAndReplaceSubstitutesWithoutOverlap) {
  TString s(L"abcb");
  EXPECT_EQ(s.find(L"b", 2), 3);
  EXPECT_EQ(TString(L"aaab").find(L"aab", 0), 1);
  for (const wchar_t* pattern : {static_cast<const wchar_t*>(nullptr), L"", L"abcbx", L"B"})
    EXPECT_EQ(s.find(pattern, 0), -1);
  EXPECT_EQ(s.find(L"b", 4), -1);
  EXPECT_EQ(s.find(L"abcb", 0) + TString(L"b").find(L"b", 0), 0);
  EXPECT_EQ(TString().find(L"a", 0), -1);
  EXPECT_EQ(text(TString(L"banana").replace(L"a", L"xy")), L"bxynxynxy");
  EXPECT_EQ(text(TString(L"aaa").replace(L"aa", L"b")), L"ba");
  EXPECT_EQ(text(TString(L"aXa").replace(L"a", L"aa")), L"aaXaa");
  EXPECT_EQ(text(TString(L"banana").replace(L"an", nullptr)), L"ba");
  EXPECT_EQ(text(TString(L"abc").replace(L"abc", L"x")), L"x");
  const wchar_t* buffer = s.assign(L"abc").c_str();
  EXPECT_NE(s.replace(L"zz", L"q").c_str(), buffer);
  buffer = s.c_str();
  EXPECT_EQ(s.replace(L"abcd", L"q").c_str(), buffer);
  EXPECT_EQ(text(s.replace(L"b", s.c_str())), L"aabcc");
  // The pieces of the old text end at an embedded NUL; occurrences past it are found.
  for (const auto& row : {std::make_tuple(L"b", L"X", L"aXX"), std::make_tuple(L"c", L"X", L"abXb"),
                          std::make_tuple(L"z", L"X", L"ab")}) {
    TString nul(L"abNcb");
    nul[2] = L'\0';
    EXPECT_EQ(text(nul.replace(std::get<0>(row), std::get<1>(row))), std::get<2>(row));
  }
}

TEST(TStringTest, TrimsDropWhiteSpaceAtTheEndsAndSubstrClampsAndPads) {
  EXPECT_EQ(text(TString(L" ab ").ltrim()), L"ab ");
  EXPECT_EQ(text(TString(L"  ab ").rtrim()), L"  ab");
  EXPECT_EQ(text(TString(L"  ab ").trim()) + text(TString(L" ab").trim()) +
                text(TString(L"ab \t").trim()),
            L"ababab");
  // Nothing to trim: the text and its buffer stay.
  for (TString& (TString::*trim)() : {&TString::ltrim, &TString::rtrim, &TString::trim}) {
    TString ab(L"ab");
    const wchar_t* const buffer = ab.c_str();
    EXPECT_EQ(text((ab.*trim)()), L"ab");
    EXPECT_EQ(ab.c_str(), buffer);
  }
  EXPECT_EQ(text(TString(L" \t ").ltrim()) + text(TString(L" \t ").rtrim()) +
                text(TString(L" \t ").trim()),
            L"");
  const TString s(L"abc");
  EXPECT_EQ(text(s.substr(1, 1)) + text(s.substr(1, 0)), L"b");
  EXPECT_EQ(text(s.substr(5, -1)), L"c");
  EXPECT_EQ(text(s.substr(3, -1)), L"c");
  EXPECT_EQ(text(TString().substr(0, 2)), std::wstring(L"\0\0", 2));
  EXPECT_EQ(text(s.substr(1, 5)), std::wstring(L"bc\0\0\0", 5));
  TString withNul(L"abNcd");
  withNul[2] = L'\0';
  EXPECT_EQ(text(withNul.substr(0, -1)) + L"|" + text(withNul.substr(3, -1)), L"ab|cd");
  EXPECT_EQ(text(withNul.substr(1, 3)), std::wstring(L"b\0c", 3));
  // The result ends with its NUL also in memory that held other text before
  // (a block of the same size, freed just before).
  const TString source(L"abcdefgh");
  { const TString before(L"tuvwxyz"); }
  EXPECT_EQ(source.substr(1, 6).c_str()[6], L'\0');
}

}  // namespace
