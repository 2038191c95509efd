// TString: storage, construction, assignment, access and comparison.
#include "quor/tstring.h"

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <type_traits>

#include "foundation/errors.h"
#include "foundation/tstring_buffer.h"

namespace Quor {

namespace {

using CodeUnit = std::make_unsigned<wchar_t>::type;

const char kRangeMessage[] = "Position exceeds range of TString";

// The first position below `n` at which `a` and `b` hold different code
// units, or `n`. memcmp() compares blocks many times faster than a loop over
// code units but tells only whether they are equal (its byte order is not the
// code units' order), so the range is halved towards its first difference
// until a few units are left to look at one by one.
std::size_t firstDifference(const wchar_t* a, const wchar_t* b, std::size_t n) {
  std::size_t begin = 0, end = n;
  while (end - begin > 16) {
    const std::size_t half = (end - begin) / 2;
    if (std::memcmp(a + begin, b + begin, half * sizeof(wchar_t)) != 0) {
      end = begin + half;
    } else {
      begin += half;
    }
  }
  while (begin < end && a[begin] == b[begin]) ++begin;
  return begin;
}

// Ordinal comparison of the first `n` code units at most, stopping after a
// NUL that both texts share: -1, 0 or +1. Each text holds a NUL within `n`
// units or is at least `n` long.
int compareOrdinal(const wchar_t* a, const wchar_t* b, std::size_t n) {
  const std::size_t at = firstDifference(a, b, n);
  // Before their first difference the texts are equal, so a NUL there is in both.
  if (at == n || std::wmemchr(a, L'\0', at) != nullptr) return 0;
  return static_cast<CodeUnit>(a[at]) < static_cast<CodeUnit>(b[at]) ? -1 : 1;
}

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
