// The reader of factory definition files: how one line is classified, and how
// the bytes of a whole file become lines, keys and the provider record.
#include "managers/definition_file.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

// Each of `texts` parses to `described` and keeps its whole text.
void expectParsed(const std::wstring& described, std::initializer_list<std::wstring> texts) {
  for (const std::wstring& text : texts) {
    const DefinitionLine line = parseDefinitionLine(TString(text.c_str()));
    EXPECT_EQ(describe(line), described) << text;
    EXPECT_EQ(w(line.text), text);
  }
}

Texts fields(const ProviderRecord& record) {
  Texts out;
  for (const TString& field : record.fields) out.push_back(w(field));
  return out;
}

// Reads a file of exactly `bytes` into `record`, reporting to `observer`.
void readBytes(const std::string& bytes, ProviderRecord* record, DefinitionObserver* observer) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::rewind(file);
  readDefinitionFile(file, record, observer);
  std::fclose(file);
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

TEST(DefinitionLineTest, OnlyAVeryFirstSemicolonOrHashMakesAComment) {
  expectParsed(L"comment", {L";provider.name=A", L"; provider.name=A", L"#provider.name=A", L"#"});
  expectParsed(L"unknown #provider.name=A", {L"  #provider.name=A"});
}

TEST(DefinitionLineTest, LinesWithoutKeyBeforeTheirFirstEqualsAreIgnored) {
  expectParsed(L"no-equals", {L"", L"[section]", L"provider.name A"});
  expectParsed(L"empty-key", {L"=x", L"=", L"==provider.name=A"});
  // Blanks before the '=' are a key that trims to nothing, and match no field.
  expectParsed(L"unknown =x", {L"  =x"});
}

TEST(DefinitionLineTest, SplitsAtTheFirstEqualsAndTrimsKeyAndValue) {
  expectParsed(L"key provider.implementation=C:\\mods\\a=b.dll",
               {L"provider.implementation=C:\\mods\\a=b.dll"});
  expectParsed(L"key provider.name=Demo Provider", {L"  provider.name = Demo Provider "});
  expectParsed(L"key provider.service=x y", {L"\tprovider.service\t=\t x y \t"});
  expectParsed(L"key provider.name==", {L"provider.name=="});
  expectParsed(L"key provider.name=",
               {L"provider.name=", L"provider.name=  ", L"provider.name =\t"});
  expectParsed(L"unknown other key=a b", {L" other key = a b "});
}

TEST(DefinitionLineTest, MatchesTheFourKeysInAnyLetterCaseAndNothingElse) {
  expectParsed(L"key provider.name=v", {L"provider.name=v", L"PROVIDER.NAME=v"});
  expectParsed(L"key provider.description=v",
               {L"provider.description=v", L"pRoViDeR.dEsCrIpTiOn=v"});
  expectParsed(L"key provider.implementation=v",
               {L"provider.implementation=v", L"PROVIDER.Implementation=v"});
  expectParsed(L"key provider.service=v", {L"provider.service=v", L"Provider.SERVICE=v"});
  // The key is kept as written.
  EXPECT_EQ(w(parseDefinitionLine(L"PROVIDER.Implementation=v").key), L"PROVIDER.Implementation");
  for (const std::wstring key :
       {L"provider.names", L"provider", L"provider.name.x", L"provider name", L"xprovider.name",
        L"provider.nam", L"provider_name"}) {
    expectParsed(L"unknown " + key + L"=v", {key + L"=v"});
  }
}

TEST(DefinitionFileTest, ReadsTheProviderKeysAndReportsEachLineNumberedFromOne) {
  const Read r(
      "; comment\n\n[section]\n=x\n  #provider.name=A\nfoo=bar\nprovider.name = Demo\n"
      "PROVIDER.IMPLEMENTATION=demo-manager.dll\n#provider.service=S\n");
  EXPECT_EQ(fields(r.record), (Texts{L"Demo", L"", L"demo-manager.dll", L""}));
  EXPECT_EQ(r.lines,
            (Texts{L"comment", L"no-equals", L"no-equals", L"empty-key",
                   L"unknown #provider.name=A", L"unknown foo=bar", L"key provider.name=Demo",
                   L"key provider.implementation=demo-manager.dll", L"comment"}));
}

