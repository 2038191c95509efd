#include "managers/definition_file.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/utf8.h"

namespace Quor {
namespace detail {

namespace {

const wchar_t* const kProviderKeys[kProviderFieldCount] = {
    L"provider.name",
    L"provider.description",
    L"provider.implementation",
    L"provider.service",
};

// Decodes the bytes of one line, without its line end, and classifies it.
DefinitionLine decodeLine(const std::string& bytes, unsigned int number) {
  // The line ends at its first NUL; what follows is not read at all.
  const std::size_t length = std::min(bytes.find('\0'), bytes.size());
  std::wstring decoded;
  const bool valid = platform::appendDecodedUtf8(decoded, bytes.data(), length);
  DefinitionLine line =
      parseDefinitionLine(TString(decoded.c_str(), static_cast<int>(decoded.size())));
  line.number = number;
  line.beginsWithNul = !bytes.empty() && bytes[0] == '\0';
  line.validUtf8 = valid;
  return line;
}

void takeLine(std::string& bytes, unsigned int number, ProviderRecord* record,
              DefinitionObserver* observer) {
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  const DefinitionLine line = decodeLine(bytes, number);
  if (line.kind == DefinitionLine::kKey) (*record)[line.field] = line.value;
  if (observer != nullptr) observer->line(line);
}

}  // namespace

const wchar_t* providerKey(ProviderField field) { return kProviderKeys[field]; }

DefinitionLine parseDefinitionLine(const TString& text) {
  DefinitionLine line;
  line.text = text;
  if (text.empty()) return line;
  const wchar_t first = text.c_str()[0];
  if (first == L';' || first == L'#') {
    line.kind = DefinitionLine::kComment;
    return line;
  }
  TString copy(text);
  const int equals = copy.find(L"=", 0);
  if (equals < 0) return line;
  if (equals == 0) {
    line.kind = DefinitionLine::kEmptyKey;
    return line;
  }
  const unsigned int position = static_cast<unsigned int>(equals);
  line.key = text.substr(0, equals);
  line.key.trim();
  // substr() clamps a start at the end onto the last character: a line that
  // ends with its '=' has an empty value, not "=".
  if (position + 1 < text.length()) {
    line.value = text.substr(position + 1, -1);
    line.value.trim();
  }
  line.kind = DefinitionLine::kUnknownKey;
  for (int field = 0; field < kProviderFieldCount; ++field) {
    if (line.key.compareIgnoreCase(TString(kProviderKeys[field])) == 0) {
      line.kind = DefinitionLine::kKey;
      line.field = static_cast<ProviderField>(field);
      break;
    }
  }
  return line;
}

void readDefinitionFile(std::FILE* file, ProviderRecord* record, DefinitionObserver* observer) {
  static const char kByteOrderMark[] = "\xEF\xBB\xBF";
  char chunk[16384];
  std::string bytes;
  unsigned int number = 0;
  bool atStart = true;
  std::size_t read;
  while ((read = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    const char* data = chunk;
    const char* end = chunk + read;
    if (atStart) {
      atStart = false;
      if (read >= 3 && std::memcmp(data, kByteOrderMark, 3) == 0) {
        data += 3;
        if (observer != nullptr) observer->byteOrderMark();
      }
    }
    while (data < end) {
      const char* newline = static_cast<const char*>(std::memchr(data, '\n', end - data));
      if (newline == nullptr) {
        bytes.append(data, end);
        break;
      }
      bytes.append(data, newline);
      takeLine(bytes, ++number, record, observer);
      bytes.clear();
      data = newline + 1;
    }
  }
  // A last line without a line end.
  if (!bytes.empty()) takeLine(bytes, ++number, record, observer);
}

}  // namespace detail
}  // namespace Quor
