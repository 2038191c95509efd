// Every value class shown as one text, and filled through every setter: what
// the value-class tests and the allocation sweeps compare objects by.
#ifndef QUOR_TESTS_SUPPORT_VALUE_SAMPLES_H_
#define QUOR_TESTS_SUPPORT_VALUE_SAMPLES_H_

#include <ctime>
#include <string>
#include <typeinfo>

#include "quor/values.h"

namespace quor_test {

using namespace Quor;

// A time at or after the start of this program reads "now".
inline const long long kStart = std::time(nullptr);

inline std::wstring show(const TString& s) { return std::wstring(s.c_str(), s.length()); }
inline std::wstring show(bool flag) { return flag ? L"T" : L"F"; }
inline std::wstring show(int number) { return std::to_wstring(number); }
// Pointer getters hand out new copies: each is shown, then changed and
// released, so that a getter that handed out what it stores shows the change
// the next time.
inline std::wstring show(long long* time) {
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

// Every member of a value, each followed by "|"; what a pointer getter hands
// out is shown in brackets, "-" for null.
inline std::wstring describe(Identifier& i) { return fields(i.getId(), i.getType()); }
inline std::wstring describe(Parameter& p) {
  return fields(p.getId(), p.getValue(), p.getTypeEnum(), p.getType(), p.getEncodingEnum(),
                p.getEncoding());
}
inline std::wstring describe(Criteria& c) {
  return fields(c.getId(), c.getComparison(), c.getValue());
}
inline std::wstring describe(Managed& m) {
  return fields(m.getState(), m.getCreated(), m.getModified());
}
inline std::wstring describe(Entry& e) {
  std::wstring s = fields(e.getKey(), e.getValue(), e.getLabel(), e.isSensitive(), e.isDynamic());
  if (auto* t = dynamic_cast<EntryTemplate*>(&e))
    s += fields(t->isReadOnly(), t->isCriteriaLogicalAND(), t->getEntryCriteria());
  return s;
}
inline std::wstring describe(CredentialElement& e) {
  return fields(e.getId(), e.getParentCredentialId(), e.getType(), e.getValue(), e.getEncoding(),
                e.isReference(), e.isEncrypted());
}
inline std::wstring describe(Credential& c) {
  return describe(static_cast<Managed&>(c)) +
         fields(c.getId(), c.getProfileId(), c.getDescription(), c.getCredentialElements());
}
inline std::wstring describe(ExternalOperation& o) {
  return fields(o.getExternalOperationId(), o.getProviderContextId(), o.getType(), o.getScript(),
                o.getTransactionId(), o.getProfileId(), o.getParameters(),
                o.getResponseParameters());
}
inline std::wstring describe(TString& s) { return show(s) + L"|"; }

template <class T>
std::wstring describe(Vector<T>& list) {
  std::wstring s = L"[";
  for (unsigned int i = 0; i < list.size(); ++i) s += describe(list.at(i));
  return s + L"]";
}
template <class T>
std::wstring show(Vector<T>* list) {
  if (list == nullptr) return L"-";
  const std::wstring s = describe(*list);
  list->clear();
  list->destroy();
  return s;
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

// Each fill sets every member through the setters from objects that it then
// changes or that end with it: the value must keep copies. The two flags of a
// class are set unlike, so that a getter or setter of the other flag shows.
inline void fill(Identifier& i) {
  i.setId(L"id");
  i.setType(L"type");
}
inline void fill(Parameter& p) {
  p.setId(L"id");
  p.setValue(L"42");
  p.setType(Parameter::TYPE_LONG);
  p.setEncoding(L"hexbinary");
}
inline void fill(Criteria& c) {
  c = Criteria(L"age", L">", L"18");
  c.setComparison(L">=");
}
inline void fill(Managed& m) {
  long long created = 1000, modified = 2000;
  m.setState(L"ACTIVE");
  m.setCreated(&created);
  m.setModified(&modified);
}
inline void fill(Entry& e) {
  e.setKey(L"k");
  e.setValue(L"v");
  e.setLabel(L"l");
  e.setSensitive(true);
  e.setDynamic(false);
}
inline void fill(EntryTemplate& t) {
  fill(static_cast<Entry&>(t));
  t.setReadOnly(true);
  t.setCriteriaLogicalAND(false);
  Vector<Criteria> criteria;
  criteria.push_back(Criteria(L"a", L"<", L"1"));
  t.setEntryCriteria(&criteria);
  criteria.push_back(Criteria());
}
inline void fill(CredentialElement& e) {
  CredentialId parent(L"c", L"P");
  e.setId(L"e");
  e.setParentCredentialId(&parent);
  parent.setId(L"changed");
  e.setType(L"t");
  e.setValue(L"v");
  e.setEncoding(L"x");
  e.setIsReference(true);
  e.setEncrypted(false);
}
inline void fill(Credential& c) {
  fill(static_cast<Managed&>(c));
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
inline void fill(ExternalOperation& o) {
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

}  // namespace quor_test

#endif  // QUOR_TESTS_SUPPORT_VALUE_SAMPLES_H_