TEST(DefinitionFileTest, LastOccurrenceOfAKeyWinsEvenWhenEmptyAndOthersAreLeftAsTheyWere) {
  const Read r(
      "provider.name=A\nprovider.description=D1\nPROVIDER.NAME=B\nprovider.description=D2\n"
      "provider.service=S\nprovider.name=\n");
  EXPECT_EQ(fields(r.record), (Texts{L"", L"D2", L"", L"S"}));

  // Read into a record filled beforehand, without an observer: the mark is
  // skipped all the same.
  ProviderRecord record;
  for (TString& field : record.fields) field = TString(L"old");
  readBytes("\xEF\xBB\xBFprovider.service=new\nprovider.name=\n", &record, nullptr);
  EXPECT_EQ(fields(record), (Texts{L"", L"old", L"old", L"new"}));

  const Read empty("");
  EXPECT_TRUE(empty.lines.empty());
  EXPECT_EQ(fields(empty.record), (Texts{L"", L"", L"", L""}));
}

TEST(DefinitionFileTest, CrLfAndAMissingFinalLineEndEndLinesLikeLf) {
  Read r("provider.name=Demo\r\n\r\nprovider.implementation=x.dll\r\nprovider.service=S");
  EXPECT_EQ(r.texts, (Texts{L"provider.name=Demo", L"", L"provider.implementation=x.dll",
                            L"provider.service=S"}));

  // A key with its '=' at the very end of the file has an empty value, not "=".
  r = Read("provider.implementation=x.dll\nprovider.implementation=");
  EXPECT_EQ(r.lines,
            (Texts{L"key provider.implementation=x.dll", L"key provider.implementation="}));
}

TEST(DefinitionFileTest, NulEndsALineAndALineThatBeginsWithNulIsIgnored) {
  // The bytes after a NUL are no part of the line, valid UTF-8 or not.
  const Read r(
      "\0provider.name=A\nprovider.service=S\0junk=1\xff\nprovider.description\0=D\n"
      "provider.implementation=I\n"s);
  EXPECT_EQ(r.lines, (Texts{L"no-equals nul", L"key provider.service=S", L"no-equals",
                            L"key provider.implementation=I"}));
  EXPECT_EQ(Read("\0"s).lines, Texts{L"no-equals nul"});
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
  EXPECT_EQ(r.lines.at(1), L"key provider.description=" + w(text) + L"\u00e9");
  EXPECT_EQ(fields(r.record), (Texts{w(name), w(text) + L"\u00e9", L"", L"S"}));
}

TEST(DefinitionFileTest, SkipsAByteOrderMarkOnlyAtTheStartOfTheFile) {
  EXPECT_EQ(Read("\xEF\xBB\xBFprovider.name=Demo\n").lines,
            (Texts{L"mark", L"key provider.name=Demo"}));
  EXPECT_EQ(Read("\xEF\xBB\xBF").lines, Texts{L"mark"});
  EXPECT_EQ(Read("provider.service=S\n\xEF\xBB\xBFprovider.name=X\n").lines,
            (Texts{L"key provider.service=S", L"unknown \ufeffprovider.name=X"}));
  // Two bytes of a mark are no mark: they are Latin-1 text in the first key.
  EXPECT_EQ(Read("\xEF\xBBprovider.name=X\n").lines,
            Texts{L"unknown \u00ef\u00bbprovider.name=X latin1"});
}

TEST(DefinitionFileTest, DecodesUtf8AndTakesOtherBytesAsLatin1LineByLine) {
  // An overlong form, a byte that never occurs in UTF-8, and sequences cut
  // short by the line end or by the end of the file are Latin-1 too.
  const Read r(
      "provider.description=caf\xe9\nprovider.name=caf\xc3\xa9\n"
      "provider.service=\xe2\x82\xac \xf0\x9f\x98\x80\nprovider.implementation=\xc0\xaf\xff\n"
      "k=\xc3\nk=\xe2\x82");
  EXPECT_EQ(r.lines,
            (Texts{L"key provider.description=caf\u00e9 latin1", L"key provider.name=caf\u00e9",
                   L"key provider.service=\u20ac \U0001F600",
                   L"key provider.implementation=\u00c0\u00af\u00ff latin1",
                   L"unknown k=\u00c3 latin1", L"unknown k=\u00e2\u0082 latin1"}));
}
