// TString: storage, construction, assignment, access and comparison.
#include "quor/tstring.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "foundation/errors.h"
#include "foundation/tstring_buffer.h"

namespace Quor {

namespace {

using CodeUnit = std::make_unsigned<wchar_t>::type;

const char kRangeMessage[] = "Position exceeds range of TString";

// The scalar comparison from `i` on, which compareOrdinal() below describes.
int compareUnits(const wchar_t* a, const wchar_t* b, std::size_t i, std::size_t n) {
  for (; i < n; ++i) {
    if (a[i] != b[i]) {
      return static_cast<CodeUnit>(a[i]) < static_cast<CodeUnit>(b[i]) ? -1 : 1;
    }
    if (a[i] == L'\0') break;
  }
  return 0;
}

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))

// x86 processors compare a vector of code units at once: 16 bytes with SSE2,
// which every x86-64 processor has, 32 with AVX2, chosen when the processor
// has it. A comparison passes over blocks of four vectors while their code
// units are equal and not NUL in `a` (a NUL in `b` before the first
// difference is one in `a` too), branching once per block, then finds the
// first unit that stops it from the byte masks of the block's vectors: bit i
// of a mask is set when byte i belongs to a unit that goes on. The AVX2 code
// is made from the same template by inlining everything into one function
// compiled for AVX2.

struct Sse2 {
  using Vector = __m128i;
  static Vector goesOn(const wchar_t* a, const wchar_t* b) {
    const Vector x = _mm_loadu_si128(reinterpret_cast<const Vector*>(a));
    const Vector y = _mm_loadu_si128(reinterpret_cast<const Vector*>(b));
    return sizeof(wchar_t) == 4
               ? _mm_andnot_si128(_mm_cmpeq_epi32(x, _mm_setzero_si128()), _mm_cmpeq_epi32(x, y))
               : _mm_andnot_si128(_mm_cmpeq_epi16(x, _mm_setzero_si128()), _mm_cmpeq_epi16(x, y));
  }
  static std::uint32_t mask(const wchar_t* a, const wchar_t* b) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(goesOn(a, b)));
  }
  static std::uint32_t blockMask(const wchar_t* a, const wchar_t* b) {
    constexpr std::size_t k = sizeof(Vector) / sizeof(wchar_t);
    return static_cast<std::uint32_t>(_mm_movemask_epi8(
        _mm_and_si128(_mm_and_si128(goesOn(a, b), goesOn(a + k, b + k)),
                      _mm_and_si128(goesOn(a + 2 * k, b + 2 * k), goesOn(a + 3 * k, b + 3 * k)))));
  }
};

// A block of AVX2 vectors holds a NUL when the least of its units is NUL.
struct Avx2 {
  using Vector = __m256i;
  __attribute__((target("avx2"))) static Vector load(const wchar_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const Vector*>(p));
  }
  __attribute__((target("avx2"))) static Vector equal(Vector x, Vector y) {
    return sizeof(wchar_t) == 4 ? _mm256_cmpeq_epi32(x, y) : _mm256_cmpeq_epi16(x, y);
  }
  __attribute__((target("avx2"))) static Vector least(Vector x, Vector y) {
    return sizeof(wchar_t) == 4 ? _mm256_min_epu32(x, y) : _mm256_min_epu16(x, y);
  }
  __attribute__((target("avx2"))) static std::uint32_t mask(const wchar_t* a, const wchar_t* b) {
    const Vector x = load(a);
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(
        _mm256_andnot_si256(equal(x, _mm256_setzero_si256()), equal(x, load(b)))));
  }
  __attribute__((target("avx2"))) static std::uint32_t blockMask(const wchar_t* a,
                                                                 const wchar_t* b) {
    constexpr std::size_t k = sizeof(Vector) / sizeof(wchar_t);
    const Vector x0 = load(a), x1 = load(a + k), x2 = load(a + 2 * k), x3 = load(a + 3 * k);
    const Vector same =
        _mm256_and_si256(_mm256_and_si256(equal(x0, load(b)), equal(x1, load(b + k))),
                         _mm256_and_si256(equal(x2, load(b + 2 * k)), equal(x3, load(b + 3 * k))));
    const Vector nul = equal(least(least(x0, x1), least(x2, x3)), _mm256_setzero_si256());
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_andnot_si256(nul, same)));
  }
};

