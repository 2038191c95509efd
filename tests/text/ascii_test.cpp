// The letter case and blanks of fixed ASCII names: A to Z and the six C-locale
// blanks, and nothing next to them.
#include "quor_text/ascii.h"

#include <gtest/gtest.h>

namespace text = Quor::text;

namespace {

TEST(AsciiTest, OnlyAToZFoldAndOnlyTheSixCLocaleBlanksAreBlank) {
  EXPECT_TRUE(text::equalIgnoringAsciiCase(L"AZaz09@[`{", L"azAZ09@[`{"));
  for (const wchar_t* other : {L"@", L"[", L"`", L"{", L"\u0131", L"\u00c0", L"AZ ", L""})
    EXPECT_FALSE(text::equalIgnoringAsciiCase(L"AZ", other)) << other;
  for (const wchar_t c : {L' ', L'\t', L'\n', L'\v', L'\f', L'\r'})
    EXPECT_TRUE(text::isAsciiBlank(c));
  for (const wchar_t c : {L'\b', L'\x0e', L'\x1f', L'!', L'\x85', L'\xa0', L'\x3000'})
    EXPECT_FALSE(text::isAsciiBlank(c)) << int(c);
}

}  // namespace
