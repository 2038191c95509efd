// Credential and CredentialElement: defaults, deep copies and the element list.
#include <ctime>
#include <memory>
#include <typeinfo>

#include <gtest/gtest.h>

#include "quor/values.h"

namespace {

using namespace Quor;
using Elements = Vector<CredentialElement>;

// Releases what the library hands out, also when an assertion fails.
struct Destroy {
  void operator()(BaseDLLInterface* p) const { p->destroy(); }
};
template <class T>
using Owned = std::unique_ptr<T, Destroy>;

long long take(long long* block) {
  long long time = *block;
  BaseDLLObjectImpl<BaseDLLInterface>::operator delete(block);
  return time;
}

// Appends elements "v0", "v1", "v2" with a parent id: a new vector keeps capacity 5.
void addThree(Elements& v) {
  CredentialId parent(L"cred-1", L"PASSWORD");
  for (const wchar_t* value : {L"v0", L"v1", L"v2"}) {
    CredentialElement e;
    e.setParentCredentialId(&parent);
    e.setValue(value);
    v.push_back(e);
  }
}

// Sets every member to the values that expectFilled() checks.
void fill(Credential& c) {
  CredentialId id(L"cred-1", L"PASSWORD");
  ConfigurationId profile(L"profile-1", L"VAULT");
  Elements elements;
  addThree(elements);
  long long created = 1000, modified = 2000;
  c.setId(&id);
  c.setProfileId(&profile);
  c.setCredentialElements(&elements);
  c.setDescription(L"login");
  c.setState(L"ACTIVE");
  c.setCreated(&created);
  c.setModified(&modified);
}

void expectFilled(Credential& c) {
  Owned<CredentialId> id(c.getId());
  Owned<ConfigurationId> profile(c.getProfileId());
  Owned<Elements> elements(c.getCredentialElements());
  ASSERT_TRUE(id && profile && elements);
  EXPECT_STREQ(id->getType().c_str(), L"PASSWORD");
  EXPECT_STREQ(profile->getId().c_str(), L"profile-1");
  EXPECT_STREQ(c.getDescription().c_str(), L"login");
  EXPECT_STREQ(c.getState().c_str(), L"ACTIVE");
  EXPECT_EQ(take(c.getCreated()), 1000);
  EXPECT_EQ(take(c.getModified()), 2000);
  ASSERT_EQ(elements->size(), 3u);
  EXPECT_STREQ(elements->at(2).getValue().c_str(), L"v2");
  Owned<CredentialId> parent(elements->at(2).getParentCredentialId());
  ASSERT_TRUE(parent);
  EXPECT_STREQ(parent->getId().c_str(), L"cred-1");
}

TEST(CredentialTest, DefaultHoldsNothingAndIsStampedWithTheConstructionTime) {
  const long long before = std::time(nullptr);
  Credential c;
  const long long after = std::time(nullptr);
  EXPECT_EQ(c.getId(), nullptr);
  EXPECT_EQ(c.getProfileId(), nullptr);
  EXPECT_EQ(c.getCredentialElements(), nullptr);
  EXPECT_TRUE(c.getDescription().empty());
  EXPECT_TRUE(c.getState().empty());
  const long long created = take(c.getCreated());
  EXPECT_GE(created, before);
  EXPECT_GE(take(c.getModified()), created);
  EXPECT_LE(take(c.getModified()), after);
}

TEST(CredentialTest, ElementListIsCopiedOnSetAndOnEveryGet) {
  Credential c;
  Elements v;
  addThree(v);
  c.setCredentialElements(&v);
  v.at(0).setValue(L"caller's change");

  Owned<Elements> first(c.getCredentialElements());
  Owned<Elements> second(c.getCredentialElements());
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.get(), second.get());
  ASSERT_EQ(first->size(), 3u);
  EXPECT_EQ(first->capacity(), 15u);  // 5, + 5 for the stored copy, + 5 for the returned one
  EXPECT_STREQ(first->at(0).getValue().c_str(), L"v0");

  first->at(1).setValue(L"changed");
  first->pop_back();
  Owned<Elements> third(c.getCredentialElements());
  ASSERT_EQ(third->size(), 3u);
  EXPECT_STREQ(third->at(1).getValue().c_str(), L"v1");

  c.setCredentialElements(nullptr);
  EXPECT_EQ(c.getCredentialElements(), nullptr);
  Elements empty;
  c.setCredentialElements(&empty);  // an empty list, not "no list"
  Owned<Elements> got(c.getCredentialElements());
  ASSERT_NE(got, nullptr);
  EXPECT_TRUE(got->empty());
}

TEST(CredentialTest, IdentifiersAreStoredAsCopiesOfTheirDeclaredClass) {
  Credential c;
  CredentialId* id = new CredentialId(L"cred-7", L"TOKEN");
  c.setId(id);
  id->destroy();
  Owned<CredentialId> got(c.getId());
  ASSERT_NE(got, nullptr);
  got->setId(L"changed");
  Owned<CredentialId> again(c.getId());
  EXPECT_STREQ(again->getId().c_str(), L"cred-7");
  EXPECT_STREQ(again->getType().c_str(), L"TOKEN");

  ConfigurationId profile(L"profile-2", L"LDAP");  // not the default "CONFIGURATION"
  c.setProfileId(&profile);
  profile.setType(L"changed after set");
  Owned<ConfigurationId> gotProfile(c.getProfileId());
  ASSERT_NE(gotProfile, nullptr);
  Identifier* asIdentifier = gotProfile.get();
  EXPECT_EQ(typeid(*asIdentifier), typeid(ConfigurationId));
  EXPECT_STREQ(gotProfile->getId().c_str(), L"profile-2");
  EXPECT_STREQ(gotProfile->getType().c_str(), L"LDAP");
}

