// TString to and from UTF-8 and wide standard strings, compiled into the test
// as into any client.
#include "quor/std_string.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::wstring text(const Quor::TString& s) { return std::wstring(s.c_str(), s.length()); }

TEST(StdStringTest, ValidTextCrossesBothWaysUnchangedAtEveryEncodingBoundary) {
  // Wide literals are UTF-16 on Windows, UTF-32 elsewhere, as TString is.
  const std::vector<std::pair<std::string, std::wstring>> cases = {
      {"", L""},
      {"\x7F", L"\x7F"},
      {"\xC2\x80", L"\x80"},
      {"\xDF\xBF", L"\x7FF"},
      {"\xE0\xA0\x80", L"\x800"},
      {"\xED\x9F\xBF", L"\xD7FF"},
      {"\xEE\x80\x80", L"\xE000"},
      {"\xEF\xBF\xBF", L"\xFFFF"},
      {"\xF0\x90\x80\x80", L"\U00010000"},
      {"\xF4\x8F\xBF\xBF", L"\U0010FFFF"},
      {"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x94\x91", L"Gr\u00FC\u00DF \u20AC \U0001F511"},
  };
  for (const auto& [utf8, wide] : cases) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(text(Quor::fromUtf8(utf8)), wide);
    EXPECT_EQ(Quor::toUtf8(Quor::fromWide(wide)), utf8);
    EXPECT_EQ(Quor::toWide(Quor::TString(wide.data(), static_cast<int>(wide.size()))), wide);
  }
  // The whole length crosses; a TString pads what follows a NUL with NULs.
  const std::wstring nuls(L"a\0\0", 3);
  EXPECT_EQ(text(Quor::fromUtf8(std::string("a\0b", 3))), nuls);
  EXPECT_EQ(Quor::toWide(Quor::fromWide(std::wstring(L"a\0b", 3))), nuls);
  EXPECT_EQ(Quor::toUtf8(Quor::fromWide(nuls)), std::string("a\0\0", 3));
}

TEST(StdStringTest, EachMaximalPieceOfInvalidUnicodeBecomesOneReplacementCharacter) {
  const std::wstring r = L"\xFFFD";
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
       r + L"a"},                                   // cut short by a character
      {"\xE2\x82\xAC\xF0\x9F\x94", L"\u20AC" + r},  // a good sequence, then one cut by the end
  };
  for (const auto& [utf8, expected] : fromUtf8) {
    EXPECT_EQ(text(Quor::fromUtf8(utf8)), expected) << utf8;
  }
  // Lone or reversed surrogates; in UTF-32 also a pair, a value above
  // U+10FFFF and a negative unit.
  std::vector<std::pair<std::wstring, std::string>> toUtf8 = {
      {{L'a', wchar_t(0xD800)}, "a\xEF\xBF\xBD"},
      {{wchar_t(0xDC00), L'a'},
       "\xEF\xBF\xBD"
       "a"},
      {{wchar_t(0xDC00), wchar_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  if (sizeof(wchar_t) == 4) {
    toUtf8.push_back({{wchar_t(0xD800), wchar_t(0xDC00)}, "\xEF\xBF\xBD\xEF\xBF\xBD"});
    toUtf8.push_back(
        {{static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1)}, "\xEF\xBF\xBD\xEF\xBF\xBD"});
  }
  for (const auto& [units, expected] : toUtf8) {
    EXPECT_EQ(Quor::toUtf8(Quor::fromWide(units)), expected) << units.size() << " units";
  }
}

}  // namespace
