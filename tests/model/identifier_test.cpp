// Identifier and its three subclasses: default types, copies, assignment and
// clone().
#include <string>

#include <gtest/gtest.h>

#include "quor/values.h"

using Quor::ConfigurationId;
using Quor::CredentialId;
using Quor::Identifier;
using Quor::TransactionId;
using Quor::TString;

namespace {

// "id|type" of an identifier.
std::wstring idType(Identifier& i) {
  const TString id = i.getId(), type = i.getType();
  return std::wstring(id.c_str(), id.length()) + L"|" + std::wstring(type.c_str(), type.length());
}

}  // namespace

TEST(IdentifierTest, OnlyTheOneArgumentConstructorsSetTheDefaultType) {
  ConfigurationId config(TString(L"c1"));
  TransactionId transaction(TString(L"t1"));
  EXPECT_EQ(idType(config), L"c1|CONFIGURATION");
  EXPECT_EQ(idType(transaction), L"t1|TRANSACTION");

  ConfigurationId noConfig;
  TransactionId noTransaction;
  CredentialId noCredential;
  Identifier noIdentifier;
  EXPECT_EQ(idType(noConfig), L"|");
  EXPECT_EQ(idType(noTransaction), L"|");
  EXPECT_EQ(idType(noCredential), L"|");
  EXPECT_EQ(idType(noIdentifier), L"|");

  ConfigurationId emptyType(TString(L"c2"), TString());
  ConfigurationId ownType(TString(L"c3"), TString(L"PROFILE"));
  CredentialId credential(TString(L"k1"), TString(L"PASSWORD"));
  Identifier plain(TString(L"i1"), TString(L"THING"));
  EXPECT_EQ(idType(emptyType), L"c2|");
  EXPECT_EQ(idType(ownType), L"c3|PROFILE");
  EXPECT_EQ(idType(credential), L"k1|PASSWORD");
  EXPECT_EQ(idType(plain), L"i1|THING");
}

TEST(IdentifierTest, CloneThroughBasePointerKeepsTheSubclassAndItsMembers) {
  CredentialId credential(TString(L"k1"), TString(L"PASSWORD"));
  Identifier* base = &credential;
  Identifier* copy = base->clone();
  ASSERT_NE(copy, base);
  EXPECT_NE(dynamic_cast<CredentialId*>(copy), nullptr);
  credential.setId(TString(L"changed"));
  EXPECT_EQ(idType(*copy), L"k1|PASSWORD");
  copy->destroy();

  Identifier plain(TString(L"i"), TString(L"T"));
  Identifier* plainCopy = plain.clone();
  EXPECT_EQ(dynamic_cast<CredentialId*>(plainCopy), nullptr);
  EXPECT_EQ(idType(*plainCopy), L"i|T");
  plainCopy->destroy();
}

TEST(IdentifierTest, AssignmentCopiesIdAndTypeAndSelfAssignmentChangesNothing) {
  ConfigurationId source(TString(L"c1"));
  ConfigurationId copy(source);
  source.setType(TString(L"OTHER"));
  EXPECT_EQ(idType(copy), L"c1|CONFIGURATION");
  ConfigurationId& self = copy;
  copy = self;
  static_cast<Identifier&>(copy) = self;
  EXPECT_EQ(idType(copy), L"c1|CONFIGURATION");

  TransactionId target(TString(L"t1"));
  target = TransactionId(TString(L"t2"));
  EXPECT_EQ(idType(target), L"t2|TRANSACTION");
  CredentialId credential(TString(L"k"), TString(L"KEY"));
  Identifier& throughBase = target;
  throughBase = credential;
  credential.setId(TString(L"later"));
  EXPECT_EQ(idType(target), L"k|KEY");
}

TEST(IdentifierTest, GettersReturnCopiesAndSettersCopyTheirArgument) {
  Identifier id(TString(L"abc"), TString(L"T"));
  TString returned = id.getId();
  returned[0] = L'x';
  TString argument(L"new");
  id.setType(argument);
  argument[0] = L'N';
  EXPECT_EQ(idType(id), L"abc|new");
}
