// Letter case and blanks of the fixed ASCII names that files and callers
// spell (definition file keys, parameter type and encoding texts): the same in
// every locale, so that a client that called setlocale() (Turkish, whose
// towlower('I') is a dotless i, say) reads a file as every other client does.
#ifndef QUOR_TEXT_ASCII_H_
#define QUOR_TEXT_ASCII_H_

namespace Quor {
namespace text {

// `c` with A to Z folded to a to z; every other character as it is.
constexpr wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c; }

// Whether the texts up to their NULs are equal with A to Z folded to a to z.
inline bool equalIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    if (asciiLower(*a) != asciiLower(*b)) return false;
    if (*a == L'\0') return true;
  }
}

// The blanks trimmed from keys and values: space, horizontal tab, line feed,
// vertical tab, form feed and carriage return, what iswspace() reports in the
// "C" locale, in every locale.
constexpr bool isAsciiBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

}  // namespace text
}  // namespace Quor

#endif  // QUOR_TEXT_ASCII_H_
