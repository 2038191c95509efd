#include "quor/parameter.h"

#include "quor_text/ascii.h"

namespace Quor {

namespace {

// The fixed texts are ASCII: only A to Z are folded, so that they match alike
// in every locale.
bool sameIgnoringCase(const TString& text, const wchar_t* word) {
  return text::equalIgnoringAsciiCase(text.c_str(), word);
}

}  // namespace

Parameter::Parameter() : type_(TYPE_STRING), encoding_(ENCODING_NONE) {}

Parameter::Parameter(TString id, TString value)
    : id_(id), value_(value), type_(TYPE_STRING), encoding_(ENCODING_NONE) {}

Parameter::Parameter(TString encoding, TString id, TString type, TString value)
    : id_(id), value_(value), type_(getTypeAsEnum(type)), encoding_(getEncodingAsEnum(encoding)) {}

Parameter::Parameter(ParameterEncoding encoding, TString id, ParameterType type, TString value)
    : id_(id), value_(value), type_(type), encoding_(encoding) {}

Parameter::Parameter(const Parameter& other) = default;

Parameter::~Parameter() = default;

Parameter& Parameter::operator=(const Parameter& other) = default;

Parameter* Parameter::clone() const { return new Parameter(*this); }

TString Parameter::getEncoding() { return getEncodingAsString(encoding_); }

Parameter::ParameterEncoding Parameter::getEncodingEnum() { return encoding_; }

TString Parameter::getId() { return id_; }

TString Parameter::getType() { return getTypeAsString(type_); }

Parameter::ParameterType Parameter::getTypeEnum() { return type_; }

TString Parameter::getValue() { return value_; }

void Parameter::setEncoding(ParameterEncoding encoding) { encoding_ = encoding; }

void Parameter::setEncoding(TString encoding) { encoding_ = getEncodingAsEnum(encoding); }

void Parameter::setId(TString id) { id_ = id; }

void Parameter::setType(ParameterType type) { type_ = type; }

void Parameter::setType(TString type) { type_ = getTypeAsEnum(type); }

void Parameter::setValue(TString value) { value_ = value; }

TString Parameter::getTypeAsString(ParameterType type) {
  switch (type) {
    case TYPE_INTEGER:
      return TString(L"Integer");
    case TYPE_BYTE_ARRAY:
      return TString(L"byte[]");
    case TYPE_LONG:
      return TString(L"long");
    default:
      return TString(L"String");
  }
}

TString Parameter::getEncodingAsString(ParameterEncoding encoding) {
  switch (encoding) {
    case ENCODING_BASE64_BINARY:
      return TString(L"base64Binary");
    case ENCODING_HEX_BINARY:
      return TString(L"hexBinary");
    case ENCODING_DECIMAL:
      return TString(L"decimal");
    case ENCODING_UTF8:
      return TString(L"UTF-8");
    default:
      return TString(L"NONE");
  }
}

Parameter::ParameterType Parameter::getTypeAsEnum(const TString& type) {
  if (sameIgnoringCase(type, L"long")) return TYPE_LONG;
  if (sameIgnoringCase(type, L"Integer")) return TYPE_INTEGER;
  if (sameIgnoringCase(type, L"byte[]")) return TYPE_BYTE_ARRAY;
  return TYPE_STRING;
}

Parameter::ParameterEncoding Parameter::getEncodingAsEnum(const TString& encoding) {
  if (sameIgnoringCase(encoding, L"UTF-8") || sameIgnoringCase(encoding, L"UTF8")) {
    return ENCODING_UTF8;
  }
  if (sameIgnoringCase(encoding, L"base64Binary")) return ENCODING_BASE64_BINARY;
  if (sameIgnoringCase(encoding, L"Decimal")) return ENCODING_DECIMAL;
  if (sameIgnoringCase(encoding, L"hexBinary")) return ENCODING_HEX_BINARY;
  return ENCODING_NONE;
}

}  // namespace Quor
