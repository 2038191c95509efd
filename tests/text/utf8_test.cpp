// UTF-8 both ways at the edges of each sequence length, and what is not UTF-8.
#include "quor_text/utf8.h"

#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

namespace text = Quor::text;

namespace {

TEST(Utf8Test, EachScalarValueTakesItsShortestFormAndAnUnpairedSurrogateTheReplacement) {
  const std::wstring unpaired[] = {std::wstring(1, wchar_t(0xD800)) + L"a",
                                   std::wstring(1, wchar_t(0xDFFF))};
  const std::pair<std::wstring, std::string> cases[] = {
      {L"a\x7f", "a\x7f"},
      {L"\x80\x7ff", "\xC2\x80\xDF\xBF"},
      {L"\x800\xffff", "\xE0\xA0\x80\xEF\xBF\xBF"},
      {L"\U00010000\U0010FFFF",
       "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},  // pairs where wchar_t is 16 bits
      {unpaired[0],
       "\xEF\xBF\xBD"
       "a"},
      {unpaired[1], "\xEF\xBF\xBD"}};
  for (const auto& [wide, utf8] : cases) {
    std::string out = "kept";
    text::appendUtf8(out, wide.data(), wide.size());
    EXPECT_EQ(out, "kept" + utf8);
  }
  // Only U+DC80 to U+DCFF stand for bytes, and only in file names.
  const std::wstring units = {wchar_t(0xDC7F), wchar_t(0xDC80), wchar_t(0xDCFF), wchar_t(0xDD00)};
  std::string shown, name;
  text::appendUtf8(shown, units.data(), units.size());
  text::appendFileNameBytes(name, units.data(), units.size());
  EXPECT_EQ(shown, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(name, "\xEF\xBF\xBD\x80\xFF\xEF\xBF\xBD");
}

TEST(Utf8Test, DecodingTakesEachByteOfWhatIsNotUtf8AsLatin1) {
  const std::tuple<std::string, std::wstring, bool> cases[] = {
      {"a\xC2\x80\xE0\xA0\x80\xDF\xBF", L"a\x80\x800\x7FF", true},
      {"\xED\x9F\xBF\xEE\x80\x80", L"\xD7FF\xE000", true},
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", L"\U00010000\U0010FFFF", true},
      {"\xC1\xBF", L"\xC1\xBF", false},                  // overlong
      {"\xE0\x9F\xBF", L"\xE0\x9F\xBF", false},          // overlong
      {"\xED\xA0\x80", L"\xED\xA0\x80", false},          // a surrogate
      {"\xED\xBF\xBF", L"\xED\xBF\xBF", false},          // the last surrogate
      {"\xF4\x90\x80\x80", L"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
      {"\x80\x90\x80\x80", L"\x80\x90\x80\x80", false},  // no lead byte
      {"\xE0\xA0", L"\xE0\xA0", false}};                 // truncated
  for (const auto& [utf8, wide, valid] : cases) {
    std::wstring out = L"kept";
    EXPECT_EQ(text::appendDecodedUtf8(out, utf8.data(), utf8.size()), valid) << utf8;
    EXPECT_EQ(out, L"kept" + wide) << utf8;
    // As a file name, each such byte b is the code unit U+DC00 + b, and the
    // name comes back to its bytes.
    std::wstring name = L"kept", escaped = wide;
    for (wchar_t& c : escaped) c = valid ? c : static_cast<wchar_t>(0xDC00 + c);
    EXPECT_EQ(text::appendDecodedFileName(name, utf8.data(), utf8.size()), valid) << utf8;
    EXPECT_EQ(name, L"kept" + escaped) << utf8;
    std::string bytes = "kept";
    text::appendFileNameBytes(bytes, name.data() + 4, name.size() - 4);
    EXPECT_EQ(bytes, "kept" + utf8);
  }
}

}  // namespace
