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

// Sets `part` to the characters of `text` from `begin` to `end` without the
// white space at either end, as substr() and then trim() would, in one copy.
// A line holds no NUL, so the copy does not stop early.
void setTrimmed(TString& part, const wchar_t* text, unsigned int begin, unsigned int end) {
  while (begin < end && text::isAsciiBlank(text[begin])) ++begin;
  while (end > begin && text::isAsciiBlank(text[end - 1])) --end;
  part.assign(text + begin, static_cast<int>(end - begin));
}

// Whether `key` equals the key of `field` without regard to the case of A to
// Z. A key holds no NUL, so only one as long as the field's can equal it.
bool isFieldKey(const TString& key, std::size_t keyLength, int field) {
  const wchar_t* const name = kProviderKeys[field];
  if (keyLength != std::wcslen(name)) return false;
  return text::equalIgnoringAsciiCase(key.c_str(), name);
}

// Classifies line.text and sets the other fields that follow from it.
void classifyLine(DefinitionLine& line) {
  const TString& text = line.text;
  if (text.empty()) return;
  const wchar_t* const characters = text.c_str();
  if (characters[0] == L';' || characters[0] == L'#') {
    line.kind = DefinitionLine::kComment;
    return;
  }
  const wchar_t* equals = std::wmemchr(characters, L'=', text.length());
  if (equals == nullptr) return;
  if (equals == characters) {
    line.kind = DefinitionLine::kEmptyKey;
    return;
  }
  const unsigned int position = static_cast<unsigned int>(equals - characters);
  setTrimmed(line.key, characters, 0, position);
  // A line that ends with its '=' keeps its empty value.
  if (position + 1 < text.length()) setTrimmed(line.value, characters, position + 1, text.length());
  line.kind = DefinitionLine::kUnknownKey;
  const std::size_t keyLength = std::wcslen(line.key.c_str());
  for (int field = 0; field < kProviderFieldCount; ++field) {
    if (isFieldKey(line.key, keyLength, field)) {
      line.kind = DefinitionLine::kKey;
      line.field = static_cast<ProviderField>(field);
      break;
    }
  }
}

// Decodes the `size` bytes of one line at `bytes`, without its line end, and
// classifies it. `decoded` is scratch space, kept from line to line so that
// its storage is reused.
DefinitionLine decodeLine(const char* bytes, std::size_t size, unsigned int number,
                          std::wstring& decoded) {
  // The line ends at its first NUL; what follows is not read at all.
  const void* nul = std::memchr(bytes, '\0', size);
  const std::size_t length = nul != nullptr ? static_cast<const char*>(nul) - bytes : size;
  decoded.clear();
  const bool valid = text::appendDecodedUtf8(decoded, bytes, length);
  DefinitionLine line;
  line.text.assign(decoded.c_str(), static_cast<int>(decoded.size()));
  classifyLine(line);
  line.number = number;
  line.beginsWithNul = size > 0 && bytes[0] == '\0';
  line.validUtf8 = valid;
  return line;
}

void takeLine(const char* begin, const char* end, unsigned int number, std::wstring& decoded,
              ProviderRecord* record, DefinitionObserver* observer) {
  if (end > begin && end[-1] == '\r') --end;
  const DefinitionLine line =
      decodeLine(begin, static_cast<std::size_t>(end - begin), number, decoded);
  if (line.kind == DefinitionLine::kKey) (*record)[line.field] = line.value;
  if (observer != nullptr) observer->line(line);
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
  DefinitionLine line;
  line.text = text;
  classifyLine(line);
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
    const char* const lineEnd = newline != nullptr ? newline : end;
    takeLine(data, lineEnd, ++number, decoded, record, observer);
    data = newline != nullptr ? newline + 1 : end;
  }
  return true;
}

}  // namespace detail
}  // namespace Quor
