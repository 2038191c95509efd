// Identifier and its three subclasses: default types, clone() and assignment.
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "quor/values.h"

using namespace Quor;

// "id|type" of an identifier.
static std::wstring idType(Identifier& i) {
  return std::wstring(i.getId().c_str()) + L"|" + i.getType().c_str();
}

TEST(IdentifierTest, OnlyTheOneArgumentConstructorsSetTheDefaultType) {
  ConfigurationId config(L"c1"), emptyType(L"c2", L""), noConfig;
  TransactionId transaction(L"t1"), noTransaction;
  CredentialId noCredential;
  EXPECT_EQ(idType(config), L"c1|CONFIGURATION");
  EXPECT_EQ(idType(transaction), L"t1|TRANSACTION");
  EXPECT_EQ(idType(emptyType), L"c2|");
  EXPECT_EQ(idType(noConfig) + idType(noTransaction) + idType(noCredential), L"|||");
}

TEST(IdentifierTest, CloneAndAssignmentThroughTheBaseCopyClassIdAndType) {
  CredentialId credential(L"k1", L"PASSWORD");
  Identifier* clone = static_cast<Identifier&>(credential).clone();
  credential.setId(L"changed");
  EXPECT_TRUE(typeid(*clone) == typeid(CredentialId));
  EXPECT_EQ(idType(*clone), L"k1|PASSWORD");

  TransactionId target(L"t1");
  static_cast<Identifier&>(target) = *clone;
  clone->destroy();
  EXPECT_EQ(idType(target), L"k1|PASSWORD");
}
