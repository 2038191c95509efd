// TString: the editing and searching operations.
#include <cstdarg>
#include <cwctype>
#include <string_view>

#include "foundation/tstring_buffer.h"
#include "quor/tstring.h"
#include "quor_text/wide_format.h"

namespace Quor {

namespace {

bool isSpace(wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

// Owns a buffer of the module allocator until it is handed over.
class BufferHolder {
 public:
  explicit BufferHolder(wchar_t* buffer) : buffer_(buffer) {}
  BufferHolder(const BufferHolder&) = delete;
  BufferHolder& operator=(const BufferHolder&) = delete;
  ~BufferHolder() { detail::release(buffer_); }
  wchar_t* get() const { return buffer_; }
  void reset(wchar_t* buffer) {
    detail::release(buffer_);
    buffer_ = buffer;
  }
  wchar_t* release() {
    wchar_t* buffer = buffer_;
    buffer_ = nullptr;
    return buffer;
  }

 private:
  wchar_t* buffer_;
};

// Room for a long output, made in the holder given as `holder`.
wchar_t* newOutputBuffer(void* holder, std::size_t length) {
  BufferHolder& room = *static_cast<BufferHolder*>(holder);
  room.reset(detail::newTextBuffer(length));
  return room.get();
}

// Formats `fmt` with `args` into a new buffer of exactly the output's size and
// stores the output's length in `length`. Returns null when the C runtime
// rejects the format or an argument; throws std::bad_alloc, as the module
// allocator does, when it runs out of memory. A short output is written on
// the stack first and then copied, so that it is formatted only once.
wchar_t* formatToBuffer(const wchar_t* fmt, va_list args, std::size_t* length) {
  wchar_t shortOutput[256];
  BufferHolder room(nullptr);
  wchar_t* output = nullptr;
  const int count = text::formatWide(fmt, args, shortOutput, sizeof shortOutput / sizeof(wchar_t),
                                     newOutputBuffer, &room, &output);
  if (count == text::kFormatOutOfMemory) detail::throwAllocationFailure();
  if (count < 0) return nullptr;
  *length = static_cast<std::size_t>(count);
  if (output == room.get()) return room.release();
  wchar_t* buffer = detail::newTextBuffer(*length);
  detail::copyText(buffer, output, *length + 1);
  return buffer;
}

std::wstring_view viewOf(const TString& text) {
  return std::wstring_view(text.c_str(), text.length());
}

}  // namespace

TString& TString::append(const wchar_t* text, int count) {
  // An empty text adds nothing whatever the count: it is not padded with NUL.
  if (text == nullptr || text[0] == L'\0' || count == 0) return *this;
  const std::size_t added = detail::countOf(text, count);
  const std::size_t length = static_cast<std::size_t>(length_) + added;
  wchar_t* buffer = detail::newTextBuffer(length);
  detail::copyText(buffer, buffer_, length_);
  detail::copyCountedText(buffer + length_, text, count, added);
  buffer[length] = L'\0';
  return setData(buffer, static_cast<int>(length));
}

TString& TString::format(const wchar_t* fmt, ...) {
  if (fmt == nullptr) return *this;
  va_list args;
  va_start(args, fmt);
  std::size_t length = 0;
  wchar_t* buffer = nullptr;
  try {
    buffer = formatToBuffer(fmt, args, &length);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
  if (buffer == nullptr) return *this;
  return setData(buffer, static_cast<int>(length));
}

TString& TString::appendFormat(const wchar_t* fmt, ...) {
  if (fmt == nullptr) return *this;
  va_list args;
  va_start(args, fmt);
  std::size_t added = 0;
  wchar_t* formatted = nullptr;
  try {
    formatted = formatToBuffer(fmt, args, &added);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
  BufferHolder output(formatted);
  if (formatted == nullptr || added == 0) return *this;
  // The output is copied whole: a %c of NUL is part of it.
  const std::size_t length = static_cast<std::size_t>(length_) + added;
  wchar_t* buffer = detail::newTextBuffer(length);
  detail::copyText(buffer, buffer_, length_);
  detail::copyText(buffer + length_, formatted, added + 1);
  return setData(buffer, static_cast<int>(length));
}

int TString::find(const wchar_t* pattern, unsigned int start) {
  // A search that starts at or past the end, or for a pattern longer than the
  // string, finds nothing without a rule of its own.
  if (pattern == nullptr || *pattern == L'\0') return -1;
  const std::size_t position = viewOf(*this).find(std::wstring_view(pattern), start);
  return position == std::wstring_view::npos ? -1 : static_cast<int>(position);
}

TString& TString::replace(const wchar_t* from, const wchar_t* to) {
  if (from == nullptr) return *this;
  const std::wstring_view pattern(from);
  if (pattern.empty() || pattern.size() > length_) return *this;
  const std::wstring_view replacement = to != nullptr ? std::wstring_view(to) : std::wstring_view();
  const std::wstring_view text = viewOf(*this);

  // The result is made of the text between occurrences and the replacement
  // for each. Occurrences are found in the whole text, past an embedded NUL
  // too, but each piece of the text is taken up to its first NUL, like every
  // text that a count of -1 measures. The pieces are measured first, so that
  // the result is built in one buffer of its exact size. `from` and `to` may
  // point into this string: both are read before the old buffer is released.
  const auto pieceLength = [&text](std::size_t begin, std::size_t end) {
    return wcsnlen(text.data() + begin, end - begin);
  };
  std::size_t length = 0;
  std::size_t resume = 0;
  for (std::size_t p = text.find(pattern); p != std::wstring_view::npos;
       p = text.find(pattern, resume)) {
    length += pieceLength(resume, p) + replacement.size();
    resume = p + pattern.size();
  }
  length += pieceLength(resume, text.size());
  wchar_t* buffer = detail::newTextBuffer(length);
  wchar_t* out = buffer;
  resume = 0;
  for (std::size_t p = text.find(pattern); p != std::wstring_view::npos;
       p = text.find(pattern, resume)) {
    const std::size_t piece = pieceLength(resume, p);
    detail::copyText(out, text.data() + resume, piece);
    out += piece;
    detail::copyText(out, replacement.data(), replacement.size());
    out += replacement.size();
    resume = p + pattern.size();
  }
  detail::copyText(out, text.data() + resume, pieceLength(resume, text.size()));
  buffer[length] = L'\0';
  return setData(buffer, static_cast<int>(length));
}

TString& TString::ltrim() {
  unsigned int count = 0;
  while (count < length_ && isSpace(buffer_[count])) ++count;
  if (count == 0) return *this;
  const std::size_t length = length_ - count;
  wchar_t* buffer = detail::newTextBuffer(length);
  detail::copyText(buffer, buffer_ + count, length + 1);
  return setData(buffer, static_cast<int>(length));
}

TString& TString::rtrim() {
  unsigned int length = length_;
  while (length > 0 && isSpace(buffer_[length - 1])) --length;
  if (length == length_) return *this;
  wchar_t* buffer = detail::newTextBuffer(length);
  detail::copyText(buffer, buffer_, length);
  buffer[length] = L'\0';
  return setData(buffer, static_cast<int>(length));
}

TString& TString::trim() {
  // Both ends in one new buffer: trimming them one after the other could fail
  // between the two and leave the string half trimmed.
  unsigned int start = 0;
  while (start < length_ && isSpace(buffer_[start])) ++start;
  unsigned int end = length_;
  while (end > start && isSpace(buffer_[end - 1])) --end;
  if (start == 0 && end == length_) return *this;
  const std::size_t length = end - start;
  wchar_t* buffer = detail::newTextBuffer(length);
  detail::copyText(buffer, buffer_ + start, length);
  buffer[length] = L'\0';
  return setData(buffer, static_cast<int>(length));
}

TString TString::substr(unsigned int pos, int count) const {
  const unsigned int start = detail::clampPosition(pos, length_);
  const std::size_t available = length_ - start;
  // A negative count takes the text up to its NUL, an embedded one too.
  const std::size_t length =
      count < 0 ? wcsnlen(buffer_ + start, available) : static_cast<std::size_t>(count);
  wchar_t* buffer = detail::newTextBuffer(length);
  const std::size_t copied = length < available ? length : available;
  detail::copyText(buffer, buffer_ + start, copied);
  for (std::size_t i = copied; i <= length; ++i) buffer[i] = L'\0';
  return TString(buffer, static_cast<unsigned int>(length), AdoptBuffer());
}

}  // namespace Quor
