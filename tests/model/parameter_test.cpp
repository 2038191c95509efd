// Parameter: defaults, the conversions between the numbers and the texts of
// type and encoding, the constructors and copies.
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "quor/values.h"

using Quor::Parameter;
using Quor::TString;
using Type = Quor::Parameter::ParameterType;
using Encoding = Quor::Parameter::ParameterEncoding;

namespace {

std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

// "id|value|type number type text|encoding number encoding text".
std::wstring describe(Parameter& p) {
  return text(p.getId()) + L"|" + text(p.getValue()) + L"|" + std::to_wstring(p.getTypeEnum()) +
         L" " + text(p.getType()) + L"|" + std::to_wstring(p.getEncodingEnum()) + L" " +
         text(p.getEncoding());
}

Type typeOf(const wchar_t* s) { return Parameter::getTypeAsEnum(TString(s)); }
Encoding encodingOf(const wchar_t* s) { return Parameter::getEncodingAsEnum(TString(s)); }

}  // namespace

TEST(ParameterTest, ConstructorsDefaultToStringAndNoneOrTakeEncodingIdTypeValue) {
  Parameter defaulted;
  Parameter named(TString(L"id"), TString(L"value"));
  Parameter texts(TString(L"hexBinary"), TString(L"id"), TString(L"long"), TString(L"value"));
  Parameter unknown(TString(L"rot13"), TString(L"i"), TString(L"float"), TString(L"v"));
  Parameter numbers(Parameter::ENCODING_BASE64_BINARY, TString(L"id"), Parameter::TYPE_BYTE_ARRAY,
                    TString(L"value"));
  EXPECT_EQ(describe(defaulted), L"||0 String|0 NONE");
  EXPECT_EQ(describe(named), L"id|value|0 String|0 NONE");
  EXPECT_EQ(describe(texts), L"id|value|3 long|2 hexBinary");
  EXPECT_EQ(describe(unknown), L"i|v|0 String|0 NONE");
  EXPECT_EQ(describe(numbers), L"id|value|2 byte[]|1 base64Binary");
}

TEST(ParameterTest, EveryDefinedNumberConvertsToItsTextAndBack) {
  const wchar_t* types[] = {L"String", L"Integer", L"byte[]", L"long"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(text(Parameter::getTypeAsString(static_cast<Type>(i))), types[i]);
    EXPECT_EQ(typeOf(types[i]), i);
  }
  const wchar_t* encodings[] = {L"NONE", L"base64Binary", L"hexBinary", L"decimal", L"UTF-8"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(text(Parameter::getEncodingAsString(static_cast<Encoding>(i))), encodings[i]);
    EXPECT_EQ(encodingOf(encodings[i]), i);
  }
}

TEST(ParameterTest, TextsMatchWholeWordsIgnoringLetterCase) {
  const std::pair<const wchar_t*, int> types[] = {{L"iNtEgEr", 1}, {L"LONG", 3},  {L"BYTE[]", 2},
                                                  {L"", 0},        {L" long", 0}, {L"long ", 0},
                                                  {L"int", 0},     {L"longer", 0}};
  for (const auto& t : types) EXPECT_EQ(typeOf(t.first), t.second) << t.first;
  const std::pair<const wchar_t*, int> encodings[] = {
      {L"UTF8", 4}, {L"utf-8", 4}, {L"Decimal", 3}, {L"HEXBINARY", 2}, {L"BASE64binary", 1},
      {L"", 0},     {L" UTF8", 0}, {L"UTF-8 ", 0},  {L"UTF_8", 0},     {L"decimals", 0}};
  for (const auto& e : encodings) EXPECT_EQ(encodingOf(e.first), e.second) << e.first;

  Parameter p;
  p.setType(TString(L"iNtEgEr"));
  p.setEncoding(TString(L"UTF8"));
  EXPECT_EQ(describe(p), L"||1 Integer|4 UTF-8");
  p.setEncoding(TString(L"Decimal"));
  EXPECT_EQ(describe(p), L"||1 Integer|3 decimal");
  p.setType(TString(L"float"));
  p.setEncoding(TString(L"rot13"));
  EXPECT_EQ(describe(p), L"||0 String|0 NONE");
}

TEST(ParameterTest, OutOfRangeNumbersAreStoredUnchangedAndShownAsDefaults) {
  Parameter p;
  p.setType(static_cast<Type>(7));
  p.setEncoding(static_cast<Encoding>(7));
  EXPECT_EQ(describe(p), L"||7 String|7 NONE");
  Parameter constructed(static_cast<Encoding>(5), TString(L"i"), static_cast<Type>(6),
                        TString(L"v"));
  EXPECT_EQ(describe(constructed), L"i|v|6 String|5 NONE");
}

TEST(ParameterTest, CopyAssignmentAndCloneAreDeepAndComplete) {
  Parameter source(Parameter::ENCODING_UTF8, TString(L"id"), Parameter::TYPE_INTEGER,
                   TString(L"42"));
  Parameter copy(source);
  Parameter assigned;
  assigned = source;
  Parameter* cloned = source.clone();
  source.setId(TString(L"other"));
  source.setValue(TString(L"0"));
  source.setType(Parameter::TYPE_LONG);
  source.setEncoding(Parameter::ENCODING_NONE);
  EXPECT_EQ(describe(copy), L"id|42|1 Integer|4 UTF-8");
  EXPECT_EQ(describe(assigned), L"id|42|1 Integer|4 UTF-8");
  EXPECT_EQ(describe(*cloned), L"id|42|1 Integer|4 UTF-8");
  cloned->destroy();

  Parameter& self = assigned;
  assigned = self;
  TString value = assigned.getValue();
  value[0] = L'9';
  EXPECT_EQ(describe(assigned), L"id|42|1 Integer|4 UTF-8");
}
