// Fuzzes TString's text operations. Each step reads an op code, two caller's
// texts (null, or a few characters among them white space, NUL, a non-ASCII
// character and a code unit with its top bit set), a count, a position and a
// choice. The result must follow from the text before by the operation's rules,
// the string stay well formed and keep its buffer where that is promised.
// QUOR_FUZZ_TRACE in the environment prints each step, to explain a reproducer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "fuzz_check.h"
#include "quor/tstring.h"

using Quor::TString;

namespace {

using Text = std::wstring;
using Unit = std::make_unsigned<wchar_t>::type;

// Past this length a string is no longer doubled, nor grown by replace.
constexpr std::size_t kLengthCap = 4096;

struct Input {
  const std::uint8_t *at, *end;
  std::uint8_t byte() { return at < end ? *at++ : 0; }
  const wchar_t* text(Text& chars) {
    static const wchar_t kChars[] = {L'a',  L'b',  L'A',      L' ',
                                     L'\t', L'\0', L'\x20AC', static_cast<wchar_t>(~Unit{1})};
    const std::uint8_t head = byte();
    for (int n = head % 8; n > 0; --n) chars += kChars[byte() % 8];
    return head % 16 == 15 ? nullptr : chars.c_str();
  }
};

Text textOf(const TString& s) { return Text(s.c_str(), s.length()); }

// `count` characters of `text`: negative, up to its NUL; else padded with NUL.
Text take(const wchar_t* text, int count) {
  Text t = text != nullptr ? text : L"";
  if (text != nullptr && count >= 0) t.resize(static_cast<std::size_t>(count));
  return t;
}

bool space(wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }
int sign(int v) { return (v > 0) - (v < 0); }

// The sign of comparing C strings as unsigned code units, at most `limit` (0: all).
int order(const wchar_t* x, const wchar_t* y, unsigned int limit, bool fold) {
  for (unsigned int i = 0; limit == 0 || i < limit; ++i) {
    std::wint_t a = static_cast<Unit>(x[i]), b = static_cast<Unit>(y[i]);
    if (fold) a = std::towlower(a), b = std::towlower(b);
    if (a != b || a == 0) return (a > b) - (a < b);
  }
  return 0;
}

void step(Input& in, TString& s) {
  const Text before = textOf(s);
  const unsigned int len = s.length(), op = in.byte() % 12;
  Text chars, chars2;
  const wchar_t *arg = in.text(chars), *arg2 = in.text(chars2), *const buffer = s.c_str();
  const int count = in.byte() % 12 - 2;  // negative: up to the NUL
  const unsigned int pos = in.byte() % 16, at = len == 0 ? 0 : std::min(pos, len - 1);
  const std::uint8_t choice = in.byte();
  // The first text: the caller's, or the string's own from the clamped `pos`.
  const wchar_t* const text = choice % 2 != 0 ? arg : buffer + at;
  const Text taken = take(text, count), whole = take(text, -1);
  Text want = before;
  int keep = 0;  // 1: the same buffer afterwards; -1: a new one
  static const bool trace = std::getenv("QUOR_FUZZ_TRACE") != nullptr;
  if (trace) std::fprintf(stderr, "op %u on %u characters, choice %u\n", op, len, choice);
  switch (op) {
    case 0:
      s.assign(text, count);
      want = taken;
      break;
    case 1:  // appending nothing keeps the buffer
      keep = text == nullptr || *text == L'\0' || count == 0 ? 1 : 0;
      s.append(text, count);
      if (keep == 0) want += taken;
      break;
    case 2:  // += another string, which may hold NULs, or itself
      if (choice % 2 != 0) {
        s += TString(arg, count), want += taken;
      } else if (len <= kLengthCap) {
        s += s, want += before;
      }
      break;
    case 3: {  // replace, either text maybe the string's own
      const wchar_t* to = choice % 4 < 2 ? arg2 : buffer + at;
      const Text t = take(to, -1);
      const std::size_t n = whole.size(), grows = n != 0 && t.size() > n ? t.size() - n : 0;
      if (grows != 0 && len + len / n * grows > 2 * kLengthCap) break;
      s.replace(text, to);
      keep = n == 0 || n > len ? 1 : -1;
      if (keep > 0) break;
      want.clear();
      std::size_t i = 0;
      // Each piece of the old text ends at its first NUL.
      const auto piece = [&before](std::size_t from, std::size_t to) {
        const Text part = before.substr(from, to - from);
        return part.substr(0, part.find(L'\0'));
      };
      for (std::size_t j; (j = before.find(whole, i)) != Text::npos; i = j + n) {
        want.append(piece(i, j)).append(t);
      }
      want.append(piece(i, len));
      break;
    }
    case 4: {  // white space off the front, the back or both
      const auto front = std::find_if_not(before.begin(), before.end(), space);
      const auto back = std::find_if_not(before.rbegin(), before.rend(), space).base();
      TString left(s), right(s);
      FUZZ_CHECK(textOf(left.ltrim()) == Text(front, before.end()));
      FUZZ_CHECK(textOf(right.rtrim()) == Text(before.begin(), back));
      want = front < back ? Text(front, back) : Text();
      s.trim();
      break;
    }
    case 5: {  // the first occurrence at or after `pos`
      const std::size_t found = whole.empty() || pos >= len ? Text::npos : before.find(whole, pos);
      FUZZ_CHECK(s.find(text, pos) == (found == Text::npos ? -1 : static_cast<int>(found)));
      keep = 1;
      break;
    }
    case 6:
      want = before.substr(at);
      want.resize(count >= 0 ? static_cast<std::size_t>(count)
                             : std::min(want.find(L'\0'), want.size()));
      s = s.substr(pos, count);
      break;
    case 7: {  // the comparisons agree with each other and with `order`
      const TString other(arg, count);
      const wchar_t *o = other.c_str(), *from = s.c_str() + at;
      const int c = order(s.c_str(), o, 0, false), n = choice % 8;
      FUZZ_CHECK(s.compare(other) == c && other.compare(s) == -c && s.compare(s) == 0);
      FUZZ_CHECK(sign(s.compareIgnoreCase(other)) == order(s.c_str(), o, 0, true));
      FUZZ_CHECK((s == other) == (len == other.length() && c == 0) && s == s);
      FUZZ_CHECK((s != other) != (s == other) && (s < other) == (c < 0) &&
                 (s >= other) == (c >= 0));
      FUZZ_CHECK((s <= other) == (c <= 0) && (s > other) == (c > 0));
      FUZZ_CHECK(sign(s.compare(pos, n, other)) == order(from, o, n, false));
      FUZZ_CHECK(sign(s.compareIgnoreCase(pos, n, other)) == order(from, o, n, true));
      keep = 1;
      break;
    }
    case 8:  // operator+, on either side
      s = choice % 4 < 2 ? s + TString(arg) : TString(arg) + s;
      want.insert(choice % 4 < 2 ? len : 0, take(arg, -1));
      break;
    case 9:  // character access, the terminating NUL included
      try {
        const wchar_t c = s.at(pos);
        FUZZ_CHECK(len != 0 && pos <= len && c == buffer[pos] && &s[pos] == buffer + pos);
      } catch (const std::out_of_range&) {
        FUZZ_CHECK(len == 0 || pos > len);
      }
      keep = 1;
      break;
    case 10:  // one character, NUL too
      want = Text(1, chars.empty() ? L'\0' : chars[0]);
      s = TString(want[0]);
      break;
    case 11: {  // a copy; clear; assignment of the copy and of itself
      const TString copy(s);
      s.clear();
      FUZZ_CHECK(textOf(copy) == before && s.length() == 0 && *s.c_str() == L'\0');
      TString& self = s = copy;
      s = self;
      break;
    }
  }
  FUZZ_CHECK(s.c_str() != nullptr && s.c_str()[s.length()] == L'\0');
  FUZZ_CHECK(s.size() == s.length() && s.empty() == (s.length() == 0) && textOf(s) == want);
  if (keep != 0) FUZZ_CHECK((s.c_str() == buffer) == (keep > 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, data + size};
  TString s;
  while (in.at < in.end) step(in, s);
  return 0;
}
