// TString to and from UTF-8 and wide standard strings, compiled into the test
// as into any client.
#include "quor/std_string.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using Quor::TString;

namespace {

const bool kUtf16 = sizeof(wchar_t) == 2;
const std::wstring kReplacement = L"\xFFFD";

std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

// Code points as UTF-16 on Windows, UTF-32 elsewhere.
std::wstring wide(const std::u32string& points) {
  std::wstring units;
  for (char32_t c : points) {
    if (kUtf16 && c > 0xFFFF) {
      units += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += static_cast<wchar_t>(c);
    }
  }
  return units;
}

TEST(StdStringTest, ValidTextCrossesBothWaysUnchangedAtEveryEncodingBoundary) {
  const std::vector<std::pair<std::string, std::u32string>> cases = {
      {"", U""},
      {"\x7F", U"\x7F"},
      {"\xC2\x80", U"\x80"},
      {"\xDF\xBF", U"\x7FF"},
      {"\xE0\xA0\x80", U"\x800"},
      {"\xED\x9F\xBF", U"\xD7FF"},
      {"\xEE\x80\x80", U"\xE000"},
      {"\xEF\xBF\xBF", U"\xFFFF"},
      {"\xF0\x90\x80\x80", U"\x10000"},
      {"\xF4\x8F\xBF\xBF", U"\x10FFFF"},
      {"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x94\x91", U"Gr\xFC\xDF \x20AC \x1F511"},
  };
  for (const auto& [utf8, points] : cases) {
    SCOPED_TRACE(utf8);
    const std::wstring units = wide(points);
    EXPECT_EQ(text(Quor::fromUtf8(utf8)), units);
    EXPECT_EQ(Quor::toUtf8(Quor::fromWide(units)), utf8);
    EXPECT_EQ(Quor::toWide(TString(units.data(), static_cast<int>(units.size()))), units);
  }
  // The whole length crosses; a TString pads what follows a NUL with NULs.
  const std::wstring nuls(L"a\0\0", 3);
  EXPECT_EQ(text(Quor::fromUtf8(std::string("a\0b", 3))), nuls);
  EXPECT_EQ(Quor::toWide(Quor::fromWide(std::wstring(L"a\0b", 3))), nuls);
  EXPECT_EQ(Quor::toUtf8(Quor::fromWide(nuls)), std::string("a\0\0", 3));
}

TEST(StdStringTest, EachMaximalPieceOfInvalidUnicodeBecomesOneReplacementCharacter) {
  const std::wstring r = kReplacement;
  const std::vector<std::pair<std::string, std::wstring>> fromUtf8 = {
      {"\x80"
       "a",
       r + L"a"},                           // a stray continuation byte
      {"\xC0\xAF", r + r},                  // overlong lead, then a stray byte
      {"\xC1\xBF", r + r},                  // the other overlong two-byte lead
      {"\xE0\x9F\xBF", r + r + r},          // overlong three bytes
      {"\xED\xA0\x80", r + r + r},          // an encoded surrogate
      {"\xF0\x8F\xBF\xBF", r + r + r + r},  // overlong four bytes
      {"\xF4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
      {"\xF5\x80", r + r},                  // a lead that no sequence has
      {"\xFF", r},                          // nor this one
      {"\xE2\x82"
       "a",
       r + L"a"},                           // cut short by a character
      {"\xF0\x9F\x94", r},                  // cut short by the end
      {"\xE2\x82\xAC\xE2", L"\x20AC" + r},  // a good sequence, then a cut one
  };
  for (const auto& [utf8, expected] : fromUtf8) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(text(Quor::fromUtf8(utf8)), expected);
  }
  // Wide units that are no character: lone or reversed surrogates, and in
  // UTF-32 any surrogate, a value above U+10FFFF and a negative unit.
  std::vector<std::pair<std::wstring, std::string>> toUtf8 = {
      {{L'a', wchar_t(0xD800)}, "a\xEF\xBF\xBD"},
      {{wchar_t(0xDC00), L'a'},
       "\xEF\xBF\xBD"
       "a"},
      {{wchar_t(0xDC00), wchar_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  if (!kUtf16) {
    toUtf8.push_back({{wchar_t(0xD800), wchar_t(0xDC00)}, "\xEF\xBF\xBD\xEF\xBF\xBD"});
    toUtf8.push_back({{static_cast<wchar_t>(0x110000)}, "\xEF\xBF\xBD"});
    toUtf8.push_back({{static_cast<wchar_t>(-1)}, "\xEF\xBF\xBD"});
  }
  for (const auto& [units, expected] : toUtf8) {
    EXPECT_EQ(Quor::toUtf8(Quor::fromWide(units)), expected) << units.size() << " units";
  }
}

}  // namespace
