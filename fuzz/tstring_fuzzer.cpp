// Fuzzes TString's text operations against a std::wstring model.
//
// The input is a sequence of operations, each an op code byte followed by its
// arguments (small lengths, counts and positions, and characters drawn from a
// small alphabet with white space, NUL, a non-ASCII character and a code unit
// whose top bit is set). Each operation is applied to a TString and to the
// model, which holds every character of the recorded length, embedded NULs
// included; after each one the texts and lengths must be equal, and so must
// the results of find, compare and friends.
#include <cstddef>
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

using Model = std::wstring;
using CodeUnit = std::make_unsigned<wchar_t>::type;

// Strings longer than this are not doubled any more, and no replace may make
// one longer than twice this, so that a run stays fast.
constexpr std::size_t kLengthCap = 4096;

// A code unit with its top bit set (negative as a signed wchar_t), so that
// comparisons must treat code units as unsigned.
const wchar_t kTopBitSet = static_cast<wchar_t>(static_cast<CodeUnit>(-1) - 1);

const wchar_t kAlphabet[] = {L'a', L'b', L'A', L' ', L'\t', L'\0', L'\x20AC', kTopBitSet};

// The input, read byte by byte; zeros once it is used up.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool more() const { return pos_ < size_; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A count argument from -2 to 9: negative means "up to the NUL".
  int count() { return byte() % 12 - 2; }
  // A position from 0 to 15, so that both ends of short strings are reached.
  unsigned int position() { return byte() % 16; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A caller's C string: null, or up to 7 characters and a NUL. An embedded NUL
// ends the text as the callee sees it, as in any C string.
struct Arg {
  bool null = false;
  Model chars;
  const wchar_t* get() const { return null ? nullptr : chars.c_str(); }
};

Arg readArg(Input& in) {
  Arg arg;
  const std::uint8_t head = in.byte();
  if (head % 16 == 15) {
    arg.null = true;
    return arg;
  }
  for (int n = head % 8; n > 0; --n) arg.chars += kAlphabet[in.byte() % 8];
  return arg;
}

// The text of a C string: up to its first NUL.
Model cText(const wchar_t* text) { return text == nullptr ? Model() : Model(text); }

// What `count` characters of the caller's `text` are: negative, up to its NUL;
// otherwise `count` characters, the ones past its NUL being NUL.
Model take(const wchar_t* text, int count) {
  Model out = cText(text);
  if (text == nullptr || count < 0) return out;
  out.resize(static_cast<std::size_t>(count), L'\0');
  return out;
}

Model textOf(const TString& s) { return Model(s.c_str(), s.length()); }

bool space(wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

// -1, 0 or +1: texts up to their first NUL, unsigned code units, optionally
// folded, a prefix smaller.
int modelCompare(const Model& a, const Model& b, bool fold) {
  const Model x = cText(a.c_str()), y = cText(b.c_str());
  for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
    std::wint_t cx = static_cast<CodeUnit>(x[i]), cy = static_cast<CodeUnit>(y[i]);
    if (fold) cx = std::towlower(cx), cy = std::towlower(cy);
    if (cx != cy) return cx < cy ? -1 : 1;
  }
  return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

unsigned int clamp(const Model& m, unsigned int pos) {
  if (m.empty()) return 0;
  return pos >= m.size() ? static_cast<unsigned int>(m.size() - 1) : pos;
}

// compare(pos, count, other): from the clamped `pos`, at most `count`
// characters of each (0: all).
int modelCompareAt(const Model& m, unsigned int pos, unsigned int count, const Model& other,
                   bool fold) {
  Model a = cText(m.c_str() + clamp(m, pos)), b = cText(other.c_str());
  if (count != 0) a = a.substr(0, count), b = b.substr(0, count);
  return modelCompare(a, b, fold);
}

// Whether replacing `from` by `to` in `m` could give more than 2 * kLengthCap
// characters.
bool growsTooLong(const Model& m, const Model& from, const Model& to) {
  return !from.empty() && to.size() > from.size() &&
         m.size() + m.size() / from.size() * (to.size() - from.size()) > 2 * kLengthCap;
}

int sign(int v) { return (v > 0) - (v < 0); }

int modelFind(const Model& m, const wchar_t* pattern, unsigned int start) {
  const Model p = cText(pattern);
  if (p.empty() || m.empty() || start >= m.size() || p.size() > m.size()) return -1;
  for (std::size_t i = start; i + p.size() <= m.size(); ++i) {
    if (m.compare(i, p.size(), p) == 0) return static_cast<int>(i);
  }
  return -1;
}

// A left-to-right scan: each occurrence is replaced and skipped over.
Model modelReplace(const Model& m, const Model& from, const Model& to) {
  Model out;
  std::size_t i = 0;
  while (i < m.size()) {
    if (m.compare(i, from.size(), from) == 0) {
      out += to;
      i += from.size();
    } else {
      out += m[i++];
    }
  }
  return out;
}

Model modelSubstr(const Model& m, unsigned int pos, int count) {
  Model out = m.substr(clamp(m, pos));
  if (count >= 0) out.resize(static_cast<std::size_t>(count), L'\0');
  return out;
}

void checkSame(const TString& s, const Model& m) {
  FUZZ_CHECK(s.length() == m.size());
  FUZZ_CHECK(s.size() == s.length());
  FUZZ_CHECK(s.empty() == m.empty());
  FUZZ_CHECK(s.c_str() != nullptr);
  FUZZ_CHECK(s.c_str()[s.length()] == L'\0');
  FUZZ_CHECK(textOf(s) == m);
}

// With QUOR_FUZZ_TRACE set in the environment, each operation is printed
// with the length and the first characters of the model it starts from, to
// explain a reproducer.
void trace(int op, const Model& m) {
  static const bool enabled = std::getenv("QUOR_FUZZ_TRACE") != nullptr;
  if (!enabled) return;
  std::fprintf(stderr, "op %d on %zu [", op, m.size());
  for (std::size_t i = 0; i < m.size() && i < 32; ++i) {
    std::fprintf(stderr, " %x", static_cast<unsigned int>(m[i]));
  }
  std::fprintf(stderr, m.size() > 32 ? " ... ]\n" : " ]\n");
}

// One operation on `s` and `m`.
void step(Input& in, TString& s, Model& m) {
  const int op = in.byte() % 18;
  trace(op, m);
  switch (op) {
    case 0: {  // assign
      const Arg a = readArg(in);
      const int count = in.count();
      s.assign(a.get(), count);
      m = take(a.get(), count);
      break;
    }
    case 1: {  // append; nothing to add keeps the buffer
      const Arg a = readArg(in);
      const int count = in.count();
      const wchar_t* before = s.c_str();
      s.append(a.get(), count);
      if (a.null || a.chars.c_str()[0] == L'\0' || count == 0) {
        FUZZ_CHECK(s.c_str() == before);
      } else {
        m += take(a.get(), count);
      }
      break;
    }
    case 2: {  // append from the string's own buffer
      const unsigned int pos = clamp(m, in.position());
      const int count = in.count();
      const Model source = cText(m.c_str() + pos);
      s.append(s.c_str() + pos, count);
      if (!source.empty() && count != 0) m += take(source.c_str(), count);
      break;
    }
    case 3: {  // += another string, which may hold NULs
      const Arg a = readArg(in);
      const int count = in.count();
      const TString other(a.get(), count);
      s += other;
      m += take(a.get(), count);
      break;
    }
    case 4:  // += itself
      if (m.size() > kLengthCap) break;
      s += s;
      m += Model(m);
      break;
    case 5: {  // replace; a new buffer unless nothing can match
      const Arg from = readArg(in), to = readArg(in);
      const Model f = cText(from.get());
      if (growsTooLong(m, f, cText(to.get()))) break;
      const wchar_t* before = s.c_str();
      s.replace(from.get(), to.get());
      if (f.empty() || f.size() > m.size()) {
        FUZZ_CHECK(s.c_str() == before);
      } else {
        FUZZ_CHECK(s.c_str() != before);
        m = modelReplace(m, f, cText(to.get()));
      }
      break;
    }
    case 6: {  // replace with a pattern or replacement inside the string
      const unsigned int pos = clamp(m, in.position());
      const Arg other = readArg(in);
      const bool ownPattern = in.byte() % 2 == 0;
      const Model own = cText(m.c_str() + pos);
      const Model f = ownPattern ? own : cText(other.get());
      const Model t = ownPattern ? cText(other.get()) : own;
      if (growsTooLong(m, f, t)) break;
      if (ownPattern) {
        s.replace(s.c_str() + pos, other.get());
      } else {
        s.replace(other.get(), s.c_str() + pos);
      }
      if (!f.empty() && f.size() <= m.size()) m = modelReplace(m, f, t);
      break;
    }
    case 7:
      s.ltrim();
      while (!m.empty() && space(m.front())) m.erase(0, 1);
      break;
    case 8:
      s.rtrim();
      while (!m.empty() && space(m.back())) m.pop_back();
      break;
    case 9:
      s.trim();
      while (!m.empty() && space(m.front())) m.erase(0, 1);
      while (!m.empty() && space(m.back())) m.pop_back();
      break;
    case 10: {  // find, which must change nothing
      const Arg a = readArg(in);
      const unsigned int start = in.position();
      FUZZ_CHECK(s.find(a.get(), start) == modelFind(m, a.get(), start));
      break;
    }
    case 11: {  // substr, whose result becomes the string
      const unsigned int pos = in.position();
      const int count = in.count();
      const TString part = s.substr(pos, count);
      const Model expected = modelSubstr(m, pos, count);
      checkSame(part, expected);
      s = part;
      m = expected;
      break;
    }
    case 12: {  // comparisons with another string
      const Arg a = readArg(in);
      const int count = in.count();
      const TString other(a.get(), count);
      const Model o = take(a.get(), count);
      const int order = modelCompare(m, o, false);
      FUZZ_CHECK(s.compare(other) == order);
      FUZZ_CHECK(-other.compare(s) == order);
      FUZZ_CHECK(sign(s.compareIgnoreCase(other)) == modelCompare(m, o, true));
      FUZZ_CHECK((s == other) == (m.size() == o.size() && order == 0));
      FUZZ_CHECK((s != other) == !(s == other));
      FUZZ_CHECK((s < other) == (order < 0));
      FUZZ_CHECK((s <= other) == (order <= 0));
      FUZZ_CHECK((s > other) == (order > 0));
      FUZZ_CHECK((s >= other) == (order >= 0));
      FUZZ_CHECK(s.compare(s) == 0 && s == s);
      break;
    }
    case 13: {  // comparisons from a position
      const unsigned int pos = in.position();
      const unsigned int count = static_cast<unsigned int>(in.byte() % 8);
      const Arg a = readArg(in);
      const TString other(a.get());
      const Model o = cText(a.get());
      FUZZ_CHECK(sign(s.compare(pos, count, other)) == modelCompareAt(m, pos, count, o, false));
      FUZZ_CHECK(sign(s.compareIgnoreCase(pos, count, other)) ==
                 modelCompareAt(m, pos, count, o, true));
      break;
    }
    case 14: {  // operator+ with another string, on either side
      const Arg a = readArg(in);
      const TString other(a.get());
      const Model o = cText(a.get());
      if (in.byte() % 2 == 0) {
        s = s + other;
        m += o;
      } else {
        s = other + s;
        m = o + m;
      }
      break;
    }
    case 15: {  // character access
      const unsigned int pos = in.position();
      const bool inRange = !m.empty() && pos <= m.size();
      try {
        const wchar_t c = s.at(pos);
        FUZZ_CHECK(inRange && c == (pos < m.size() ? m[pos] : L'\0'));
        FUZZ_CHECK(&s[pos] == s.c_str() + pos);
      } catch (const std::out_of_range&) {
        FUZZ_CHECK(!inRange);
      }
      break;
    }
    case 16: {  // one character, NUL too
      const wchar_t c = kAlphabet[in.byte() % 8];
      s = TString(c);
      m = Model(1, c);
      break;
    }
    case 17:  // copies and self-assignment
      if (in.byte() % 2 == 0) {
        TString copy(s);
        checkSame(copy, m);
        s.clear();
        s = copy;
      } else {
        TString& self = s;
        s = self;
      }
      break;
  }
  checkSame(s, m);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  TString s;
  Model m;
  while (in.more()) step(in, s, m);
  return 0;
}
