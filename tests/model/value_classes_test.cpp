// The value classes: the conventions they share (default state, deep copies,
// clone(), assignment, getters that hand out copies, setters that keep
// copies), checked on every class from one table, then what is particular to
// each class.
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "support/scoped_locale.h"
#include "support/value_samples.h"

namespace {

using namespace quor_test;

template <class T>
void expectConventions(const std::wstring& defaults, const std::wstring& filled) {
  SCOPED_TRACE(typeid(T).name());
  T* source = new T;
  EXPECT_EQ(describe(*source), defaults);
  fill(*source);
  EXPECT_EQ(describe(*source), filled);
  EXPECT_EQ(describe(*source), filled);  // the first one changed only the copies handed out
  T copy(*source), assigned, cleared(*source);
  assigned = *source;
  T& self = assigned;
  assigned = self;
  cleared = T();
  T* clone = source->clone();
  EXPECT_TRUE(typeid(*clone) == typeid(T));
  source->destroy();  // the copies own everything they hold
  for (T* value : {&copy, &assigned, clone}) EXPECT_EQ(describe(*value), filled);
  EXPECT_EQ(describe(cleared), defaults);
  clone->destroy();
}

TEST(ValueClassesTest, EveryClassStartsEmptyAndKeepsAndCopiesEachMemberDeeply) {
  expectConventions<Identifier>(L"||", L"id|type|");
  expectConventions<ConfigurationId>(L"||", L"id|type|");
  expectConventions<CredentialId>(L"||", L"id|type|");
  expectConventions<TransactionId>(L"||", L"id|type|");
  expectConventions<Parameter>(L"||0|String|0|NONE|", L"id|42|3|long|2|hexBinary|");
  expectConventions<Criteria>(L"|||", L"age|>=|18|");
  expectConventions<Managed>(L"|now|now|", L"ACTIVE|1000|2000|");
  expectConventions<Entry>(L"|||F|F|", L"k|v|l|T|F|");
  expectConventions<EntryTemplate>(L"|||F|F|F|F|-|", L"k|v|l|T|F|T|F|[a|<|1|]|");
  expectConventions<CredentialElement>(L"|-||||F|F|", L"e|[c|P|]|t|v|x|T|F|");
  expectConventions<Credential>(L"|now|now|-|-||-|",
                                L"ACTIVE|1000|2000|[c|PASSWORD|]|[p|VAULT|]|login|[|-||||F|F|]|");
  expectConventions<ExternalOperation>(L"||||-|-|-|-|",
                                       L"op|ctx|SIGN|sign()|[t|TRANSACTION|]|[p|CONFIGURATION|]|"
                                       L"[a|1|0|String|0|NONE|]|[]|");
}

TEST(ValueClassesTest, AssigningThroughTheBaseClassAssignsOnlyTheBasePart) {
  Credential credential;
  fill(credential);
  static_cast<Managed&>(credential) = Managed();
  EXPECT_EQ(describe(credential), L"|now|now|[c|PASSWORD|]|[p|VAULT|]|login|[|-||||F|F|]|");
  EntryTemplate entry;
  fill(entry);
  static_cast<Entry&>(entry) = Entry();
  EXPECT_EQ(describe(entry), L"|||F|F|T|F|[a|<|1|]|");
  TransactionId transaction;
  static_cast<Identifier&>(transaction) = CredentialId(L"k", L"P");
  EXPECT_EQ(show(transaction.clone()), L"[k|P|]");
}

TEST(ValueClassesTest, OneArgumentIdentifierConstructorsSetTheDefaultType) {
  ConfigurationId configuration(L"c"), typed(L"c", L"");
  TransactionId transaction(L"t");
  CredentialId credential(L"k", L"P");
  Identifier identifier(L"i", L"T");
  EXPECT_EQ(describe(configuration) + describe(typed) + describe(transaction) +
                describe(credential) + describe(identifier),
            L"c|CONFIGURATION|c||t|TRANSACTION|k|P|i|T|");
}

// Texts match ignoring the case of A to Z, in every locale, but not white space; the rest give 0.
// Numbers out of range are kept, and their texts are those of 0.
TEST(ValueClassesTest, ParameterConvertsTypeAndEncodingTextsToNumbersAndBack) {
  const ScopedTurkishLocale turkish;
  const wchar_t* cases[][3] = {{L"String", L"NONE", L"0|String|0|NONE|"},
                               {L"Integer", L"base64Binary", L"1|Integer|1|base64Binary|"},
                               {L"byte[]", L"hexBinary", L"2|byte[]|2|hexBinary|"},
                               {L"long", L"UTF-8", L"3|long|4|UTF-8|"},
                               {L"iNtEgEr", L"Decimal", L"1|Integer|3|decimal|"},
                               {L"LONG", L"utf8", L"3|long|4|UTF-8|"},
                               {L"INTEGER", L"HEXBINARY", L"1|Integer|2|hexBinary|"},
                               {L"\u0130nteger", L"hexb\u0131nary", L"0|String|0|NONE|"},
                               {L"", L"UTF-8 ", L"0|String|0|NONE|"},
                               {L" long", L"", L"0|String|0|NONE|"}};
  for (const auto& c : cases) {
    Parameter p(c[1], L"id", c[0], L"v");  // encoding, id, type, value
    EXPECT_EQ(describe(p), std::wstring(L"id|v|") + c[2]) << c[0] << " " << c[1] << turkish.name();
  }
  Parameter p(static_cast<Parameter::ParameterEncoding>(7), L"id",
              static_cast<Parameter::ParameterType>(7), L"v");
  EXPECT_EQ(describe(p), L"id|v|7|String|7|NONE|");
  p.setType(L"byte[]");
  p.setEncoding(Parameter::ENCODING_DECIMAL);
  EXPECT_EQ(describe(p), L"id|v|2|byte[]|3|decimal|");
}

TEST(ValueClassesTest, NullRemovesWhatWasSetAndANullTimeIsTheCurrentTime) {
  Managed managed;
  fill(managed);
  managed.setModified(nullptr);
  EXPECT_EQ(describe(managed), L"ACTIVE|1000|now|");
  Credential credential;
  fill(credential);
  credential.setCreated(nullptr);
  credential.setId(nullptr);
  credential.setCredentialElements(nullptr);
  EntryTemplate entry;
  fill(entry);
  entry.setEntryCriteria(nullptr);
  ExternalOperation operation;
  fill(operation);
  operation.setTransactionId(nullptr);
  operation.setResponseParameters(nullptr);
  EXPECT_EQ(describe(credential), L"ACTIVE|now|2000|-|[p|VAULT|]|login|-|");
  EXPECT_EQ(describe(entry), L"k|v|l|T|F|T|F|-|");
  EXPECT_EQ(describe(operation),
            L"op|ctx|SIGN|sign()|-|[p|CONFIGURATION|]|[a|1|0|String|0|NONE|]|-|");
}

// The samples set the first flag of each pair; here only the second is set.
TEST(ValueClassesTest, EachFlagKeepsItsOwnValue) {
  Entry entry;
  entry.setDynamic(true);
  EntryTemplate entryTemplate;
  entryTemplate.setDynamic(true);
  entryTemplate.setCriteriaLogicalAND(true);
  CredentialElement element;
  element.setEncrypted(true);
  EXPECT_EQ(describe(entry) + L"/" + describe(entryTemplate) + L"/" + describe(element),
            L"|||F|T|/|||F|T|F|T|-|/|-||||F|T|");
}

}  // namespace
