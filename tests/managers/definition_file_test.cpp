// The reader of factory definition files: how one line is classified, and how
// the bytes of a whole file become lines, keys and the provider record.
#include "managers/definition_file.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace Quor::detail;
using Quor::TString;

namespace {

using Fields = std::vector<std::wstring>;  // name, description, implementation, service

std::wstring w(const TString& s) { return std::wstring(s.c_str(), s.length()); }
std::wstring w(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

DefinitionLine parse(const std::wstring& text) {
  return parseDefinitionLine(TString(text.c_str()));
}

class Recorder : public DefinitionObserver {
 public:
  void byteOrderMark() override { ++marks; }
  void line(const DefinitionLine& line) override { lines.push_back(line); }

  int marks = 0;
  std::vector<DefinitionLine> lines;
};

struct Read {
  ProviderRecord record;
  Recorder seen;

  Fields fields() const {
    Fields out;
    for (const auto& field : record.fields) out.push_back(w(field));
    return out;
  }
};

// Reads a file of exactly `bytes` into `result`, whose record may be filled
// beforehand; without an observer when `observe` is false.
void readInto(const std::string& bytes, Read* result, bool observe = true) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::rewind(file);
  readDefinitionFile(file, &result->record, observe ? &result->seen : nullptr);
  std::fclose(file);
}

Read readFile(const std::string& bytes) {
  Read result;
  readInto(bytes, &result);
  return result;
}

}  // namespace

TEST(DefinitionLineTest, OnlyAVeryFirstSemicolonOrHashMakesAComment) {
  for (const wchar_t* text :
       {L";provider.name=A", L"; provider.name=A", L"#provider.name=A", L"#"}) {
    const DefinitionLine line = parse(text);
    EXPECT_EQ(line.kind, DefinitionLine::kComment) << text;
    EXPECT_EQ(w(line.text), text);
    EXPECT_TRUE(line.key.empty()) << text;
  }
  const DefinitionLine indented = parse(L"  #provider.name=A");
  EXPECT_EQ(indented.kind, DefinitionLine::kUnknownKey);
  EXPECT_EQ(w(indented.key), L"#provider.name");
  EXPECT_EQ(w(indented.value), L"A");
}

TEST(DefinitionLineTest, LinesWithoutKeyBeforeTheirFirstEqualsAreIgnored) {
  for (const wchar_t* text : {L"", L"[section]", L"provider.name A"}) {
    EXPECT_EQ(parse(text).kind, DefinitionLine::kNoEquals) << text;
    EXPECT_EQ(w(parse(text).text), text);
  }
  for (const wchar_t* text : {L"=x", L"=", L"==provider.name=A"}) {
    const DefinitionLine line = parse(text);
    EXPECT_EQ(line.kind, DefinitionLine::kEmptyKey) << text;
    EXPECT_TRUE(line.key.empty() && line.value.empty()) << text;
  }
  // Blanks before the '=' are a key that trims to nothing, and match no field.
  EXPECT_EQ(parse(L"  =x").kind, DefinitionLine::kUnknownKey);
  EXPECT_TRUE(parse(L"  =x").key.empty());
}

TEST(DefinitionLineTest, SplitsAtTheFirstEqualsAndTrimsKeyAndValue) {
  DefinitionLine line = parse(L"provider.implementation=C:\\mods\\a=b.dll");
  EXPECT_EQ(line.kind, DefinitionLine::kKey);
  EXPECT_EQ(line.field, kProviderImplementation);
  EXPECT_EQ(w(line.value), L"C:\\mods\\a=b.dll");

  line = parse(L"  provider.name = Demo Provider ");
  EXPECT_EQ(line.field, kProviderName);
  EXPECT_EQ(w(line.key), L"provider.name");
  EXPECT_EQ(w(line.value), L"Demo Provider");
  EXPECT_EQ(w(line.text), L"  provider.name = Demo Provider ");

  EXPECT_EQ(w(parse(L"\tprovider.service\t=\t x y \t").value), L"x y");
  EXPECT_EQ(w(parse(L"provider.name==").value), L"=");
  for (const wchar_t* text : {L"provider.name=", L"provider.name=  ", L"provider.name =\t"}) {
    line = parse(text);
    EXPECT_EQ(line.kind, DefinitionLine::kKey) << text;
    EXPECT_EQ(w(line.value), L"") << text;
  }
}

TEST(DefinitionLineTest, MatchesTheFourKeysInAnyLetterCaseAndNothingElse) {
  const std::pair<const wchar_t*, ProviderField> keys[] = {
      {L"provider.name", kProviderName},
      {L"provider.description", kProviderDescription},
      {L"provider.implementation", kProviderImplementation},
      {L"provider.service", kProviderService},
      {L"PROVIDER.Implementation", kProviderImplementation},
      {L"Provider.SERVICE", kProviderService},
      {L"pRoViDeR.dEsCrIpTiOn", kProviderDescription}};
  for (const auto& key : keys) {
    const DefinitionLine line = parse(std::wstring(key.first) + L"=v");
    EXPECT_EQ(line.kind, DefinitionLine::kKey) << key.first;
    EXPECT_EQ(line.field, key.second) << key.first;
    EXPECT_EQ(w(line.key), key.first);
  }
  for (const wchar_t* key : {L"provider.names", L"provider", L"provider.name.x", L"provider name",
                             L"xprovider.name", L"provider.nam", L"provider_name"}) {
    const DefinitionLine line = parse(std::wstring(key) + L"=v");
    EXPECT_EQ(line.kind, DefinitionLine::kUnknownKey) << key;
    EXPECT_EQ(w(line.key), key);
    EXPECT_EQ(w(line.value), L"v");
  }
}

