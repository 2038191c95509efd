// Parameter: a named value with a data type and a text encoding, as clients
// and managers pass them to each other.
//
// Every class here follows the conventions of the value classes, stated once
// in quor/values.h: allocation by the library, deep copies, clone(), what
// getters hand out and setters keep, the default state, failure and threads.
// The order in which each class declares its virtual operations is part of
// the binary interface that clients are compiled against: it never changes.
#ifndef QUOR_PARAMETER_H_
#define QUOR_PARAMETER_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/tstring.h"
#include "quor/vector.h"

namespace Quor {

// A named value with a declared data type and text encoding. Only the numbers
// of type and encoding are stored; their texts are computed on request, so
// the two forms never disagree.
class QUOR_API Parameter : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  // Texts: "String", "Integer", "byte[]", "long". Both enumerations are
  // 32-bit ints, so that any number, also one outside the defined range, can
  // be stored and read back.
  enum ParameterType : int {
    TYPE_STRING = 0,
    TYPE_INTEGER = 1,
    TYPE_BYTE_ARRAY = 2,
    TYPE_LONG = 3,
  };
  // Texts: "NONE", "base64Binary", "hexBinary", "decimal", "UTF-8"; the text
  // "UTF8" is accepted for ENCODING_UTF8 too.
  enum ParameterEncoding : int {
    ENCODING_NONE = 0,
    ENCODING_BASE64_BINARY = 1,
    ENCODING_HEX_BINARY = 2,
    ENCODING_DECIMAL = 3,
    ENCODING_UTF8 = 4,
  };

  // Type TYPE_STRING, encoding ENCODING_NONE.
  Parameter();
  Parameter(TString id, TString value);
  // Type and encoding converted from their texts (getTypeAsEnum,
  // getEncodingAsEnum). Note the order: encoding first.
  Parameter(TString encoding, TString id, TString type, TString value);
  // Type and encoding stored as given, without a range check.
  Parameter(ParameterEncoding encoding, TString id, ParameterType type, TString value);
  Parameter(const Parameter& other);
  virtual ~Parameter();

  virtual Parameter& operator=(const Parameter& other);
  virtual Parameter* clone() const;
  // The text of the stored encoding; "NONE" for an undefined number.
  virtual TString getEncoding();
  virtual ParameterEncoding getEncodingEnum();
  virtual TString getId();
  // The text of the stored type; "String" for an undefined number.
  virtual TString getType();
  virtual ParameterType getTypeEnum();
  virtual TString getValue();
  virtual void setEncoding(ParameterEncoding encoding);
  virtual void setEncoding(TString encoding);
  virtual void setId(TString id);
  virtual void setType(ParameterType type);
  virtual void setType(TString type);
  virtual void setValue(TString value);

  // Number to text; an undefined number gives the text of 0.
  static TString getTypeAsString(ParameterType type);
  static TString getEncodingAsString(ParameterEncoding encoding);
  // Text to number: the whole text, compared without regard to the case of
  // the letters A to Z (in every locale) and without trimming; a text that
  // matches none gives 0.
  static ParameterType getTypeAsEnum(const TString& type);
  static ParameterEncoding getEncodingAsEnum(const TString& encoding);

 private:
  TString id_;
  TString value_;
  ParameterType type_;
  ParameterEncoding encoding_;
};

extern template class QUOR_API Vector<Parameter>;

}  // namespace Quor

#endif  // QUOR_PARAMETER_H_
