// TString text operations: append, format, replace, trims, find and substr.
#include <string>

#include <gtest/gtest.h>

#include "quor/tstring.h"

using Quor::TString;

namespace {

// Every character of the recorded length, embedded NULs included.
std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

}  // namespace

TEST(TStringTextTest, AppendAddsCountCharacters) {
  TString s(L"abc");
  EXPECT_EQ(&s.append(L"def", 2), &s);
  EXPECT_EQ(text(s), L"abcde");
  s.assign(L"abc").append(L"def");
  EXPECT_EQ(text(s), L"abcdef");
  TString empty;
  empty.append(L"xyz", -1);
  EXPECT_EQ(text(empty), L"xyz");
  TString padded(L"ab");
  padded.append(L"c", 3);
  EXPECT_EQ(text(padded), std::wstring(L"abc\0\0", 5));
}

TEST(TStringTextTest, AppendingNothingKeepsStringAndBuffer) {
  TString s(L"abc");
  const wchar_t* buffer = s.c_str();
  EXPECT_EQ(s.append(nullptr).c_str(), buffer);
  EXPECT_EQ(s.append(nullptr, 4).c_str(), buffer);
  EXPECT_EQ(s.append(L"").c_str(), buffer);
  EXPECT_EQ(s.append(L"def", 0).c_str(), buffer);
  EXPECT_EQ(text(s), L"abc");
}

TEST(TStringTextTest, AppendingFromOwnBufferKeepsText) {
  TString s(L"abcdef");
  s.append(s.c_str(), 3);
  EXPECT_EQ(text(s), L"abcdefabc");
  s.append(s.c_str() + 7);
  EXPECT_EQ(text(s), L"abcdefabcbc");
}

TEST(TStringTextTest, FormatFollowsLibraryConventions) {
  TString s(L"old");
  EXPECT_EQ(&s.format(L"%d.%d.%d.%d", 1, 2, 0, 17), &s);
  EXPECT_EQ(text(s), L"1.2.0.17");
  EXPECT_EQ(text(s.format(L"[%s|%ws|%ls]", L"a", L"b", L"c")), L"[a|b|c]");
  EXPECT_EQ(text(s.format(L"[%hs|%S]", "narrow", "too")), L"[narrow|too]");
  EXPECT_EQ(text(s.format(L"%c%c", L'x', static_cast<wchar_t>(0x20AC))), L"x\x20AC");
  EXPECT_EQ(text(s.format(L"%x %X %u %5.2f %%", 255, 255, 7u, 3.14159)), L"ff FF 7  3.14 %");
  EXPECT_EQ(text(s.format(L"%I64d %lld", 1LL << 40, -(1LL << 40))),
            L"1099511627776 -1099511627776");
  EXPECT_EQ(text(s.format(L"%-4s|%s", L"ab", L"")), L"ab  |");
  EXPECT_EQ(text(s.format(L"")), L"");
}

TEST(TStringTextTest, FormatProducesLongOutputs) {
  const std::wstring longText(100000, L'q');
  TString s;
  s.format(L"%ls", longText.c_str());
  EXPECT_EQ(text(s), longText);
  s.format(L"%100000d", 7);
  ASSERT_EQ(s.length(), 100000u);
  EXPECT_EQ(s.at(0), L' ');
  EXPECT_EQ(s.at(99999), L'7');
  s.assign(L"<");
  s.appendFormat(L"%ls>", longText.c_str());
  EXPECT_EQ(text(s), L"<" + longText + L">");
}

TEST(TStringTextTest, FormatArgumentsMayComeFromOwnBuffer) {
  TString s(L"ab");
  s.format(L"%s-%s", s.c_str(), s.c_str());
  EXPECT_EQ(text(s), L"ab-ab");
  s.appendFormat(L"+%s", s.c_str());
  EXPECT_EQ(text(s), L"ab-ab+ab-ab");
}

TEST(TStringTextTest, NullOrRejectedFormatKeepsString) {
  TString s(L"keep");
  EXPECT_EQ(text(s.format(nullptr)), L"keep");
  EXPECT_EQ(text(s.appendFormat(nullptr)), L"keep");
  // Invalid multibyte text does not convert in the "C" locale.
  EXPECT_EQ(text(s.format(L"%hs", "\xff\xfe")), L"keep");
  EXPECT_EQ(text(s.appendFormat(L"x%hs", "\xff\xfe")), L"keep");
}

TEST(TStringTextTest, AppendFormatAppendsOutput) {
  TString s(L"v");
  EXPECT_EQ(&s.appendFormat(L"%d-%s", 3, L"x"), &s);
  EXPECT_EQ(text(s), L"v3-x");
  s.appendFormat(L"");
  s.appendFormat(L"%s", L"");
  EXPECT_EQ(text(s), L"v3-x");
  TString empty;
  empty.appendFormat(L"%hs%c", "ab", L'c');
  EXPECT_EQ(text(empty), L"abc");
}

