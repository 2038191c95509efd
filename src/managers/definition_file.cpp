#include "managers/definition_file.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "quor_text/ascii.h"
#include "quor_text/utf8.h"

namespace Quor {
namespace detail {

namespace {

const wchar_t* const kProviderKeys[kProviderFieldCount] = {
    L"provider.name",    L"provider.description", L"provider.implementation",
    L"provider.service", L"provider.sha256",
};

// A part of a line: from `begin` to `end`.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// What a line is, with its key and value as parts of it: all that classifying
// it makes, so that a caller builds strings only of what it needs.
struct LineParts {
  DefinitionLine::Kind kind = DefinitionLine::kNoEquals;
  Span key;                             // kKey and kUnknownKey only
  Span value;                           // kKey and kUnknownKey only
  ProviderField field = kProviderName;  // kKey only
};

// A character of a line as a code point: a byte of its UTF-8 form, or a
// character of its decoded text. The rules look at ASCII characters only,
// and an ASCII byte is a character of its own in UTF-8 as in the Latin-1 that
// stands in for invalid bytes (no sequence holds one): a line's bytes and its
// text have the same parts.
inline wchar_t codePoint(char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); }
inline wchar_t codePoint(wchar_t c) { return c; }

// The part of `line` from `begin` to `end` without the blanks at either end.
template <typename Char>
Span trimmed(const Char* line, std::size_t begin, std::size_t end) {
  while (begin < end && text::isAsciiBlank(codePoint(line[begin]))) ++begin;
  while (end > begin && text::isAsciiBlank(codePoint(line[end - 1]))) --end;
  return Span{begin, end};
}

// Whether the key `key` of `line` equals the key of `field` without regard to
// the case of A to Z.
template <typename Char>
bool isFieldKey(const Char* line, Span key, int field) {
  const wchar_t* const name = kProviderKeys[field];
  if (key.end - key.begin != std::wcslen(name)) return false;
  for (std::size_t i = 0; name[i] != L'\0'; ++i) {
    if (text::asciiLower(codePoint(line[key.begin + i])) != name[i]) return false;
  }
  return true;
}

// Classifies the `length` characters of one line, which hold no NUL.
template <typename Char>
LineParts classify(const Char* line, std::size_t length) {
  LineParts parts;
  if (length == 0) return parts;
  if (line[0] == ';' || line[0] == '#') {
    parts.kind = DefinitionLine::kComment;
    return parts;
  }
  std::size_t position = 0;
  while (position < length && line[position] != '=') ++position;
  if (position == length) return parts;
  if (position == 0) {
    parts.kind = DefinitionLine::kEmptyKey;
    return parts;
  }
  parts.key = trimmed(line, 0, position);
  parts.value = trimmed(line, position + 1, length);
  parts.kind = DefinitionLine::kUnknownKey;
  for (int field = 0; field < kProviderFieldCount; ++field) {
    if (isFieldKey(line, parts.key, field)) {
      parts.kind = DefinitionLine::kKey;
      parts.field = static_cast<ProviderField>(field);
      break;
    }
  }
  return parts;
}

void assignSpan(TString& target, const wchar_t* text, Span span) {
  target.assign(text + span.begin, static_cast<int>(span.end - span.begin));
}

// Sets `target` to the decoded text of the bytes of `span`, using `decoded`
// as scratch space. Returns true iff they were valid UTF-8.
bool assignDecoded(TString& target, const char* bytes, Span span, std::wstring& decoded) {
  decoded.clear();
  const bool valid = text::appendDecodedUtf8(decoded, bytes + span.begin, span.end - span.begin);
  target.assign(decoded.data(), static_cast<int>(decoded.size()));
  return valid;
}

bool isKeyed(const LineParts& parts) {
  return parts.kind == DefinitionLine::kKey || parts.kind == DefinitionLine::kUnknownKey;
}

// Reads one line of `size` bytes at `bytes`, without its line end, up to its
// first NUL (what follows is not read at all): sets the record's field that
// it sets and reports it to `observer`, if given. Only what is kept is
// decoded: the value of a provider key, and for an observer the whole line.
// `decoded` is scratch space, kept from line to line for its storage.
void takeLine(const char* bytes, std::size_t size, unsigned int number, std::wstring& decoded,
              ProviderRecord* record, DefinitionObserver* observer) {
  const void* nul = std::memchr(bytes, '\0', size);
  const std::size_t length = nul != nullptr ? static_cast<const char*>(nul) - bytes : size;
  const LineParts parts = classify(bytes, length);
  if (parts.kind == DefinitionLine::kKey) {
    assignDecoded((*record)[parts.field], bytes, parts.value, decoded);
  }
  if (observer == nullptr) return;
  DefinitionLine line;
  line.kind = parts.kind;
  line.number = number;
  line.validUtf8 = assignDecoded(line.text, bytes, Span{0, length}, decoded);
  if (isKeyed(parts)) {
    assignDecoded(line.key, bytes, parts.key, decoded);
    assignDecoded(line.value, bytes, parts.value, decoded);
  }
  line.field = parts.field;
  line.beginsWithNul = size > 0 && bytes[0] == '\0';
  observer->line(line);
}

// Reads the whole of `file` into `content`, but stops as soon as it holds
// more than kDefinitionFileLimit bytes. A short count means the end of the
// file or a read error: reading again would only cost one more system call.
void readBounded(std::FILE* file, std::string& content) {
  char chunk[16384];
  std::size_t read;
  while (content.size() <= kDefinitionFileLimit &&
         (read = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    content.append(chunk, read);
    if (read < sizeof chunk) break;
  }
}

}  // namespace

const wchar_t* providerKey(ProviderField field) { return kProviderKeys[field]; }

DefinitionLine parseDefinitionLine(const TString& text) {
  const LineParts parts = classify(text.c_str(), text.length());
  DefinitionLine line;
  line.kind = parts.kind;
  line.text = text;
  if (isKeyed(parts)) {
    assignSpan(line.key, text.c_str(), parts.key);
    assignSpan(line.value, text.c_str(), parts.value);
  }
  line.field = parts.field;
  return line;
}

bool readDefinitionFile(std::FILE* file, ProviderRecord* record, DefinitionObserver* observer) {
  static const char kByteOrderMark[] = "\xEF\xBB\xBF";
  std::string content;
  readBounded(file, content);
  if (content.size() > kDefinitionFileLimit) return false;

  const char* data = content.data();
  const char* const end = data + content.size();
  if (content.size() >= 3 && std::memcmp(data, kByteOrderMark, 3) == 0) {
    data += 3;
    if (observer != nullptr) observer->byteOrderMark();
  }
  std::wstring decoded;
  unsigned int number = 0;
  while (data < end) {
    const char* newline = static_cast<const char*>(std::memchr(data, '\n', end - data));
    const char* lineEnd = newline != nullptr ? newline : end;
    if (lineEnd > data && lineEnd[-1] == '\r') --lineEnd;
    takeLine(data, static_cast<std::size_t>(lineEnd - data), ++number, decoded, record, observer);
    data = newline != nullptr ? newline + 1 : end;
  }
  return true;
}

}  // namespace detail
}  // namespace Quor
