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

TEST(DefinitionFileTest, ClassifiesEachLineByItsFirstCharacterAndItsFirstEquals) {
  const std::pair<std::string, Texts> cases[] = {
      // Only a very first ';' or '#' makes a comment.
      {";provider.name=A\n#\n  #provider.name=A",
       {L"comment", L"comment", L"unknown #provider.name=A"}},
      // Without a key before the first '=', ignored; blanks are a key that
      // trims to nothing, and match no field.
      {"\n[section]\n=x\n==provider.name=A\n  =x",
       {L"no-equals", L"no-equals", L"empty-key", L"empty-key", L"unknown =x"}},
      // Split at the first '=', key and value trimmed; a key with its '=' at
      // the very end of the file has an empty value.
      {"\t provider.name \t= Demo Provider \t\nprovider.service==\n other key = a b "
       "\nprovider.name =",
       {L"key provider.name=Demo Provider", L"key provider.service==", L"unknown other key=a b",
        L"key provider.name="}},
      // The four keys in any letter case, and nothing else.
      {"PROVIDER.NAME=v\npRoViDeR.dEsCrIpTiOn=v\nPROVIDER.Implementation=v\nProvider.SERVICE=v\n"
       "provider.names=v\nprovider.nam=v\nprovider_name=v\nxprovider.name=v",
       {L"key provider.name=v", L"key provider.description=v", L"key provider.implementation=v",
        L"key provider.service=v", L"unknown provider.names=v", L"unknown provider.nam=v",
        L"unknown provider_name=v", L"unknown xprovider.name=v"}},
      // Only A to Z fold, and only ASCII blanks are trimmed, in every locale.
      {"PROV\xc4\xb0"
       "DER.NAME=v\nprovider.name=\xe3\x80\x80v\xe2\x80\x83\xc2\xa0\x0b",
       {L"unknown PROV\u0130"
        L"DER.NAME=v",
        L"key provider.name=\u3000v\u2003\u00a0"}},
      // The bytes after a NUL are no part of the line, valid UTF-8 or not.
      {"\0provider.name=A\nprovider.service=S\0junk=1\xff\nprovider.description\0=D\n\0"s,
       {L"no-equals nul", L"key provider.service=S", L"no-equals", L"no-equals nul"}},
      {"", {}},
      // A byte-order mark is skipped at the start of the file only; two bytes
      // of one are Latin-1 text.
      {"\xEF\xBB\xBF", {L"mark"}},
      {"\xEF\xBB\xBFprovider.name=Demo\n\xEF\xBB\xBFprovider.name=X\n\xEF\xBBprovider.name=X\n",
       {L"mark", L"key provider.name=Demo", L"unknown \ufeffprovider.name=X",
        L"unknown \u00ef\u00bbprovider.name=X latin1"}},
      // An overlong form, a byte that never occurs in UTF-8, and sequences
      // cut short by the line end or by the end of the file are Latin-1 too.
      {"provider.description=caf\xe9\nprovider.name=caf\xc3\xa9\n"
       "provider.service=\xe2\x82\xac \xf0\x9f\x98\x80\nprovider.implementation=\xc0\xaf\xff\n"
       "k=\xc3\nk=\xe2\x82",
       {L"key provider.description=caf\u00e9 latin1", L"key provider.name=caf\u00e9",
        L"key provider.service=\u20ac \U0001F600",
        L"key provider.implementation=\u00c0\u00af\u00ff latin1", L"unknown k=\u00c3 latin1",
        L"unknown k=\u00e2\u0082 latin1"}},
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
