// The value classes: the conventions they share (default state, deep copies,
// clone(), assignment, getters that hand out copies, setters that keep
// copies), checked on every class from one table, then what is particular to
// each class.
#include <ctime>
#include <string>
#include <type_traits>
#include <typeinfo>

#include <gtest/gtest.h>

#include "quor/values.h"

using namespace Quor;

namespace {

// A time at or after the start of this program reads "now".
const long long kStart = std::time(nullptr);

std::wstring show(const TString& s) { return s.c_str(); }
std::wstring show(bool flag) { return flag ? L"T" : L"F"; }
std::wstring show(int number) { return std::to_wstring(number); }
// Pointer getters hand out new copies: each is shown, then changed and released, so that a getter
// that handed out what it stores shows the change the next time.
std::wstring show(long long* time) {
  const std::wstring s = *time >= kStart && *time <= std::time(nullptr) ? L"now" : show(int(*time));
  *time = 0;
  BaseDLLObjectImpl<BaseDLLInterface>::operator delete(time);
  return s;
}
template <class T>
std::wstring show(Vector<T>* list);
template <class T>
std::wstring show(T* object);

template <class... Members>
std::wstring fields(Members&&... members) {
  return ((show(members) + L"|") + ...);
}

// Every member of a value, each followed by "|"; what a pointer getter hands out is shown in
// brackets, "-" for null.
std::wstring describe(Identifier& i) { return fields(i.getId(), i.getType()); }
std::wstring describe(Parameter& p) {
  return fields(p.getId(), p.getValue(), p.getTypeEnum(), p.getType(), p.getEncodingEnum(),
                p.getEncoding());
}
std::wstring describe(Criteria& c) { return fields(c.getId(), c.getComparison(), c.getValue()); }
std::wstring describe(Managed& m) { return fields(m.getState(), m.getCreated(), m.getModified()); }
std::wstring describe(Entry& e) {
  std::wstring s = fields(e.getKey(), e.getValue(), e.getLabel(), e.isSensitive(), e.isDynamic());
  if (auto* t = dynamic_cast<EntryTemplate*>(&e))
    s += fields(t->isReadOnly(), t->isCriteriaLogicalAND(), t->getEntryCriteria());
  return s;
}
std::wstring describe(CredentialElement& e) {
  return fields(e.getId(), e.getParentCredentialId(), e.getType(), e.getValue(), e.getEncoding(),
                e.isReference(), e.isEncrypted());
}
std::wstring describe(Credential& c) {
  return describe(static_cast<Managed&>(c)) +
         fields(c.getId(), c.getProfileId(), c.getDescription(), c.getCredentialElements());
}
std::wstring describe(ExternalOperation& o) {
  return fields(o.getExternalOperationId(), o.getProviderContextId(), o.getType(), o.getScript(),
                o.getTransactionId(), o.getProfileId(), o.getParameters(),
                o.getResponseParameters());
}

template <class T>
std::wstring show(Vector<T>* list) {
  if (list == nullptr) return L"-";
  std::wstring s = L"[";
  for (unsigned int i = 0; i < list->size(); ++i) s += describe(list->at(i));
  list->clear();
  list->destroy();
  return s + L"]";
}
// An object that is not exactly of class T is marked with "?".
template <class T>
std::wstring show(T* object) {
  if (object == nullptr) return L"-";
  const std::wstring s = L"[" + describe(*object) + (typeid(*object) == typeid(T) ? L"]" : L"?]");
  *object = T();
  object->destroy();
  return s;
}

// Each fill sets every member through the setters from objects that it then changes or that end
// with it: the value must keep copies.
template <class I>
void fillIdentifier(I& i) {
  i.setId(L"id");
  i.setType(L"type");
}
void fillParameter(Parameter& p) {
  p.setId(L"id");
  p.setValue(L"42");
  p.setType(Parameter::TYPE_LONG);
  p.setEncoding(L"hexbinary");
}
void fillCriteria(Criteria& c) {
  c = Criteria(L"age", L">", L"18");
  c.setComparison(L">=");
}
void fillManaged(Managed& m) {
  long long created = 1000, modified = 2000;
  m.setState(L"ACTIVE");
  m.setCreated(&created);
  m.setModified(&modified);
}
void fillEntry(Entry& e) {
  e.setKey(L"k");
  e.setValue(L"v");
  e.setLabel(L"l");
  e.setSensitive(true);
  e.setDynamic(true);
}
void fillTemplate(EntryTemplate& t) {
  fillEntry(t);
  t.setReadOnly(true);
  t.setCriteriaLogicalAND(true);
  Vector<Criteria> criteria;
  criteria.push_back(Criteria(L"a", L"<", L"1"));
  t.setEntryCriteria(&criteria);
  criteria.push_back(Criteria());
}
void fillElement(CredentialElement& e) {
  CredentialId parent(L"c", L"P");
  e.setId(L"e");
  e.setParentCredentialId(&parent);
  parent.setId(L"changed");
  e.setType(L"t");
  e.setValue(L"v");
  e.setEncoding(L"x");
  e.setIsReference(true);
  e.setEncrypted(true);
}
void fillCredential(Credential& c) {
  fillManaged(c);
  CredentialId id(L"c", L"PASSWORD");
  ConfigurationId profile(L"p", L"VAULT");
  Vector<CredentialElement> elements;
  elements.push_back(CredentialElement());
  c.setId(&id);
  c.setProfileId(&profile);
  c.setDescription(L"login");
  c.setCredentialElements(&elements);
  id.setId(L"changed");
  elements.pop_back();
}
void fillOperation(ExternalOperation& o) {
  TransactionId transaction(L"t");
  ConfigurationId profile(L"p");
  Vector<Parameter> parameters, none;
  parameters.push_back(Parameter(L"a", L"1"));
  o.setExternalOperationId(L"op");
  o.setProviderContextId(L"ctx");
  o.setType(L"SIGN");
  o.setScript(L"sign()");
  o.setTransactionId(&transaction);
  o.setProfileId(&profile);
  o.setParameters(&parameters);
  o.setResponseParameters(&none);
  parameters.clear();
}

template <class T, class Fill>
void expectConventions(Fill fill, const std::wstring& defaults, const std::wstring& filled) {
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
  expectConventions<Identifier>(fillIdentifier<Identifier>, L"||", L"id|type|");
  expectConventions<ConfigurationId>(fillIdentifier<ConfigurationId>, L"||", L"id|type|");
  expectConventions<CredentialId>(fillIdentifier<CredentialId>, L"||", L"id|type|");
  expectConventions<TransactionId>(fillIdentifier<TransactionId>, L"||", L"id|type|");
  expectConventions<Parameter>(fillParameter, L"||0|String|0|NONE|", L"id|42|3|long|2|hexBinary|");
  expectConventions<Criteria>(fillCriteria, L"|||", L"age|>=|18|");
  expectConventions<Managed>(fillManaged, L"|now|now|", L"ACTIVE|1000|2000|");
  expectConventions<Entry>(fillEntry, L"|||F|F|", L"k|v|l|T|T|");
  expectConventions<EntryTemplate>(fillTemplate, L"|||F|F|F|F|-|", L"k|v|l|T|T|T|T|[a|<|1|]|");
  expectConventions<CredentialElement>(fillElement, L"|-||||F|F|", L"e|[c|P|]|t|v|x|T|T|");
  expectConventions<Credential>(fillCredential, L"|now|now|-|-||-|",
                                L"ACTIVE|1000|2000|[c|PASSWORD|]|[p|VAULT|]|login|[|-||||F|F|]|");
  expectConventions<ExternalOperation>(fillOperation, L"||||-|-|-|-|",
                                       L"op|ctx|SIGN|sign()|[t|TRANSACTION|]|[p|CONFIGURATION|]|"
                                       L"[a|1|0|String|0|NONE|]|[]|");
}

TEST(ValueClassesTest, AssigningThroughTheBaseClassAssignsOnlyTheBasePart) {
  Credential credential;
  fillCredential(credential);
  static_cast<Managed&>(credential) = Managed();
  EXPECT_EQ(describe(credential), L"|now|now|[c|PASSWORD|]|[p|VAULT|]|login|[|-||||F|F|]|");
  EntryTemplate entry;
  fillTemplate(entry);
  static_cast<Entry&>(entry) = Entry();
  EXPECT_EQ(describe(entry), L"|||F|F|T|T|[a|<|1|]|");
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

// Texts match ignoring letter case but not white space; the rest give 0. Numbers out of range are
// kept, and their texts are those of 0.
TEST(ValueClassesTest, ParameterConvertsTypeAndEncodingTextsToNumbersAndBack) {
  const wchar_t* cases[][3] = {{L"String", L"NONE", L"0|String|0|NONE|"},
                               {L"Integer", L"base64Binary", L"1|Integer|1|base64Binary|"},
                               {L"byte[]", L"hexBinary", L"2|byte[]|2|hexBinary|"},
                               {L"long", L"UTF-8", L"3|long|4|UTF-8|"},
                               {L"iNtEgEr", L"Decimal", L"1|Integer|3|decimal|"},
                               {L"LONG", L"utf8", L"3|long|4|UTF-8|"},
                               {L"", L"UTF-8 ", L"0|String|0|NONE|"},
                               {L" long", L"", L"0|String|0|NONE|"}};
  for (const auto& c : cases) {
    Parameter p(c[1], L"id", c[0], L"v");  // encoding, id, type, value
    EXPECT_EQ(describe(p), std::wstring(L"id|v|") + c[2]) << c[0] << " " << c[1];
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
  fillManaged(managed);
  managed.setModified(nullptr);
  EXPECT_EQ(describe(managed), L"ACTIVE|1000|now|");
  Credential credential;
  fillCredential(credential);
  credential.setCreated(nullptr);
  credential.setId(nullptr);
  credential.setCredentialElements(nullptr);
  EntryTemplate entry;
  fillTemplate(entry);
  entry.setEntryCriteria(nullptr);
  ExternalOperation operation;
  fillOperation(operation);
  operation.setTransactionId(nullptr);
  operation.setResponseParameters(nullptr);
  EXPECT_EQ(describe(credential), L"ACTIVE|now|2000|-|[p|VAULT|]|login|-|");
  EXPECT_EQ(describe(entry), L"k|v|l|T|T|T|T|-|");
  EXPECT_EQ(describe(operation),
            L"op|ctx|SIGN|sign()|-|[p|CONFIGURATION|]|[a|1|0|String|0|NONE|]|-|");
}

TEST(ValueClassesTest, CredentialElementFlagsAreIndependent) {
  CredentialElement e;
  e.setEncrypted(true);
  const std::wstring encrypted = show(e.isReference()) + show(e.isEncrypted());
  e.setEncrypted(false);
  e.setIsReference(true);
  EXPECT_EQ(encrypted + show(e.isReference()) + show(e.isEncrypted()), L"FTTF");
}

}  // namespace
