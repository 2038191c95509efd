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

}  // namespace text
}  // namespace Quor

#endif  // QUOR_TEXT_UTF8_H_