TEST(CredentialTest, CopiesShareNothingAndCarryTheSourcesTimes) {
  Credential* source = new Credential;
  fill(*source);
  Credential copied(*source);
  Credential assigned;
  Elements old;
  old.push_back(CredentialElement());
  assigned.setCredentialElements(&old);
  assigned = *source;
  Owned<Managed> cloned(static_cast<Managed*>(source)->clone());
  Credential* clone = dynamic_cast<Credential*>(cloned.get());
  ASSERT_NE(clone, nullptr);

  for (Credential* copy : {&copied, &assigned, clone}) {
    SCOPED_TRACE(copy == &copied ? "copy constructor" : copy == clone ? "clone" : "operator=");
    expectFilled(*copy);
    Owned<Elements> mine(copy->getCredentialElements());
    Owned<Elements> theirs(source->getCredentialElements());
    for (unsigned int i = 0; i < 3; ++i) EXPECT_NE(&mine->at(i), &theirs->at(i));
  }

  Elements none;
  long long time = 9000;
  copied.setCredentialElements(&none);
  copied.setId(nullptr);
  copied.setDescription(L"changed");
  copied.setCreated(&time);
  expectFilled(*source);

  source->destroy();  // the remaining copies must own everything they hold
  expectFilled(assigned);
  expectFilled(*clone);
}

TEST(CredentialTest, AssigningThroughManagedChangesOnlyTheManagedPart) {
  Credential target;
  fill(target);
  Credential other;
  other.setState(L"REVOKED");
  long long created = 5000, modified = 6000;
  other.setCreated(&created);
  other.setModified(&modified);

  static_cast<Managed&>(target) = other;
  EXPECT_STREQ(target.getState().c_str(), L"REVOKED");
  EXPECT_EQ(take(target.getCreated()), 5000);
  EXPECT_EQ(take(target.getModified()), 6000);
  EXPECT_STREQ(target.getDescription().c_str(), L"login");
  Owned<CredentialId> id(target.getId());
  Owned<Elements> elements(target.getCredentialElements());
  ASSERT_TRUE(id && elements);
  EXPECT_EQ(elements->size(), 3u);
}

TEST(CredentialTest, AssignmentReplacesEveryMemberAndSelfAssignmentChangesNothing) {
  Credential c;
  fill(c);
  Credential& self = c;
  c = self;
  expectFilled(c);

  c = Credential();
  EXPECT_EQ(c.getId(), nullptr);
  EXPECT_EQ(c.getProfileId(), nullptr);
  EXPECT_EQ(c.getCredentialElements(), nullptr);
  EXPECT_TRUE(c.getDescription().empty());
  EXPECT_NE(take(c.getCreated()), 1000);
}

TEST(CredentialElementTest, DefaultIsEmptyAndTheTwoFlagsAreIndependent) {
  CredentialElement e;
  EXPECT_EQ(e.getParentCredentialId(), nullptr);
  EXPECT_TRUE(e.getId().empty() && e.getType().empty());
  EXPECT_TRUE(e.getValue().empty() && e.getEncoding().empty());
  EXPECT_FALSE(e.isReference() || e.isEncrypted());
  e.setIsReference(true);
  EXPECT_TRUE(e.isReference());
  EXPECT_FALSE(e.isEncrypted());
  e.setIsReference(false);
  e.setEncrypted(true);
  EXPECT_TRUE(e.isEncrypted());
  EXPECT_FALSE(e.isReference());
}

TEST(CredentialElementTest, StringsAreStoredAsWrittenAndTheParentIdIsCopiedDeeply) {
  CredentialElement e;
  e.setId(L"e-1");
  e.setType(L" x509 ");
  e.setValue(L"AAEC/w==");
  e.setEncoding(L"utf8");  // no vocabulary: never normalised
  CredentialId* parent = new CredentialId(L"cred-1", L"CERT");
  e.setParentCredentialId(parent);
  parent->setId(L"changed");
  parent->destroy();

  CredentialElement copy(e);
  e.setValue(L"changed");
  e.setParentCredentialId(nullptr);
  EXPECT_EQ(e.getParentCredentialId(), nullptr);
  EXPECT_STREQ(copy.getId().c_str(), L"e-1");
  EXPECT_STREQ(copy.getType().c_str(), L" x509 ");
  EXPECT_STREQ(copy.getValue().c_str(), L"AAEC/w==");
  EXPECT_STREQ(copy.getEncoding().c_str(), L"utf8");
  Owned<CredentialId> got(copy.getParentCredentialId());
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(got->getId().c_str(), L"cred-1");
  EXPECT_STREQ(got->getType().c_str(), L"CERT");
}

}  // namespace
