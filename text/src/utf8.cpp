#include "quor_text/utf8.h"

namespace Quor {
namespace text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Writes `c` as one code unit, or as a surrogate pair where wchar_t has 16
// bits; returns the position after it.
wchar_t* putCodePoint(wchar_t* out, char32_t c) {
  if (sizeof(wchar_t) == 2 && c >= 0x10000) {
    c -= 0x10000;
    *out++ = static_cast<wchar_t>(0xD800 + (c >> 10));
    *out++ = static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
  } else {
    *out++ = static_cast<wchar_t>(c);
  }
  return out;
}

// The length of the valid UTF-8 sequence at `bytes`, whose first byte is not
// ASCII, and its code point; or 0.
std::size_t decodeSequence(const unsigned char* bytes, std::size_t available, char32_t* c) {
  const unsigned char lead = bytes[0];
  std::size_t length;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    minimum = 0x80;
    *c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    minimum = 0x800;
    *c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    minimum = 0x10000;
    *c = lead & 0x07;
  } else {
    return 0;
  }
  if (available < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
    *c = (*c << 6) | (bytes[i] & 0x3F);
  }
  if (*c < minimum || *c > 0x10FFFF || (*c >= 0xD800 && *c <= 0xDFFF)) return 0;
  return length;
}

// The code units U+DC80 to U+DCFF stand for the bytes 0x80 to 0xFF of a file
// name that are not UTF-8. No valid UTF-8 decodes to a surrogate, so the
// decoding is lossless.
constexpr char32_t kEscapedByteBase = 0xDC00;

bool isEscapedByte(char32_t c) {
  return c >= kEscapedByteBase + 0x80 && c <= kEscapedByteBase + 0xFF;
}

// What an invalid byte, or a code unit that has no UTF-8 form, becomes.
enum class Invalid { kLatin1, kEscapedByte };

void encode(std::string& out, const wchar_t* text, std::size_t length, Invalid invalid) {
  // No code unit gives more than four bytes (a surrogate pair gives four for
  // two): room for that is made once, written through a pointer and the
  // unused part cut off at the end.
  const std::size_t start = out.size();
  out.resize(start + length * 4);
  char* const first = &out[0];
  char* next = first + start;
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = static_cast<char32_t>(text[i]) & (sizeof(wchar_t) == 2 ? 0xFFFF : 0xFFFFFFFF);
    if (c < 0x80) {
      // ASCII, by far the most frequent, at once.
      *next++ = static_cast<char>(c);
      continue;
    }
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
      const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (invalid == Invalid::kEscapedByte && isEscapedByte(c)) {
      *next++ = static_cast<char>(c - kEscapedByteBase);
      continue;
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x800) {
      *next++ = static_cast<char>(0xC0 | (c >> 6));
      *next++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *next++ = static_cast<char>(0xE0 | (c >> 12));
      *next++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *next++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *next++ = static_cast<char>(0xF0 | (c >> 18));
      *next++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *next++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *next++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(next - first));
}

bool decode(std::wstring& out, const char* bytes, std::size_t length, Invalid invalid) {
  const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes);
  // No byte gives more than one code unit (a four-byte sequence gives at most
  // two), so room for `length` of them is made once and the unused part cut
  // off at the end.
  const std::size_t start = out.size();
  out.resize(start + length);
  wchar_t* const first = &out[0];
  wchar_t* next = first + start;
  bool valid = true;
  std::size_t i = 0;
  while (i < length) {
    if (data[i] < 0x80) {
      // ASCII, by far the most frequent, without a call.
      *next++ = static_cast<wchar_t>(data[i++]);
      continue;
    }
    char32_t c;
    const std::size_t used = decodeSequence(data + i, length - i, &c);
    if (used == 0) {
      valid = false;
      *next++ = static_cast<wchar_t>(invalid == Invalid::kEscapedByte ? kEscapedByteBase + data[i]
                                                                      : data[i]);
      ++i;
    } else {
      next = putCodePoint(next, c);
      i += used;
    }
  }
  out.resize(static_cast<std::size_t>(next - first));
  return valid;
}

}  // namespace

void appendUtf8(std::string& out, const wchar_t* text, std::size_t length) {
  encode(out, text, length, Invalid::kLatin1);
}

bool appendDecodedUtf8(std::wstring& out, const char* bytes, std::size_t length) {
  return decode(out, bytes, length, Invalid::kLatin1);
}

void appendFileNameBytes(std::string& out, const wchar_t* text, std::size_t length) {
  encode(out, text, length, Invalid::kEscapedByte);
}

bool appendDecodedFileName(std::wstring& out, const char* bytes, std::size_t length) {
  return decode(out, bytes, length, Invalid::kEscapedByte);
}

}  // namespace text
}  // namespace Quor
