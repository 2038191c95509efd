// The translation of the library's printf conventions into ISO C, and the
// measuring and writing of the translated formats' output.
#include "quor_text/wide_format.h"

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <iterator>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

namespace text = Quor::text;

namespace {

// Translates into a buffer of exactly the announced capacity, followed by
// guard characters that must stay untouched.
std::wstring translate(const wchar_t* format) {
  const std::size_t capacity = text::translatedFormatCapacity(format);
  std::wstring out = std::wstring(capacity, L'?') + L"####";
  text::translateFormat(format, &out[0]);
  EXPECT_EQ(out.substr(capacity), L"####") << format;
  return out.c_str();
}

using Result = std::tuple<int, int, std::wstring>;

// What measureFormatted() counts, what writeFormatted() into a buffer of
// `size` characters returns, and the text written.
Result run(std::size_t size, const wchar_t* format, ...) {
  std::wstring buffer(size, L'\0');
  va_list args, copy;
  va_start(args, format);
  va_copy(copy, args);
  const int measured = text::measureFormatted(format, args);
  const int written = text::writeFormatted(&buffer[0], size, format, copy);
  va_end(copy);
  va_end(args);
  return Result(measured, written, written < 0 ? L"" : buffer.c_str());
}

TEST(WideFormatTest, TranslatesLibraryDirectivesToIsoCWithinCapacity) {
  // Pairs of a library format and its ISO C form.
  const wchar_t* const cases[] = {
      L"%s",       L"%ls",      L"%ws",          L"%ls",     L"%ls",   L"%ls",     L"%hs",
      L"%s",       L"%S",       L"%s",           L"%wS",     L"%ls",   L"%c",      L"%lc",
      L"%C",       L"%c",       L"%hc",          L"%c",      L"%I64d", L"%lld",    L"%I32d",
      L"%d",       L"%Iu",      L"%zu",          L"%%s",     L"%%s",   L"%-19.9s", L"%-19.9ls",
      L"%*.*s",    L"%*.*ls",   L"%lld%lu",      L"%lld%lu", L"100%",  L"100%",    L"a%sb%c",
      L"a%lsb%lc", L"%s%s%s%s", L"%ls%ls%ls%ls", L"%lSl",    L"%lsl",  L"%lC",     L"%lc",
      L"%hsh",     L"%sh",      L"%Id4",         L"%zd4",    L"%Id2",  L"%zd2",    L"%10.0s",
      L"%10.0ls"};
  for (std::size_t i = 0; i < std::size(cases); i += 2)
    EXPECT_EQ(translate(cases[i]), cases[i + 1]) << "format: " << cases[i];
}

TEST(WideFormatTest, MeasureAndWriteCountTheOutputAndRejectUnconvertibleText) {
  EXPECT_EQ(run(6, L"%d-%ls", 42, L"xy"), Result(5, 5, L"42-xy"));
  EXPECT_EQ(run(5, L"%d-%ls", 42, L"xy"), Result(5, -1, L""));
  // Longer than the formatter's internal buffer.
  EXPECT_EQ(run(1001, L"%1000d", 7), Result(1000, 1000, std::wstring(999, L' ') + L"7"));
#if !defined(_WIN32)
  // A narrow string that does not convert in the "C" locale (MinGW-w64's
  // formatter converts any bytes).
  EXPECT_EQ(run(8, L"%s", "\xff\xfe"), Result(-1, -1, L""));
  EXPECT_EQ(run(2000, L"%1000d%s", 7, "\xff\xfe"), Result(-1, -1, L""));
#endif
}

TEST(WideFormatTest, FormatsWithAPositionalDirectiveAreRejectedOnEveryPlatform) {
  const Result rejected(-1, -1, L"");
  const struct {
    const wchar_t* format;
    Result result;
  } cases[] = {{L"%1$d", rejected},
               {L"%-*1$d", rejected},
               {L"%.*1$d", rejected},
               {L"%%1$d %d$", Result(7, 7, L"%1$d 7$")}};
  for (const auto& c : cases) EXPECT_EQ(run(16, c.format, 7, 7), c.result) << c.format;
}

// formatWide(), from a buffer of 64 characters or the room it asks for,
// beside the C runtime on the translated format.
void expectAsCRuntime(const wchar_t* format, ...) {
  wchar_t buffer[64], runtime[128] = {}, *output = nullptr;
  std::wstring room;
  va_list args, copy;
  va_start(args, format);
  va_copy(copy, args);
  const int length = text::formatWide(
      format, args, buffer, 64,
      [](void* to, std::size_t n) { return &static_cast<std::wstring*>(to)->assign(n, L'?')[0]; },
      &room, &output);
  const int expected = text::writeFormatted(runtime, 128, translate(format).c_str(), copy);
  va_end(copy);
  va_end(args);
  EXPECT_EQ(length, expected) << format;
  EXPECT_EQ(length < 0 ? L"" : std::wstring(output), length < 0 ? L"" : runtime) << format;
}

TEST(WideFormatTest, FormatWideWritesWhatTheCRuntimeWrites) {
  expectAsCRuntime(L"%ws=%d %hs 100%%", L"n\x20AC", -42, "narrow");
  expectAsCRuntime(L"%s|%S|%ls|%lS|%wS|%hS|%s", L"w", "n", L"l", L"L", L"W", "h", L"");
  expectAsCRuntime(L"%d %i %u %x", INT_MIN, INT_MAX, UINT_MAX, 0xabcdefu);
  expectAsCRuntime(L"%ld %lu %lx", LONG_MIN, ULONG_MAX, 0x1fUL);
  expectAsCRuntime(L"%lld %llu %llx %I64d %I64x", LLONG_MIN, ULLONG_MAX, 0xfULL, INT64_MIN,
                   UINT64_MAX);
  // What the C runtime writes itself: flags, widths, other conversions and
  // modifiers, a narrow string that is not ASCII, a null string. One each, so
  // that none hands the others to the C runtime.
  expectAsCRuntime(L"%5d|", 7);
  expectAsCRuntime(L"%-3ws|", L"a");
  expectAsCRuntime(L"%c|", L'x');
  expectAsCRuntime(L"%hd|", 70000);
  expectAsCRuntime(L"%I32d|%X", 4, 255u);
#if !defined(_WIN32)
  expectAsCRuntime(L"%hs", "caf\xc3\xa9");
#endif
  expectAsCRuntime(L"%ws", static_cast<const wchar_t*>(nullptr));
  expectAsCRuntime(L"%ws%ws", L"0123456789012345678901234567890123456789",
                   L"01234567890123456789012");
}

}  // namespace