TEST(TStringTextTest, ReplaceSubstitutesOccurrencesLeftToRightWithoutOverlap) {
  TString s(L"banana");
  EXPECT_EQ(&s.replace(L"a", L"xy"), &s);
  EXPECT_EQ(text(s), L"bxynxynxy");
  EXPECT_EQ(text(TString(L"aaa").replace(L"aa", L"b")), L"ba");
  EXPECT_EQ(text(TString(L"banana").replace(L"an", nullptr)), L"ba");
  EXPECT_EQ(text(TString(L"banana").replace(L"an", L"")), L"ba");
  EXPECT_EQ(text(TString(L"aXa").replace(L"a", L"aa")), L"aaXaa");
  EXPECT_EQ(text(TString(L"aaab").replace(L"aab", L"-")), L"a-");
  EXPECT_EQ(text(TString(L"abcabc").replace(L"abc", nullptr)), L"");
  EXPECT_EQ(text(TString(L"abc").replace(L"abc", L"xyz")), L"xyz");
}

TEST(TStringTextTest, ReplaceWithoutMatchRebuildsSameText) {
  TString s(L"abc");
  const wchar_t* buffer = s.c_str();
  s.replace(L"zz", L"q");
  EXPECT_EQ(text(s), L"abc");
  EXPECT_NE(s.c_str(), buffer);
  buffer = s.c_str();
  EXPECT_EQ(s.replace(L"abcd", L"q").c_str(), buffer);
  EXPECT_EQ(s.replace(L"", L"q").c_str(), buffer);
  EXPECT_EQ(s.replace(nullptr, L"q").c_str(), buffer);
  EXPECT_EQ(text(s), L"abc");
}

TEST(TStringTextTest, ReplaceAcceptsArgumentsFromOwnBuffer) {
  TString s(L"abc");
  s.replace(L"b", s.c_str());
  EXPECT_EQ(text(s), L"aabcc");
  s.assign(L"abab");
  s.replace(s.c_str() + 2, L"X");
  EXPECT_EQ(text(s), L"XX");
}

TEST(TStringTextTest, TrimsRemoveWhiteSpaceAtTheirEnds) {
  TString s(L"  ab ");
  EXPECT_EQ(text(s.ltrim()), L"ab ");
  EXPECT_EQ(text(TString(L"  ab ").rtrim()), L"  ab");
  EXPECT_EQ(text(TString(L"  ab ").trim()), L"ab");
  EXPECT_EQ(text(TString(L" \t\n\v\f\ra b\r\n").trim()), L"a b");
  EXPECT_EQ(text(TString(L"   ").ltrim()), L"");
  EXPECT_EQ(text(TString(L"   ").rtrim()), L"");
  EXPECT_EQ(text(TString().trim()), L"");
  TString untouched(L" a");
  const wchar_t* buffer = untouched.c_str();
  untouched.rtrim();
  EXPECT_EQ(text(untouched), L" a");
  EXPECT_EQ(untouched.c_str(), buffer);
  EXPECT_EQ(text(TString(L"a ").ltrim()), L"a ");
}

TEST(TStringTextTest, FindReturnsFirstOccurrenceAtOrAfterStart) {
  TString s(L"abcb");
  EXPECT_EQ(s.find(L"b", 0), 1);
  EXPECT_EQ(s.find(L"b", 2), 3);
  EXPECT_EQ(s.find(L"cb", 1), 2);
  EXPECT_EQ(s.find(L"abcb", 0), 0);
  EXPECT_EQ(s.find(L"B", 0), -1);
  EXPECT_EQ(s.find(L"b", 4), -1);
  EXPECT_EQ(s.find(L"abcbx", 0), -1);
  EXPECT_EQ(s.find(L"", 0), -1);
  EXPECT_EQ(s.find(nullptr, 0), -1);
  EXPECT_EQ(text(s), L"abcb");
  EXPECT_EQ(TString().find(L"a", 0), -1);
  EXPECT_EQ(TString(L"aaab").find(L"aab", 0), 1);
  EXPECT_EQ(TString(L"aab").find(L"ab", 0), 1);
  EXPECT_EQ(TString(L"ababac").find(L"abac", 0), 2);
}

TEST(TStringTextTest, SubstrClampsPositionAndPadsPastEnd) {
  const TString s(L"abc");
  EXPECT_EQ(text(s.substr(1, -1)), L"bc");
  EXPECT_EQ(text(s.substr(1, 1)), L"b");
  EXPECT_EQ(text(s.substr(0, 0)), L"");
  EXPECT_EQ(text(s.substr(5, -1)), L"c");
  EXPECT_EQ(text(s.substr(3, -1)), L"c");
  EXPECT_EQ(text(TString().substr(0, -1)), L"");
  EXPECT_EQ(text(s.substr(1, 5)), std::wstring(L"bc\0\0\0", 5));
  EXPECT_EQ(text(s), L"abc");
}