TEST(DefinitionFileTest, ReadsTheProviderKeysAndReportsEachLineNumberedFromOne) {
  const Read r = readFile(
      "; comment\n\n[section]\n=x\n  #provider.name=A\nfoo=bar\nprovider.name = Demo\n"
      "PROVIDER.IMPLEMENTATION=demo-manager.dll\n#provider.service=S\n");
  EXPECT_EQ(r.fields(), (Fields{L"Demo", L"", L"demo-manager.dll", L""}));
  EXPECT_EQ(r.seen.marks, 0);
  const DefinitionLine::Kind kinds[] = {
      DefinitionLine::kComment,  DefinitionLine::kNoEquals,   DefinitionLine::kNoEquals,
      DefinitionLine::kEmptyKey, DefinitionLine::kUnknownKey, DefinitionLine::kUnknownKey,
      DefinitionLine::kKey,      DefinitionLine::kKey,        DefinitionLine::kComment};
  ASSERT_EQ(r.seen.lines.size(), 9u);
  for (unsigned int i = 0; i < 9; ++i) {
    EXPECT_EQ(r.seen.lines[i].number, i + 1);
    EXPECT_EQ(r.seen.lines[i].kind, kinds[i]) << "line " << i + 1;
    EXPECT_TRUE(r.seen.lines[i].validUtf8 && !r.seen.lines[i].beginsWithNul);
  }
}

TEST(DefinitionFileTest, LastOccurrenceOfAKeyWinsEvenWhenEmpty) {
  const Read r = readFile(
      "provider.name=A\nprovider.description=D1\nPROVIDER.NAME=B\nprovider.description=D2\n"
      "provider.service=S\nprovider.name=\n");
  EXPECT_EQ(r.fields(), (Fields{L"", L"D2", L"", L"S"}));
}

TEST(DefinitionFileTest, SetsOnlyTheFieldsItsLinesSetAndAnEmptyFileNone) {
  Read r;
  for (auto& field : r.record.fields) field = TString(L"old");
  readInto("provider.service=new\nprovider.name=\n", &r);
  EXPECT_EQ(r.fields(), (Fields{L"", L"old", L"old", L"new"}));

  const Read empty = readFile("");
  EXPECT_TRUE(empty.seen.lines.empty());
  EXPECT_EQ(empty.seen.marks, 0);
  EXPECT_EQ(empty.fields(), (Fields{L"", L"", L"", L""}));
}

TEST(DefinitionFileTest, CrLfAndAMissingFinalLineEndEndLinesLikeLf) {
  Read r = readFile("provider.name=Demo\r\n\r\nprovider.implementation=x.dll\r\n");
  EXPECT_EQ(r.fields(), (Fields{L"Demo", L"", L"x.dll", L""}));
  ASSERT_EQ(r.seen.lines.size(), 3u);
  EXPECT_EQ(w(r.seen.lines[0].text), L"provider.name=Demo");
  EXPECT_EQ(r.seen.lines[1].kind, DefinitionLine::kNoEquals);

  r = readFile("provider.implementation=x.dll\nprovider.implementation=");
  ASSERT_EQ(r.seen.lines.size(), 2u);
  EXPECT_EQ(r.seen.lines[1].kind, DefinitionLine::kKey);
  EXPECT_EQ(w(r.record[kProviderImplementation]), L"");

  r = readFile("provider.name=Demo\r\nprovider.implementation=x.dll");
  ASSERT_EQ(r.seen.lines.size(), 2u);
  EXPECT_EQ(r.seen.lines[1].number, 2u);
  EXPECT_EQ(r.fields(), (Fields{L"Demo", L"", L"x.dll", L""}));
}

