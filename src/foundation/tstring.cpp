// TString: storage, construction, assignment, access and comparison.
#include "quor/tstring.h"

#include <cwctype>
#include <type_traits>

#include "foundation/errors.h"
#include "foundation/tstring_buffer.h"

namespace Quor {

namespace {

using CodeUnit = std::make_unsigned<wchar_t>::type;

const char kRangeMessage[] = "Position exceeds range of TString";

// Ordinal comparison of at most `limit` code units, stopping after a NUL
// that both texts share: -1, 0 or +1.
int compareOrdinal(const wchar_t* a, const wchar_t* b, std::size_t limit) {
  for (std::size_t i = 0; i < limit; ++i) {
    const CodeUnit ca = static_cast<CodeUnit>(a[i]);
    const CodeUnit cb = static_cast<CodeUnit>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) break;
  }
  return 0;
}

// The same with both characters folded to lower case by the C locale.
int compareFolded(const wchar_t* a, const wchar_t* b, std::size_t limit) {
  for (std::size_t i = 0; i < limit; ++i) {
    const std::wint_t ca = std::towlower(static_cast<std::wint_t>(static_cast<CodeUnit>(a[i])));
    const std::wint_t cb = std::towlower(static_cast<std::wint_t>(static_cast<CodeUnit>(b[i])));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) break;
  }
  return 0;
}

const std::size_t kUnlimited = static_cast<std::size_t>(-1);

std::size_t limitOf(unsigned int count) { return count == 0 ? kUnlimited : count; }

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
  return compareOrdinal(buffer_, other.buffer_, kUnlimited);
}

int TString::compare(unsigned int pos, unsigned int count, const TString& other) const {
  return compareOrdinal(buffer_ + detail::clampPosition(pos, length_), other.buffer_,
                        limitOf(count));
}

int TString::compareIgnoreCase(const TString& other) const {
  return compareFolded(buffer_, other.buffer_, kUnlimited);
}

int TString::compareIgnoreCase(unsigned int pos, unsigned int count, const TString& other) const {
  return compareFolded(buffer_ + detail::clampPosition(pos, length_), other.buffer_,
                       limitOf(count));
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
