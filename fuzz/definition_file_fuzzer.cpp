// Fuzzes the reader of factory definition files on each input read from memory.
// It must read the same twice; give one line per LF and one for bytes after the
// last LF, numbered from 1; decode a line to text without NUL that encodes back
// to the line's bytes up to a NUL when they are well-formed UTF-8; classify it
// as parseDefinitionLine() does, with a key and a value that are the trimmed
// text around the first '='; and record the value of each provider key's last
// line.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "managers/definition_file.h"
#include "quor_text/utf8.h"

using namespace Quor::detail;
using Quor::TString;

namespace {

struct Observer : DefinitionObserver {
  void byteOrderMark() override { ++marks; }
  void line(const DefinitionLine& line) override { lines.push_back(line); }
  int marks = 0;
  std::vector<DefinitionLine> lines;
};

// Whether `s` is well-formed UTF-8: shortest forms of scalar values only.
bool wellFormed(const std::string& s) {
  for (std::size_t i = 0, n; i < s.size(); i += n) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    n = b < 0x80 ? 1 : b < 0xC2 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    char32_t c = n == 1 ? b : b & (0x3F >> (n - 1));
    for (std::size_t k = 1; k < n; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      c = c << 6 | (s[i + k] & 0x3F);
    }
    const char32_t shortest = n == 1 ? 0 : n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (c < shortest || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
  }
  return true;
}

// Fields that no line sets keep "unset". Without an observer the reader
// describes no line, and must set the same fields.
Observer read(std::string& bytes, ProviderRecord& record, bool observed = true) {
  for (TString& field : record.fields) field.assign(L"unset");
  Observer observer;
  std::FILE* file = std::tmpfile();
  FUZZ_CHECK(file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
  std::rewind(file);
  FUZZ_CHECK(readDefinitionFile(file, &record, observed ? &observer : nullptr));
  std::fclose(file);
  return observer;
}

// Appends the scalar value `c` as one code unit, or as a surrogate pair where
// wchar_t has 16 bits.
void appendScalar(std::wstring& text, char32_t c) {
  if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
    text += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    text += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    text += static_cast<wchar_t>(c);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  ProviderRecord record, again, unobserved;
  const Observer seen = read(bytes, record), seenAgain = read(bytes, again);
  read(bytes, unobserved, false);
  // Scalar values made of the input's bytes encode to UTF-8 that decodes back.
  std::wstring scalars, back;
  for (std::size_t i = 0; i + 2 < size; i += 3) {
    const char32_t c = (data[i] | data[i + 1] << 8 | data[i + 2] << 16) % 0x110000;
    if (c < 0xD800 || c > 0xDFFF) appendScalar(scalars, c);
  }
  std::string utf8;
  Quor::text::appendUtf8(utf8, scalars.data(), scalars.size());
  FUZZ_CHECK(Quor::text::appendDecodedUtf8(back, utf8.data(), utf8.size()) && back == scalars);
  const bool marked = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  FUZZ_CHECK(seen.marks == (marked ? 1 : 0) && seen.lines.size() == seenAgain.lines.size());
  TString fields[kProviderFieldCount] = {L"unset", L"unset", L"unset", L"unset", L"unset"};
  std::size_t start = marked ? 3 : 0;
  unsigned int number = 0;
  for (const DefinitionLine& line : seen.lines) {
    FUZZ_CHECK(start < size && line.number == ++number);
    const std::size_t end = std::min(bytes.find('\n', start), size);
    std::string raw = bytes.substr(start, end - (end > start && bytes[end - 1] == '\r') - start);
    start = end + 1;
    FUZZ_CHECK(line.beginsWithNul == (!raw.empty() && raw[0] == '\0'));
    raw.resize(raw.find('\0') == std::string::npos ? raw.size() : raw.find('\0'));
    const std::wstring text(line.text.c_str(), line.text.length());
    std::string encoded;
    Quor::text::appendUtf8(encoded, text.data(), text.size());
    FUZZ_CHECK(text.find(L'\0') == std::wstring::npos && text.size() <= raw.size());
    FUZZ_CHECK(line.validUtf8 == wellFormed(raw) && (!line.validUtf8 || encoded == raw));
    const DefinitionLine& other = seenAgain.lines[line.number - 1];
    const DefinitionLine parsed = parseDefinitionLine(line.text);
    FUZZ_CHECK(other.text == line.text && other.kind == line.kind && parsed.kind == line.kind);
    const std::size_t equals = text.find(L'=');
    const auto kind = !text.empty() && (text[0] == L';' || text[0] == L'#')
                          ? DefinitionLine::kComment
                      : equals == std::wstring::npos ? DefinitionLine::kNoEquals
                      : equals == 0                  ? DefinitionLine::kEmptyKey
                                                     : DefinitionLine::kUnknownKey;
    FUZZ_CHECK(line.kind == kind ||
               (kind == DefinitionLine::kUnknownKey && line.kind == DefinitionLine::kKey));
    if (kind != DefinitionLine::kUnknownKey) continue;
    TString key(text.c_str(), static_cast<int>(equals)), value(text.c_str() + equals + 1);
    FUZZ_CHECK(line.key == key.trim() && line.value == value.trim());
    int match = -1;
    for (int field = kProviderFieldCount - 1; field >= 0; --field) {
      if (key.compareIgnoreCase(providerKey(ProviderField(field))) == 0) match = field;
    }
    FUZZ_CHECK(line.kind == DefinitionLine::kKey ? match == line.field : match < 0);
    if (match >= 0) fields[match] = line.value;
  }
  FUZZ_CHECK(start >= size);
  for (int field = 0; field < kProviderFieldCount; ++field) {
    FUZZ_CHECK(record.fields[field] == fields[field] && again.fields[field] == fields[field] &&
               unobserved.fields[field] == fields[field]);
  }
  return 0;
}
