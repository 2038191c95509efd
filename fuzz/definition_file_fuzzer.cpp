// Fuzzes the reader of factory definition files.
//
// Each input is written to a real file, opened as the loader opens it and read
// through an observer. A small model of the rules recomputes every line and the
// provider record from the raw bytes: byte-order mark, LF and CR LF line ends,
// the first NUL ending a line, UTF-8 with bytes outside valid sequences taken
// as Latin-1, comments, the first '=' splitting key and value, white-space
// trims and case-insensitive provider keys whose last occurrence wins. The
// reader must agree with the model on each line and on the record, number the
// lines 1, 2, 3, ... and report no text holding a NUL.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "managers/definition_file.h"
#include "platform/platform.h"

using Quor::TString;
using Quor::detail::DefinitionLine;
using Quor::detail::ProviderRecord;

namespace {

const wchar_t* const kKeys[] = {L"provider.name", L"provider.description",
                                L"provider.implementation", L"provider.service"};

std::wstring textOf(const TString& s) { return std::wstring(s.c_str(), s.length()); }

// The model of one line.
struct ExpectedLine {
  DefinitionLine::Kind kind = DefinitionLine::kNoEquals;
  std::wstring text, key, value;
  int field = -1;
  bool beginsWithNul = false;
  bool validUtf8 = true;
};

bool between(unsigned char b, unsigned char low, unsigned char high) {
  return b >= low && b <= high;
}

// The length of the well-formed UTF-8 sequence at `i`, by the table of
// well-formed byte sequences, or 0.
std::size_t sequenceLength(const std::string& s, std::size_t i) {
  auto at = [&](std::size_t k) -> unsigned char {
    return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0;
  };
  auto cont = [&](std::size_t k) { return between(at(k), 0x80, 0xBF); };
  const unsigned char b = at(0);
  if (b < 0x80) return 1;
  if (between(b, 0xC2, 0xDF)) return cont(1) ? 2 : 0;
  if (b == 0xE0) return between(at(1), 0xA0, 0xBF) && cont(2) ? 3 : 0;
  if (b == 0xED) return between(at(1), 0x80, 0x9F) && cont(2) ? 3 : 0;
  if (between(b, 0xE1, 0xEF)) return cont(1) && cont(2) ? 3 : 0;
  if (b == 0xF0) return between(at(1), 0x90, 0xBF) && cont(2) && cont(3) ? 4 : 0;
  if (b == 0xF4) return between(at(1), 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
  if (between(b, 0xF1, 0xF3)) return cont(1) && cont(2) && cont(3) ? 4 : 0;
  return 0;
}

std::wstring decode(const std::string& s, bool* valid) {
  static const unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  std::wstring out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = sequenceLength(s, i);
    if (n == 0) {
      *valid = false;
      out += static_cast<wchar_t>(static_cast<unsigned char>(s[i++]));
      continue;
    }
    char32_t c = static_cast<unsigned char>(s[i]) & kLeadMask[n];
    for (std::size_t k = 1; k < n; ++k)
      c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
    i += n;
  }
  return out;
}

std::wstring trimmed(const std::wstring& s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && std::iswspace(static_cast<std::wint_t>(s[begin]))) ++begin;
  while (end > begin && std::iswspace(static_cast<std::wint_t>(s[end - 1]))) --end;
  return s.substr(begin, end - begin);
}

bool equalsIgnoringCase(const std::wstring& s, const wchar_t* key) {
  const std::wstring k(key);
  if (s.size() != k.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (std::towlower(static_cast<std::wint_t>(s[i])) != static_cast<std::wint_t>(k[i])) {
      return false;
    }
  }
  return true;
}

