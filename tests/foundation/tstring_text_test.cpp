// TString text operations: append, format, find, replace, trims and substr.
#include <string>

#include <gtest/gtest.h>

#include "quor/tstring.h"

using Quor::TString;

namespace {

// Every character of the recorded length, embedded NULs included.
std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

TEST(TStringTextTest, AppendAddsCountCharactersAndNothingKeepsTheBuffer) {
  TString s(L"abc");
  EXPECT_EQ(text(s.append(L"def", 2)), L"abcde");
  const wchar_t* buffer = s.c_str();
  EXPECT_EQ(s.append(nullptr).append(L"").append(L"f", 0).c_str(), buffer);
  EXPECT_EQ(text(s.append(L"f", 3)), std::wstring(L"abcdef\0\0", 8));
}

// Found by fuzz/tstring_fuzzer: an empty text with a positive count appended
// that many NULs (the fuzzer's case: the empty string appending its own buffer).
TEST(TStringTextTest, AppendOfAnEmptyTextAddsNoNulsWhateverTheCount) {
  TString s;
  EXPECT_EQ(text(s.append(s.c_str(), 6)), L"");
  s.assign(L"ab");
  const wchar_t* buffer = s.c_str();
  EXPECT_EQ(s.append(L"", 3).append(s.c_str() + 2, 1).c_str(), buffer);
  EXPECT_EQ(text(s), L"ab");
}

TEST(TStringTextTest, FormatFollowsLibraryConventionsAndKeepsTextOnRejection) {
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
  EXPECT_EQ(text(s.format(nullptr).appendFormat(nullptr)), L"keep");
  EXPECT_EQ(text(s.appendFormat(L"%s", L"")), L"keep");
  EXPECT_EQ(text(s.appendFormat(L"%d-%s", 3, s.c_str())), L"keep3-keep");
}

TEST(TStringTextTest, FindGivesFirstMatchOrMinusOneAndReplaceSubstitutesWithoutOverlap) {
  TString s(L"abcb");
  EXPECT_EQ(s.find(L"b", 2), 3);
  EXPECT_EQ(TString(L"aaab").find(L"aab", 0), 1);
  for (const wchar_t* pattern : {static_cast<const wchar_t*>(nullptr), L"", L"abcbx", L"B"})
    EXPECT_EQ(s.find(pattern, 0), -1);
  EXPECT_EQ(s.find(L"b", 4), -1);
  EXPECT_EQ(TString().find(L"a", 0), -1);
  EXPECT_EQ(text(TString(L"banana").replace(L"a", L"xy")), L"bxynxynxy");
  EXPECT_EQ(text(TString(L"aaa").replace(L"aa", L"b")), L"ba");
  EXPECT_EQ(text(TString(L"aXa").replace(L"a", L"aa")), L"aaXaa");
  EXPECT_EQ(text(TString(L"banana").replace(L"an", nullptr)), L"ba");
  const wchar_t* buffer = s.assign(L"abc").c_str();
  EXPECT_NE(s.replace(L"zz", L"q").c_str(), buffer);
  buffer = s.c_str();
  EXPECT_EQ(s.replace(L"abcd", L"q").c_str(), buffer);
  EXPECT_EQ(text(s.replace(L"b", s.c_str())), L"aabcc");
}

TEST(TStringTextTest, TrimsDropEndWhiteSpaceAndSubstrClampsAndPads) {
  EXPECT_EQ(text(TString(L"  ab ").ltrim()), L"ab ");
  EXPECT_EQ(text(TString(L"  ab ").rtrim()), L"  ab");
  EXPECT_EQ(text(TString(L"  ab ").trim()), L"ab");
  EXPECT_EQ(text(TString(L" \t ").ltrim()), L"");
  EXPECT_EQ(text(TString(L" \t ").rtrim()), L"");
  const TString s(L"abc");
  EXPECT_EQ(text(s.substr(1, 1)), L"b");
  EXPECT_EQ(text(s.substr(5, -1)), L"c");
  EXPECT_EQ(text(s.substr(1, 5)), std::wstring(L"bc\0\0\0", 5));
  // The result ends with its NUL also in memory that held other text before
  // (a block of the same size, freed just before).
  const TString source(L"abcdefgh");
  { const TString before(L"tuvwxyz"); }
  EXPECT_EQ(source.substr(1, 6).c_str()[6], L'\0');
}

}  // namespace
