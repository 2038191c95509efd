// TString: the wide-character string of every quor-interfaces interface.
//
// Identifiers, keys, values, names and paths travel between clients, the
// library and manager modules as TString objects. Every member runs inside the
// library, so the character buffer is allocated, replaced and released only by
// the module allocator (quor/base.h): a string may be created in one module
// and destroyed in another.
//
// Storage. A string owns a buffer of exactly length() + 1 characters whose
// last one is NUL; the buffer is never null, also for the empty string. There
// is no spare capacity, no sharing and no short-string storage: every change
// of the text installs a new buffer of the exact new size and releases the
// old one, so repeated appends cost quadratic time. The new buffer is always
// complete before the old one is released: a source that points into the
// string's own buffer is safe, and an operation that throws leaves the string
// as it was.
//
// Characters are the platform's wchar_t code units (UTF-16 on Windows, UTF-32
// elsewhere). Lengths, positions and comparisons count code units.
//
// Counts. An `int count` argument that is negative means "up to the source's
// terminating NUL"; zero or more is the number of characters to take. A count
// that runs past the source's NUL gives a string of that length whose
// remaining characters are NUL. A null source is empty input, never an error.
//
// Errors. Character access outside the string throws std::out_of_range with
// the message "Position exceeds range of TString". Exhausted memory throws
// std::bad_alloc (see quor/base.h).
//
// Thread safety. Several threads may read one string at once; a string must
// not be changed while another thread uses it. A pointer from c_str() and a
// reference from operator[] become invalid when the string changes or is
// destroyed.
#ifndef QUOR_TSTRING_H_
#define QUOR_TSTRING_H_

#include "quor/base.h"
#include "quor/export.h"

namespace Quor {

class QUOR_API TString : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  TString();
  // A string of the one character `c`, length 1, also when `c` is NUL.
  explicit TString(wchar_t c);
  // `count` characters of `text` (negative: up to its NUL). A null `text`
  // gives the empty string, whatever `count` is.
  TString(const wchar_t* text, int count = -1);
  // A copy of every character of `other`, with other's length.
  TString(const TString& other);
  virtual ~TString();

  // Copies `other`; assigning a string to itself changes nothing.
  TString& operator=(const TString& other);
  // Replaces the text with `count` characters of `text`, as the constructor
  // does. `text` may point into this string.
  TString& assign(const wchar_t* text, int count = -1);
  void clear();
  // Appends `other`; `s += s` doubles the text.
  TString& operator+=(const TString& other);

  // The buffer itself: NUL-terminated, never null. Valid until the string is
  // next changed or destroyed. Three names for one function.
  const wchar_t* c_str() const;
  const wchar_t* data() const;
  operator const wchar_t*() const;

  // The number of characters (code units) before the terminating NUL, as
  // recorded by the last operation that set the text. Two names, one function.
  unsigned int size() const;
  unsigned int length() const;
  bool empty() const;

  // The character at `pos`; `pos` == length() addresses the terminating NUL,
  // which must only ever be overwritten with NUL. Throws std::out_of_range
  // when the string is empty or `pos` > length().
  wchar_t& operator[](unsigned int pos);
  // The same check as operator[]; returns the character by value.
  wchar_t at(unsigned int pos) const;

  // Comparisons. Code units are compared as unsigned values and every
  // comparison stops at the first NUL of either text, as C strings do; the
  // recorded lengths play no part. A text that is a prefix of the other
  // compares smaller.
  //
  // Positions are clamped, never rejected: on an empty string `pos` becomes
  // 0, and a `pos` at or past the end becomes length() - 1, the last
  // character.

  // -1, 0 or +1 as this text is smaller than, equal to or greater than
  // other's.
  int compare(const TString& other) const;
  // Compares the text from the clamped `pos` with `other`: with `count` 0 to
  // the end of both texts; otherwise at most `count` characters of each.
  // Negative, zero or positive.
  int compare(unsigned int pos, unsigned int count, const TString& other) const;
  // As compare(other), with each character folded to lower case as the
  // current C locale's towlower() folds it (in the "C" locale only A to Z).
  // Negative, zero or positive.
  int compareIgnoreCase(const TString& other) const;
  int compareIgnoreCase(unsigned int pos, unsigned int count, const TString& other) const;