// The bytes of one line, without LF, as the rules read them.
ExpectedLine modelLine(std::string bytes) {
  ExpectedLine line;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  line.beginsWithNul = !bytes.empty() && bytes[0] == '\0';
  bytes = bytes.substr(0, bytes.find('\0'));
  line.text = decode(bytes, &line.validUtf8);
  if (line.text.empty()) return line;
  if (line.text[0] == L';' || line.text[0] == L'#') {
    line.kind = DefinitionLine::kComment;
    return line;
  }
  const std::size_t equals = line.text.find(L'=');
  if (equals == std::wstring::npos) return line;
  if (equals == 0) {
    line.kind = DefinitionLine::kEmptyKey;
    return line;
  }
  line.key = trimmed(line.text.substr(0, equals));
  line.value = trimmed(line.text.substr(equals + 1));
  line.kind = DefinitionLine::kUnknownKey;
  for (int field = 0; field < 4 && line.field < 0; ++field) {
    if (equalsIgnoringCase(line.key, kKeys[field])) {
      line.kind = DefinitionLine::kKey;
      line.field = field;
    }
  }
  return line;
}

// Collects what the reader reports.
struct Observer : Quor::detail::DefinitionObserver {
  void byteOrderMark() override { ++marks; }
  void line(const DefinitionLine& line) override { lines.push_back(line); }
  int marks = 0;
  std::vector<DefinitionLine> lines;
};

// A file of this process's own, rewritten for each input and removed at exit.
std::string& scratchPath() {
  static std::string path;
  return path;
}

void removeScratch() { std::remove(scratchPath().c_str()); }

}  // namespace

// The scratch file lives in $TMPDIR, else in /tmp.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  std::string pattern = std::string(dir) + "/quor-definition-fuzz-XXXXXX";
  const int fd = mkstemp(&pattern[0]);
  if (fd < 0) {
    std::perror("mkstemp");
    std::exit(1);
  }
  close(fd);
  scratchPath() = pattern;
  std::atexit(removeScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // Overwritten in place and then cut to size: truncating a file to nothing
  // and rewriting it makes some file systems flush it to disk on close.
  const int out = open(scratchPath().c_str(), O_WRONLY);
  FUZZ_CHECK(out >= 0);
  FUZZ_CHECK(pwrite(out, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
  FUZZ_CHECK(ftruncate(out, static_cast<off_t>(bytes.size())) == 0);
  FUZZ_CHECK(close(out) == 0);

  const std::string& path = scratchPath();
  std::FILE* file =
      Quor::platform::openForReading(TString(std::wstring(path.begin(), path.end()).c_str()));
  FUZZ_CHECK(file != nullptr);
  // Fields that no line sets keep what they held.
  ProviderRecord record;
  for (TString& field : record.fields) field.assign(L"unset");
  Observer observer;
  Quor::detail::readDefinitionFile(file, &record, &observer);
  std::fclose(file);

  // The model: a mark only at the very start, lines split at LF, a last line
  // without LF only when it holds something.
  const bool marked = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  FUZZ_CHECK(observer.marks == (marked ? 1 : 0));
  std::vector<ExpectedLine> expected;
  std::wstring fields[4] = {L"unset", L"unset", L"unset", L"unset"};
  for (std::size_t start = marked ? 3 : 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    expected.push_back(modelLine(bytes.substr(start, end - start)));
    if (expected.back().kind == DefinitionLine::kKey) {
      fields[expected.back().field] = expected.back().value;
    }
    start = end + 1;
  }

  FUZZ_CHECK(observer.lines.size() == expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const DefinitionLine& got = observer.lines[i];
    const ExpectedLine& want = expected[i];
    FUZZ_CHECK(got.number == i + 1);
    FUZZ_CHECK(textOf(got.text).find(L'\0') == std::wstring::npos);
    FUZZ_CHECK(textOf(got.text) == want.text);
    FUZZ_CHECK(got.kind == want.kind);
    FUZZ_CHECK(got.beginsWithNul == want.beginsWithNul);
    FUZZ_CHECK(got.validUtf8 == want.validUtf8);
    if (want.kind == DefinitionLine::kKey || want.kind == DefinitionLine::kUnknownKey) {
      FUZZ_CHECK(textOf(got.key) == want.key);
      FUZZ_CHECK(textOf(got.value) == want.value);
    }
    if (want.kind == DefinitionLine::kKey) FUZZ_CHECK(static_cast<int>(got.field) == want.field);
  }
  for (int field = 0; field < 4; ++field) FUZZ_CHECK(textOf(record.fields[field]) == fields[field]);
  return 0;
}
