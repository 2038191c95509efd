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
    L"provider.name",
    L"provider.description",
    L"provider.implementation",
    L"provider.service",
};

// A part of a line's text: from `begin` to `end`.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// What a line is, with its key and value as parts of its text: all that
// classifying it makes, so that a caller builds strings only of what it needs.
struct LineParts {
  DefinitionLine::Kind kind = DefinitionLine::kNoEquals;
  Span key;                             // kKey and kUnknownKey only
  Span value;                           // kKey and kUnknownKey only
  ProviderField field = kProviderName;  // kKey only
};

// The part of `text` from `begin` to `end` without the blanks at either end.
Span trimmed(const wchar_t* text, std::size_t begin, std::size_t end) {
  while (begin < end && text::isAsciiBlank(text[begin])) ++begin;
  while (end > begin && text::isAsciiBlank(text[end - 1])) --end;
  return Span{begin, end};
}

// Whether the key `key` of `text` equals the key of `field` without regard to
// the case of A to Z. A key holds no NUL, so only one as long as the field's
// can equal it.
bool isFieldKey(const wchar_t* text, Span key, int field) {
  const wchar_t* const name = kProviderKeys[field];
  if (key.end - key.begin != std::wcslen(name)) return false;
  for (std::size_t i = 0; name[i] != L'\0'; ++i) {
    if (text::asciiLower(text[key.begin + i]) != name[i]) return false;
  }
  return true;
}

// Classifies the `length` characters of one line's text, which hold no NUL.
LineParts classify(const wchar_t* text, std::size_t length) {
  LineParts parts;
  if (length == 0) return parts;
  if (text[0] == L';' || text[0] == L'#') {
    parts.kind = DefinitionLine::kComment;
    return parts;
  }
  const wchar_t* equals = std::wmemchr(text, L'=', length);
  if (equals == nullptr) return parts;
  const std::size_t position = static_cast<std::size_t>(equals - text);
  if (position == 0) {
    parts.kind = DefinitionLine::kEmptyKey;
    return parts;
  }
  parts.key = trimmed(text, 0, position);
  parts.value = trimmed(text, position + 1, length);
  parts.kind = DefinitionLine::kUnknownKey;
  for (int field = 0; field < kProviderFieldCount; ++field) {
    if (isFieldKey(text, parts.key, field)) {
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

// The description of a line that observers get.
DefinitionLine describe(const TString& text, const LineParts& parts) {
  DefinitionLine line;
  line.kind = parts.kind;
  line.text = text;
  if (parts.kind == DefinitionLine::kKey || parts.kind == DefinitionLine::kUnknownKey) {
    assignSpan(line.key, text.c_str(), parts.key);
    assignSpan(line.value, text.c_str(), parts.value);
  }
  line.field = parts.field;
  return line;
}

// Reads one line of `size` bytes at `bytes`, without its line end: decodes it
// up to its first NUL (what follows is not read at all), sets the record's
// field that it sets and reports it to `observer`, if given. `decoded` is
// scratch space, kept from line to line so that its storage is reused.
void takeLine(const char* bytes, std::size_t size, unsigned int number, std::wstring& decoded,
              ProviderRecord* record, DefinitionObserver* observer) {
  const void* nul = std::memchr(bytes, '\0', size);
  const std::size_t length = nul != nullptr ? static_cast<const char*>(nul) - bytes : size;
  decoded.clear();
  const bool valid = text::appendDecodedUtf8(decoded, bytes, length);
  const LineParts parts = classify(decoded.data(), decoded.size());
  if (parts.kind == DefinitionLine::kKey)
    assignSpan((*record)[parts.field], decoded.data(), parts.value);
  if (observer == nullptr) return;
  DefinitionLine line = describe(TString(decoded.data(), static_cast<int>(decoded.size())), parts);
  line.number = number;
  line.beginsWithNul = size > 0 && bytes[0] == '\0';
  line.validUtf8 = valid;
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
  return describe(text, classify(text.c_str(), std::wcslen(text.c_str())));
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