  // Text operations.

  // Appends `count` characters of `text` (negative: up to its NUL). A null
  // or empty `text`, or a count of 0, leaves the string and its buffer as
  // they are. `text` may point into this string.
  TString& append(const wchar_t* text, int count = -1);
  // Replaces the text with the formatted output. The format follows the C
  // runtime's wide printf with the library's conventions on every platform:
  // %ws and a plain %s take a wide string (const wchar_t*), %hs and %S a
  // narrow one; %c takes a wide character; %d, %x, %u, %f and the other
  // directives are as usual. A null `fmt`, or a format that the C runtime
  // rejects, leaves the string unchanged; so does exhausted memory, also the C
  // runtime's while it formats, which throws std::bad_alloc.
  TString& format(const wchar_t* fmt, ...);
  // Appends the formatted output (conventions as format()). An output of no
  // characters, a null `fmt` or a rejected format leaves the string unchanged.
  TString& appendFormat(const wchar_t* fmt, ...);
  // Replaces every occurrence of `from`, left to right and without overlap,
  // with `to`; the inserted text is not searched again. A null or empty `to`
  // deletes the occurrences. When `from` is null, empty or longer than the
  // string, nothing changes; otherwise the string gets a new buffer, also
  // when nothing was found. As everywhere a text is measured to its NUL, the
  // pieces of this string that the result is made of end at an embedded NUL:
  // on "a\0b", replace(L"b", L"c") gives "ac" and replace(L"x", L"y") gives
  // "a".
  TString& replace(const wchar_t* from, const wchar_t* to);
  // Remove leading, trailing, or leading and trailing white space, as the
  // C runtime's iswspace() reports it for the current locale.
  TString& ltrim();
  TString& rtrim();
  TString& trim();
  // The position of the first occurrence of `pattern` that starts at or after
  // `start`, or -1. Also -1 for a null or empty pattern, an empty string, a
  // `start` not below length(), and a pattern longer than the whole string.
  // Case-sensitive; characters compare as code units. Changes nothing,
  // although it is not a const member.
  int find(const wchar_t* pattern, unsigned int start);
  // A new string of `count` characters from the clamped `pos` (negative: up
  // to the NUL, the end or an embedded NUL: on "ab\0cd", substr(0, -1) is
  // "ab"). The clamp means that a `pos` at or past the end yields the last
  // character, not the empty string. A `count` that runs past the end gives a
  // string of `count` characters whose tail is NUL.
  TString substr(unsigned int pos, int count) const;

 private:
  friend const TString operator+(const TString& a, const TString& b);

  // Takes ownership of `buffer`, as setData() does, without first
  // allocating an empty one.
  struct AdoptBuffer {};
  TString(wchar_t* buffer, unsigned int length, AdoptBuffer);

  // Makes the string a copy of `count` characters of `text`.
  TString& setDataCopy(const wchar_t* text, int count);
  // Takes ownership of `text`, allocated by the module allocator with at
  // least count + 1 characters and NUL at position `count`.
  TString& setData(wchar_t* text, int count);

  wchar_t* buffer_;
  unsigned int length_;
};

// Equality compares the recorded lengths first, then the texts as compare()
// does; so a string holding one NUL character differs from the empty string.
QUOR_API bool operator==(const TString& a, const TString& b);
QUOR_API bool operator!=(const TString& a, const TString& b);
// Orderings follow the sign of a.compare(b); lengths are not compared.
QUOR_API bool operator<(const TString& a, const TString& b);
QUOR_API bool operator<=(const TString& a, const TString& b);
QUOR_API bool operator>(const TString& a, const TString& b);
QUOR_API bool operator>=(const TString& a, const TString& b);
// A new string holding a's text followed by b's.
QUOR_API const TString operator+(const TString& a, const TString& b);

}  // namespace Quor

#endif  // QUOR_TSTRING_H_
