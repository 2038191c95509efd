// Credential and CredentialElement: defaults, deep copies and the element list.
#include <ctime>
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "quor/values.h"

using namespace Quor;
using Elements = Vector<CredentialElement>;

static std::wstring str(const TString& s) { return s.c_str(); }

static long long take(long long* block) {
  const long long time = *block;
  BaseDLLObjectImpl<BaseDLLInterface>::operator delete(block);
  return time;
}

// "id type" of an identifier, which it releases; "-" for none, "?" if not exactly of class Id.
template <class Id>
static std::wstring show(Id* id) {
  if (id == nullptr) return L"-";
  const std::wstring s =
      str(id->getId()) + L" " + str(id->getType()) + (typeid(*id) == typeid(Id) ? L"" : L"?");
  id->destroy();
  return s;
}

// "id|profile|description|state|created modified|" and the number of elements with the parent
// id of the last one, or "none" without a list.
static std::wstring describe(Credential& c) {
  std::wstring s = show(c.getId()) + L"|" + show(c.getProfileId()) + L"|" +
                   str(c.getDescription()) + L"|" + str(c.getState()) + L"|" +
                   std::to_wstring(take(c.getCreated())) + L" " +
                   std::to_wstring(take(c.getModified())) + L"|";
  Elements* list = c.getCredentialElements();
  if (list == nullptr) return s + L"none";
  s += std::to_wstring(list->size());
  if (!list->empty()) s += L" of " + show(list->back().getParentCredentialId());
  list->destroy();
  return s;
}
const std::wstring kFilled = L"cred-1 PASSWORD|profile-1 VAULT|login|ACTIVE|1000 2000|";

// Sets every member to kFilled + "3 of cred-1 PASSWORD" from arguments that the caller then
// changes or releases. The list of three elements has capacity 5.
static void fill(Credential& c) {
  CredentialId* id = new CredentialId(L"cred-1", L"PASSWORD");
  ConfigurationId profile(L"profile-1", L"VAULT");  // not the default type
  CredentialElement element;
  element.setParentCredentialId(id);
  Elements elements;
  for (int i = 0; i < 3; ++i) elements.push_back(element);
  long long created = 1000, modified = 2000;
  c.setId(id);
  c.setProfileId(&profile);
  c.setCredentialElements(&elements);
  c.setDescription(L"login");
  c.setState(L"ACTIVE");
  c.setCreated(&created);
  c.setModified(&modified);
  id->destroy();
  elements.pop_back();
}

TEST(CredentialTest, DefaultHoldsNothingAndIsStampedWithTheConstructionTime) {
  const long long before = std::time(nullptr);
  Credential c;
  const long long created = take(c.getCreated()), modified = take(c.getModified());
  EXPECT_TRUE(before <= created && created <= modified && modified <= std::time(nullptr));
  EXPECT_EQ(describe(c),
            L"-|-|||" + std::to_wstring(created) + L" " + std::to_wstring(modified) + L"|none");
}

TEST(CredentialTest, ElementListIsCopiedOnSetAndOnEveryGet) {
  Credential c;
  fill(c);
  Elements *first = c.getCredentialElements(), *second = c.getCredentialElements();
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->capacity(), 15u);  // 5, + 5 for the stored copy, + 5 for the returned one
  first->pop_back();
  first->destroy();
  second->destroy();
  EXPECT_EQ(describe(c), kFilled + L"3 of cred-1 PASSWORD");

  Elements empty;
  c.setCredentialElements(&empty);  // an empty list, not "no list"
  EXPECT_EQ(describe(c), kFilled + L"0");
  c.setCredentialElements(nullptr);
  EXPECT_EQ(describe(c), kFilled + L"none");
}

TEST(CredentialTest, CopiesShareNothingAndAssigningThroughManagedTakesOnlyStateAndTimes) {
  Credential* source = new Credential;
  fill(*source);
  Credential copied(*source), assigned, partial;
  assigned = *source;
  Managed* cloned = static_cast<Managed*>(source)->clone();
  partial.setDescription(L"own");
  static_cast<Managed&>(partial) = *source;
  source->destroy();  // the copies must own everything they hold
  Credential* clone = dynamic_cast<Credential*>(cloned);
  ASSERT_NE(clone, nullptr);
  for (Credential* c : {&copied, &assigned, clone}) {
    EXPECT_EQ(describe(*c), kFilled + L"3 of cred-1 PASSWORD");
  }
  EXPECT_EQ(describe(partial), L"-|-|own|ACTIVE|1000 2000|none");
  clone->destroy();
}

TEST(CredentialElementTest, DefaultIsEmptyAndTheTwoFlagsAreIndependent) {
  CredentialElement e;
  EXPECT_TRUE(e.getParentCredentialId() == nullptr && e.getId().empty() && e.getType().empty() &&
              e.getValue().empty() && e.getEncoding().empty() && !e.isReference() &&
              !e.isEncrypted());
  e.setEncrypted(true);
  EXPECT_TRUE(!e.isReference() && e.isEncrypted());
  e.setEncrypted(false);
  e.setIsReference(true);
  EXPECT_TRUE(e.isReference() && !e.isEncrypted());
}
