// The translation of the library's printf conventions into ISO C, and the
// measuring and writing of the translated formats' output.
#include "platform/wide_format.h"

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace platform = Quor::platform;

namespace {

// Translates into a buffer of exactly the announced capacity, followed by
// guard characters that must stay untouched.
std::wstring translate(const wchar_t* format) {
  const std::size_t capacity = platform::translatedFormatCapacity(format);
  std::vector<wchar_t> out(capacity + 4, L'#');
  platform::translateFormat(format, out.data());
  EXPECT_EQ(std::wstring(out.data() + capacity, 4), L"####") << format;
  return std::wstring(out.data(), std::min(capacity, std::wcslen(out.data())));
}

int measure(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int count = platform::measureFormatted(format, args);
  va_end(args);
  return count;
}

int write(wchar_t* buffer, std::size_t size, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int count = platform::writeFormatted(buffer, size, format, args);
  va_end(args);
  return count;
}

}  // namespace

TEST(WideFormatTest, TranslatesLibraryDirectivesToIsoCWithinCapacity) {
  const wchar_t* const cases[][2] = {{L"%s", L"%ls"},          {L"%ws", L"%ls"},
                                     {L"%ls", L"%ls"},         {L"%hs", L"%s"},
                                     {L"%S", L"%s"},           {L"%wS", L"%ls"},
                                     {L"%c", L"%lc"},          {L"%C", L"%c"},
                                     {L"%hc", L"%c"},          {L"%I64d", L"%lld"},
                                     {L"%I32d", L"%d"},        {L"%Iu", L"%zu"},
                                     {L"%%s", L"%%s"},         {L"%-10s", L"%-10ls"},
                                     {L"%5.2f", L"%5.2f"},     {L"%lld%lu", L"%lld%lu"},
                                     {L"100%", L"100%"},       {L"", L""},
                                     {L"a%sb%c", L"a%lsb%lc"}, {L"%s%s%s%s", L"%ls%ls%ls%ls"}};
  for (const auto& c : cases) EXPECT_EQ(translate(c[0]), c[1]) << "format: " << c[0];
}

TEST(WideFormatTest, MeasureAndWriteAgreeAndRejectUnconvertibleText) {
  EXPECT_EQ(measure(L"%d-%ls", 42, L"xy"), 5);
  EXPECT_EQ(measure(L"%1000d", 1), 1000);
  EXPECT_EQ(measure(L""), 0);
  wchar_t buffer[8];
  EXPECT_EQ(write(buffer, 6, L"%d-%ls", 42, L"xy"), 5);
  EXPECT_EQ(std::wstring(buffer), L"42-xy");
  EXPECT_EQ(write(buffer, 5, L"%d-%ls", 42, L"xy"), -1);
  // A narrow string that does not convert in the "C" locale.
  EXPECT_EQ(measure(L"%s", "\xff\xfe"), -1);
  EXPECT_EQ(write(buffer, 8, L"%s", "\xff\xfe"), -1);
}