template <class Isa>
int compareVectors(const wchar_t* a, const wchar_t* b, std::size_t n) {
  constexpr std::size_t kUnits = sizeof(typename Isa::Vector) / sizeof(wchar_t);
  constexpr std::uint32_t kAll =
      static_cast<std::uint32_t>((std::uint64_t{1} << sizeof(typename Isa::Vector)) - 1);
  std::size_t i = 0;
  for (; i + 4 * kUnits <= n; i += 4 * kUnits) {
    if (Isa::blockMask(a + i, b + i) == kAll) continue;
    for (;; i += kUnits) {
      const std::uint32_t stops = ~Isa::mask(a + i, b + i) & kAll;
      if (stops != 0) {
        i += static_cast<std::size_t>(__builtin_ctz(stops)) / sizeof(wchar_t);
        return compareUnits(a, b, i, i + 1);
      }
    }
  }
  return compareUnits(a, b, i, n);
}

__attribute__((target("avx2"), flatten)) int compareAvx2(const wchar_t* a, const wchar_t* b,
                                                         std::size_t n) {
  return compareVectors<Avx2>(a, b, n);
}

// Set when the library is loaded; a comparison made before, by another
// initialisation, takes the SSE2 code, which gives the same results.
const bool hasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);

__attribute__((noinline)) int compareSse2(const wchar_t* a, const wchar_t* b, std::size_t n) {
  return compareVectors<Sse2>(a, b, n);
}

// Ordinal comparison of the first `n` code units at most, stopping after the
// first NUL of either text: -1, 0 or +1. Each text holds a NUL within `n`
// units or is at least `n` long, so every unit read is in the text.
int compareOrdinal(const wchar_t* a, const wchar_t* b, std::size_t n) {
  return hasAvx2 ? compareAvx2(a, b, n) : compareSse2(a, b, n);
}

#else

int compareOrdinal(const wchar_t* a, const wchar_t* b, std::size_t n) {
  return compareUnits(a, b, 0, n);
}

#endif

// The same with both characters folded to lower case by the C locale. Equal
// code units fold alike, so only those that differ are folded; towlower()
// folds no character but NUL to NUL.
int compareFolded(const wchar_t* a, const wchar_t* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const CodeUnit ca = static_cast<CodeUnit>(a[i]);
    const CodeUnit cb = static_cast<CodeUnit>(b[i]);
    if (ca == cb) {
      if (ca == 0) break;
      continue;
    }
    const std::wint_t fa = std::towlower(static_cast<std::wint_t>(ca));
    const std::wint_t fb = std::towlower(static_cast<std::wint_t>(cb));
    if (fa != fb) return fa < fb ? -1 : 1;
    if (fa == 0) break;
  }
  return 0;
}

// How many code units a comparison of `a` (of `lengthA` characters) with `b`
// (of `lengthB`) looks at, at most `count` (0: no limit): past the shorter
// text's NUL it has stopped.
std::size_t comparedUnits(unsigned int lengthA, unsigned int lengthB, unsigned int count) {
  const std::size_t reach = static_cast<std::size_t>(lengthA < lengthB ? lengthA : lengthB) + 1;
  return count != 0 && count < reach ? count : reach;
}

}  // namespace

TString::TString() : buffer_(nullptr), length_(0) { setDataCopy(nullptr, 0); }

TString::TString(wchar_t c) : buffer_(nullptr), length_(0) {
  wchar_t* buffer = detail::newTextBuffer(1);
  buffer[0] = c;
  buffer[1] = L'\0';
  setData(buffer, 1);
}

// Fills its own buffer rather than going through setDataCopy() and setData(),
// two exported calls that would also release a buffer that is not there yet.
TString::TString(const wchar_t* text, int count) : buffer_(nullptr), length_(0) {
  const std::size_t length = detail::countOf(text, count);
  wchar_t* buffer = detail::newTextBuffer(length);
  if (length > 0) detail::copyCountedText(buffer, text, count, length);
  buffer[length] = L'\0';
  buffer_ = buffer;
  length_ = static_cast<unsigned int>(length);
}

TString::TString(const TString& other)
    : BaseDLLObjectImpl<BaseDLLInterface>(other),
      buffer_(detail::newTextBuffer(other.length_)),
      length_(other.length_) {
  detail::copyText(buffer_, other.buffer_, length_ + 1);
}

