// UTF-8 conversion of wide text, shared by the library (file names, factory
// definition files) and the zolog logging library (its output). wchar_t text
// is UTF-16 where wchar_t has 16 bits and UTF-32 elsewhere.
#ifndef QUOR_TEXT_UTF8_H_
#define QUOR_TEXT_UTF8_H_

#include <cstddef>
#include <string>

namespace Quor {
namespace text {

// Appends the UTF-8 form of `length` characters of `text`. An unpaired
// surrogate or a value beyond U+10FFFF becomes U+FFFD.
void appendUtf8(std::string& out, const wchar_t* text, std::size_t length);

// Appends `length` bytes decoded as UTF-8. A byte that does not begin a valid
// sequence (a stray continuation byte, a truncated, overlong or surrogate
// sequence) is taken by itself as the Latin-1 character of the same value, so
// text in a single-byte code page survives. Returns true iff every byte was
// valid UTF-8.
bool appendDecodedUtf8(std::wstring& out, const char* bytes, std::size_t length);

// File names where the system's names are bytes (Linux): decoded as UTF-8,
// with each byte that is not part of valid UTF-8 taken as the code unit
// U+DC80 to U+DCFF of its value (0x80 to 0xFF), and encoded back with those
// code units as their bytes, so that every name comes back to the same bytes
// after its trip through wide text. Such a code unit, an unpaired surrogate,
// has no UTF-8 form of its own: appendUtf8() shows it as U+FFFD. Returns true
// iff every byte was valid UTF-8.
bool appendDecodedFileName(std::wstring& out, const char* bytes, std::size_t length);
void appendFileNameBytes(std::string& out, const wchar_t* text, std::size_t length);

}  // namespace text
}  // namespace Quor

#endif  // QUOR_TEXT_UTF8_H_
