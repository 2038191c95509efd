// The reader of factory definition files: how one line is classified, and how
// the bytes of a whole file become lines, keys and the provider record.
#include "managers/definition_file.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/scoped_locale.h"

using namespace Quor::detail;
using namespace std::string_literals;
using Quor::TString;

namespace {

using Texts = std::vector<std::wstring>;

std::wstring w(const TString& s) { return std::wstring(s.c_str(), s.length()); }
std::wstring w(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A line as the reader made it: its kind; "key=value" for a key (a provider
// key by its own spelling) or for stray ones; " nul" when it began with NUL
// and " latin1" when some of its bytes were taken as Latin-1.
std::wstring describe(const DefinitionLine& line) {
  static const wchar_t* const kKinds[] = {L"comment", L"no-equals", L"empty-key", L"key",
                                          L"unknown"};
  const bool keyed = line.kind == DefinitionLine::kKey || line.kind == DefinitionLine::kUnknownKey;
  const std::wstring key =
      line.kind == DefinitionLine::kKey ? providerKey(line.field) : w(line.key);
  std::wstring out = kKinds[line.kind];
  if (keyed || !key.empty() || !line.value.empty()) out += L" " + key + L"=" + w(line.value);
  if (line.beginsWithNul) out += L" nul";
  if (!line.validUtf8) out += L" latin1";
  return out;
}

Texts fields(const ProviderRecord& record) {
  Texts out;
  for (const TString& field : record.fields) out.push_back(w(field));
  return out;
}

// Reads a file of exactly `bytes` into `record`, reporting to `observer`;
// false when the reader refused it.
bool readBytes(const std::string& bytes, ProviderRecord* record, DefinitionObserver* observer) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    ADD_FAILURE() << "no temporary file";
    return false;
  }
  std::rewind(file);
  const bool read = readDefinitionFile(file, record, observer);
  std::fclose(file);
  return read;
}

// What the reader made of a file: a described line for each line and "mark"
// for a byte-order mark, in the order reported. Every read checks that lines
// are numbered from 1.
struct Read : DefinitionObserver {
  explicit Read(const std::string& bytes) { readBytes(bytes, &record, this); }
  void byteOrderMark() override { lines.push_back(L"mark"); }
  void line(const DefinitionLine& line) override {
    EXPECT_EQ(line.number, ++numbered);
    lines.push_back(describe(line));
    texts.push_back(w(line.text));
  }

  ProviderRecord record;
  unsigned int numbered = 0;
  Texts lines, texts;
};

}  // namespace

// How a line is split and classified, with its bytes after a NUL and its
// byte-order marks, is checked on every input by the definition-file fuzz
// harness, which ctest runs over fuzz/corpus/definition_file. What the harness
// does not model: the locale, and the text of bytes that are not UTF-8.
TEST(DefinitionFileTest, FoldsOnlyAToZTrimsOnlyAsciiBlanksAndReadsBytesNotUtf8AsLatin1) {
  const std::pair<std::string, Texts> cases[] = {
      {"PROV\xc4\xb0"
       "DER.NAME=v\nprovider.name=\xe3\x80\x80v\xe2\x80\x83\xc2\xa0\x0b",
       {L"unknown PROV\u0130"
        L"DER.NAME=v",
        L"key provider.name=\u3000v\u2003\u00a0"}},
      // An overlong form, a byte that never occurs in UTF-8, sequences cut
      // short by the line end or by the end of the file, and two bytes of a
      // byte-order mark.
      {"provider.description=caf\xe9\nprovider.name=caf\xc3\xa9\n"
       "provider.service=\xe2\x82\xac \xf0\x9f\x98\x80\nprovider.implementation=\xc0\xaf\xff\n"
       "\xEF\xBBk=\xc3\nk=\xe2\x82",
       {L"key provider.description=caf\u00e9 latin1", L"key provider.name=caf\u00e9",
        L"key provider.service=\u20ac \U0001F600",
        L"key provider.implementation=\u00c0\u00af\u00ff latin1",
        L"unknown \u00ef\u00bbk=\u00c3 latin1", L"unknown k=\u00e2\u0082 latin1"}},
  };
  for (const auto& [bytes, lines] : cases) EXPECT_EQ(Read(bytes).lines, lines) << bytes;
  const ScopedTurkishLocale turkish;
  for (const auto& [bytes, lines] : cases) EXPECT_EQ(Read(bytes).lines, lines) << turkish.name();
  // CR LF ends a line like LF; the text is kept whole, and so is the key.
  EXPECT_EQ(Read("provider.name=Demo\r\n\r\n; x \r").texts,
            (Texts{L"provider.name=Demo", L"", L"; x "}));
  const DefinitionLine line = parseDefinitionLine(L"PROVIDER.Implementation =v");
  EXPECT_EQ(describe(line) + L" " + w(line.key),
            L"key provider.implementation=v PROVIDER.Implementation");
}

TEST(DefinitionFileTest, OnlyKeyLinesSetTheRecordAndTheLastOccurrenceWinsEvenWhenEmpty) {
  const Read r(
      "provider.name=A\nprovider.description=D1\nPROVIDER.NAME=B\nprovider.description=D2\n"
      "provider.service=S\nprovider.name=\n#provider.implementation=I\nfoo=bar\n"
      "Provider.SHA256=AB\nprovider.sha25=x\n");
  EXPECT_EQ(fields(r.record), (Texts{L"", L"D2", L"", L"S", L"AB"}));
  // Into a record filled beforehand, without an observer: the mark is skipped
  // all the same, and the fields no line sets are left as they were.
  ProviderRecord record;
  for (TString& field : record.fields) field = TString(L"old");
  readBytes("\xEF\xBB\xBFprovider.service=new\nprovider.name=\n", &record, nullptr);
  EXPECT_EQ(fields(record), (Texts{L"", L"old", L"old", L"new", L"old"}));
}

TEST(DefinitionFileTest, ReadsLinesWholeWhateverTheirLength) {
  // Longer than the reader's chunks of 16384 bytes: the first line's CR LF
  // straddles the end of the first chunk, the two-byte character of the
  // second line the end of the second chunk. A reader that cut lines short
  // would also take what follows a cut for lines of their own.
  const std::string name(16383 - 14, 'n');          // CR at byte 16383
  const std::string text(32767 - 16385 - 21, 't');  // the character from byte 32767
  const Read r("provider.name=" + name + "\r\nprovider.description=" + text +
               "\xc3\xa9\nprovider.service=S");
  EXPECT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(fields(r.record), (Texts{w(name), w(text) + L"\u00e9", L"", L"S", L""}));
}

TEST(DefinitionFileTest, AFileOfAtMostTheLimitIsReadAndALargerOneRefused) {
  const std::string bytes = "provider.name=" + std::string(kDefinitionFileLimit - 14, 'n');
  ProviderRecord record;
  EXPECT_TRUE(readBytes(bytes, &record, nullptr));
  EXPECT_EQ(record.fields[0].length(), kDefinitionFileLimit - 14);
  EXPECT_FALSE(readBytes(bytes + "n", &record, nullptr));
}