TString::TString(wchar_t* buffer, unsigned int length, AdoptBuffer)
    : buffer_(buffer), length_(length) {}

TString::~TString() { detail::release(buffer_); }

TString& TString::setDataCopy(const wchar_t* text, int count) {
  const std::size_t length = detail::countOf(text, count);
  wchar_t* buffer = detail::newTextBuffer(length);
  if (length > 0) detail::copyCountedText(buffer, text, count, length);
  buffer[length] = L'\0';
  return setData(buffer, static_cast<int>(length));
}

TString& TString::setData(wchar_t* text, int count) {
  detail::release(buffer_);
  buffer_ = text;
  length_ = static_cast<unsigned int>(count);
  return *this;
}

TString& TString::operator=(const TString& other) {
  if (this == &other) return *this;
  wchar_t* buffer = detail::newTextBuffer(other.length_);
  detail::copyText(buffer, other.buffer_, other.length_ + 1);
  detail::release(buffer_);
  buffer_ = buffer;
  length_ = other.length_;
  return *this;
}

TString& TString::assign(const wchar_t* text, int count) { return setDataCopy(text, count); }

void TString::clear() { setDataCopy(nullptr, 0); }

TString& TString::operator+=(const TString& other) {
  const std::size_t length = static_cast<std::size_t>(length_) + other.length_;
  wchar_t* buffer = detail::newTextBuffer(length);
  detail::copyText(buffer, buffer_, length_);
  detail::copyText(buffer + length_, other.buffer_, other.length_ + 1);
  detail::release(buffer_);
  buffer_ = buffer;
  length_ = static_cast<unsigned int>(length);
  return *this;
}

const wchar_t* TString::c_str() const { return buffer_; }

const wchar_t* TString::data() const { return buffer_; }

TString::operator const wchar_t*() const { return buffer_; }

unsigned int TString::size() const { return length_; }

unsigned int TString::length() const { return length_; }

bool TString::empty() const { return length_ == 0; }

wchar_t& TString::operator[](unsigned int pos) {
  if (length_ == 0 || pos > length_) detail::throwOutOfRange(kRangeMessage);
  return buffer_[pos];
}

wchar_t TString::at(unsigned int pos) const {
  if (length_ == 0 || pos > length_) detail::throwOutOfRange(kRangeMessage);
  return buffer_[pos];
}

int TString::compare(const TString& other) const {
  return compareOrdinal(buffer_, other.buffer_, comparedUnits(length_, other.length_, 0));
}

int TString::compare(unsigned int pos, unsigned int count, const TString& other) const {
  const unsigned int start = detail::clampPosition(pos, length_);
  return compareOrdinal(buffer_ + start, other.buffer_,
                        comparedUnits(length_ - start, other.length_, count));
}

int TString::compareIgnoreCase(const TString& other) const {
  return compareFolded(buffer_, other.buffer_, comparedUnits(length_, other.length_, 0));
}

int TString::compareIgnoreCase(unsigned int pos, unsigned int count, const TString& other) const {
  const unsigned int start = detail::clampPosition(pos, length_);
  return compareFolded(buffer_ + start, other.buffer_,
                       comparedUnits(length_ - start, other.length_, count));
}

bool operator==(const TString& a, const TString& b) {
  return a.length() == b.length() && a.compare(b) == 0;
}

bool operator!=(const TString& a, const TString& b) { return !(a == b); }

bool operator<(const TString& a, const TString& b) { return a.compare(b) < 0; }

bool operator<=(const TString& a, const TString& b) { return a.compare(b) <= 0; }

bool operator>(const TString& a, const TString& b) { return a.compare(b) > 0; }

bool operator>=(const TString& a, const TString& b) { return a.compare(b) >= 0; }

const TString operator+(const TString& a, const TString& b) {
  if (a.length_ == 0) return b;
  if (b.length_ == 0) return a;
  const std::size_t length = static_cast<std::size_t>(a.length_) + b.length_;
  wchar_t* buffer = detail::newTextBuffer(length);
  detail::copyText(buffer, a.buffer_, a.length_);
  detail::copyText(buffer + a.length_, b.buffer_, b.length_ + 1);
  return TString(buffer, static_cast<unsigned int>(length), TString::AdoptBuffer());
}

}  // namespace Quor