TEST(DefinitionFileTest, NulEndsALineAndALineThatBeginsWithNulIsIgnored) {
  static const char kBytes[] =
      "\0provider.name=A\nprovider.service=S\0junk=1\xff\n"
      "provider.description\0=D\nprovider.implementation=I\n";
  Read r;
  ASSERT_NO_THROW(readInto(std::string(kBytes, sizeof kBytes - 1), &r));
  EXPECT_EQ(r.fields(), (Fields{L"", L"", L"I", L"S"}));
  ASSERT_EQ(r.seen.lines.size(), 4u);
  EXPECT_EQ(r.seen.lines[0].kind, DefinitionLine::kNoEquals);
  EXPECT_TRUE(r.seen.lines[0].beginsWithNul);
  EXPECT_TRUE(r.seen.lines[0].text.empty());
  EXPECT_EQ(w(r.seen.lines[1].text), L"provider.service=S");
  EXPECT_FALSE(r.seen.lines[1].beginsWithNul);
  // The bytes after the NUL are no part of the line, valid or not.
  EXPECT_TRUE(r.seen.lines[1].validUtf8);
  EXPECT_EQ(r.seen.lines[2].kind, DefinitionLine::kNoEquals);
  EXPECT_EQ(w(r.seen.lines[2].text), L"provider.description");

  r = Read();
  ASSERT_NO_THROW(readInto(std::string("\0", 1), &r));
  ASSERT_EQ(r.seen.lines.size(), 1u);
  EXPECT_TRUE(r.seen.lines[0].beginsWithNul);
}

TEST(DefinitionFileTest, ReadsLinesWholeWhateverTheirLength) {
  // A long value whose text from its 1024th character on looks like a key.
  const std::string description = std::string(1002, 'd') + "provider.name=Split";
  const std::string value(5000, 'x');
  Read r = readFile("provider.description=" + description + "\nprovider.implementation=" + value +
                    "\n#" + std::string(3000, ';') + "\nprovider.service=S\n");
  EXPECT_EQ(r.seen.lines.size(), 4u);
  EXPECT_EQ(r.fields(), (Fields{L"", w(description), w(value), L"S"}));

  // Lines longer than the reader's chunks of 16384 bytes, with a CR LF and a
  // two-byte character that straddle chunk boundaries.
  const std::string name(16384 - 14 - 1, 'n');
  const std::string text(32768 - 16384 - 21 - 1, 't');
  r = readFile("provider.name=" + name + "\r\nprovider.description=" + text +
               "\xc3\xa9\nprovider.service=S");
  ASSERT_EQ(r.seen.lines.size(), 3u);
  EXPECT_TRUE(r.seen.lines[1].validUtf8);
  EXPECT_EQ(r.fields(), (Fields{w(name), w(text) + L"\u00e9", L"", L"S"}));
}

TEST(DefinitionFileTest, SkipsAByteOrderMarkOnlyAtTheStartOfTheFile) {
  Read r = readFile("\xEF\xBB\xBFprovider.name=Demo\n");
  EXPECT_EQ(r.seen.marks, 1);
  ASSERT_EQ(r.seen.lines.size(), 1u);
  EXPECT_EQ(w(r.seen.lines[0].text), L"provider.name=Demo");
  EXPECT_EQ(w(r.record[kProviderName]), L"Demo");

  Read quiet;
  readInto("\xEF\xBB\xBFprovider.name=Demo\n", &quiet, false);
  EXPECT_EQ(w(quiet.record[kProviderName]), L"Demo");

  r = readFile("\xEF\xBB\xBF");
  EXPECT_EQ(r.seen.marks, 1);
  EXPECT_TRUE(r.seen.lines.empty());

  r = readFile("provider.service=S\n\xEF\xBB\xBFprovider.name=X\n");
  EXPECT_EQ(r.seen.marks, 0);
  ASSERT_EQ(r.seen.lines.size(), 2u);
  EXPECT_EQ(r.seen.lines[1].kind, DefinitionLine::kUnknownKey);
  EXPECT_EQ(w(r.record[kProviderName]), L"");

  // Two bytes of a mark are no mark: they are Latin-1 text in the first key.
  r = readFile("\xEF\xBBprovider.name=X\n");
  EXPECT_EQ(r.seen.marks, 0);
  ASSERT_EQ(r.seen.lines.size(), 1u);
  EXPECT_EQ(w(r.seen.lines[0].key), L"\u00ef\u00bbprovider.name");
  EXPECT_FALSE(r.seen.lines[0].validUtf8);
}

TEST(DefinitionFileTest, DecodesUtf8AndTakesOtherBytesAsLatin1LineByLine) {
  const Read r = readFile(
      "provider.description=caf\xe9\nprovider.name=caf\xc3\xa9\n"
      "provider.service=\xe2\x82\xac \xf0\x9f\x98\x80\nprovider.implementation=\xc0\xaf\xff\n"
      "k=\xc3\nk=\xe2\x82");
  // An overlong form and a byte that never occurs in UTF-8 are Latin-1 too.
  EXPECT_EQ(r.fields(),
            (Fields{L"caf\u00e9", L"caf\u00e9", L"\u00c0\u00af\u00ff", L"\u20ac \U0001F600"}));
  ASSERT_EQ(r.seen.lines.size(), 6u);
  const bool valid[] = {false, true, true, false, false, false};
  for (unsigned int i = 0; i < 6; ++i) EXPECT_EQ(r.seen.lines[i].validUtf8, valid[i]) << i + 1;
  // A sequence cut short by the line end or by the end of the file.
  EXPECT_EQ(w(r.seen.lines[4].value), L"\u00c3");
  EXPECT_EQ(w(r.seen.lines[5].value), L"\u00e2\u0082");
  EXPECT_EQ(r.seen.lines[5].number, 6u);
}
