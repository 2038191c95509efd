// Parameter: defaults, the conversions between the numbers and the texts of
// type and encoding, the constructors and copies.
#include <string>

#include <gtest/gtest.h>

#include "quor/values.h"

using Quor::Parameter;

// "id|value|type number type text|encoding number encoding text".
static std::wstring describe(Parameter& p) {
  return std::wstring(p.getId().c_str()) + L"|" + p.getValue().c_str() + L"|" +
         std::to_wstring(p.getTypeEnum()) + L" " + p.getType().c_str() + L"|" +
         std::to_wstring(p.getEncodingEnum()) + L" " + p.getEncoding().c_str();
}

TEST(ParameterTest, DefaultIsStringAndNoneAndSettersKeepOutOfRangeNumbersOrConvertTexts) {
  Parameter p;
  EXPECT_EQ(describe(p), L"||0 String|0 NONE");
  p.setType(static_cast<Parameter::ParameterType>(7));
  p.setEncoding(static_cast<Parameter::ParameterEncoding>(7));
  EXPECT_EQ(describe(p), L"||7 String|7 NONE");
  p.setType(L"iNtEgEr");
  p.setEncoding(L"UTF8");
  EXPECT_EQ(describe(p), L"||1 Integer|4 UTF-8");
}

// The texts of every defined number, then texts that match one ignoring letter case, then texts
// that match none.
TEST(ParameterTest, TextsConvertToNumbersAndBackIgnoringLetterCaseAndOthersGiveZero) {
  const wchar_t* cases[][3] = {{L"String", L"NONE", L"0 String|0 NONE"},
                               {L"Integer", L"base64Binary", L"1 Integer|1 base64Binary"},
                               {L"byte[]", L"hexBinary", L"2 byte[]|2 hexBinary"},
                               {L"long", L"UTF-8", L"3 long|4 UTF-8"},
                               {L"iNtEgEr", L"Decimal", L"1 Integer|3 decimal"},
                               {L"", L"UTF-8 ", L"0 String|0 NONE"},
                               {L" long", L"", L"0 String|0 NONE"},
                               {L"float", L"rot13", L"0 String|0 NONE"}};
  for (const auto& c : cases) {
    Parameter p(c[1], L"id", c[0], L"value");  // encoding, id, type, value
    EXPECT_EQ(describe(p), std::wstring(L"id|value|") + c[2]) << c[0] << " " << c[1];
  }
}

TEST(ParameterTest, CopyAssignmentAndCloneAreDeep) {
  Parameter source(Parameter::ENCODING_UTF8, L"id", Parameter::TYPE_INTEGER, L"42");
  Parameter copy(source), assigned;
  assigned = source;
  Parameter* cloned = source.clone();
  source = Parameter(L"other", L"0");
  for (Parameter* p : {&copy, &assigned, cloned})
    EXPECT_EQ(describe(*p), L"id|42|1 Integer|4 UTF-8");
  cloned->destroy();
}
