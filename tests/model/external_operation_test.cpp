// ExternalOperation: defaults, the two parameter lists and deep copies.
#include <memory>
#include <typeinfo>

#include <gtest/gtest.h>

#include "quor/values.h"

namespace {

using namespace Quor;
using Parameters = Vector<Parameter>;

// Releases what the library hands out, also when an assertion fails.
struct Destroy {
  void operator()(BaseDLLInterface* p) const { p->destroy(); }
};
template <class T>
using Owned = std::unique_ptr<T, Destroy>;

// Sets every member to the values that expectFilled() checks.
void fill(ExternalOperation& op) {
  op.setExternalOperationId(L"op-1");
  op.setProviderContextId(L"ctx-1");
  op.setType(L"SIGN");
  op.setScript(L"sign(input)");
  TransactionId transaction(L"tx-1");
  ConfigurationId profile(L"profile-1");
  Parameters in, out;
  in.push_back(Parameter(L"input", L"abc"));
  in.push_back(Parameter(L"key", L"k1"));
  out.push_back(Parameter(L"signature", L"xyz"));
  op.setTransactionId(&transaction);
  op.setProfileId(&profile);
  op.setParameters(&in);
  op.setResponseParameters(&out);
}

void expectFilled(ExternalOperation& op) {
  EXPECT_STREQ(op.getExternalOperationId().c_str(), L"op-1");
  EXPECT_STREQ(op.getProviderContextId().c_str(), L"ctx-1");
  EXPECT_STREQ(op.getType().c_str(), L"SIGN");
  EXPECT_STREQ(op.getScript().c_str(), L"sign(input)");
  Owned<TransactionId> transaction(op.getTransactionId());
  Owned<ConfigurationId> profile(op.getProfileId());
  Owned<Parameters> in(op.getParameters());
  Owned<Parameters> out(op.getResponseParameters());
  ASSERT_TRUE(transaction && profile && in && out);
  EXPECT_STREQ(transaction->getId().c_str(), L"tx-1");
  EXPECT_STREQ(profile->getId().c_str(), L"profile-1");
  ASSERT_EQ(in->size(), 2u);
  EXPECT_STREQ(in->at(1).getValue().c_str(), L"k1");
  ASSERT_EQ(out->size(), 1u);
  EXPECT_STREQ(out->at(0).getId().c_str(), L"signature");
}

TEST(ExternalOperationTest, DefaultHasEmptyStringsAndNoListsOrIdentifiers) {
  ExternalOperation op;
  EXPECT_TRUE(op.getExternalOperationId().empty() && op.getProviderContextId().empty());
  EXPECT_TRUE(op.getType().empty() && op.getScript().empty());
  EXPECT_EQ(op.getParameters(), nullptr);
  EXPECT_EQ(op.getResponseParameters(), nullptr);
  EXPECT_EQ(op.getTransactionId(), nullptr);
  EXPECT_EQ(op.getProfileId(), nullptr);
}

TEST(ExternalOperationTest, ParameterListIsCopiedOnSetAndOnEveryGet) {
  ExternalOperation op;
  Parameters v;
  v.push_back(Parameter(L"a", L"1"));
  v.push_back(Parameter(L"b", L"2"));
  op.setParameters(&v);
  v.at(0).setValue(L"caller's change");

  Owned<Parameters> got(op.getParameters());
  ASSERT_NE(got, nullptr);
  ASSERT_EQ(got->size(), 2u);
  EXPECT_EQ(got->capacity(), 15u);  // 5, + 5 for the stored copy, + 5 for the returned one
  EXPECT_STREQ(got->at(0).getValue().c_str(), L"1");
  EXPECT_STREQ(got->at(1).getId().c_str(), L"b");

  got->at(0).setValue(L"changed");
  got->pop_back();
  Owned<Parameters> again(op.getParameters());
  EXPECT_NE(got.get(), again.get());
  ASSERT_EQ(again->size(), 2u);
  EXPECT_STREQ(again->at(0).getValue().c_str(), L"1");
}

TEST(ExternalOperationTest, ParameterAndResponseListsAreIndependent) {
  ExternalOperation op;
  Parameters in, out, empty;
  in.push_back(Parameter(L"in", L"1"));
  out.push_back(Parameter(L"out", L"2"));
  op.setParameters(&in);
  op.setResponseParameters(&out);
  Owned<Parameters> params(op.getParameters());
  ASSERT_NE(params, nullptr);
  ASSERT_EQ(params->size(), 1u);
  EXPECT_STREQ(params->at(0).getId().c_str(), L"in");

  op.setResponseParameters(nullptr);
  op.setParameters(&empty);  // an empty list, not "no list"
  Owned<Parameters> emptied(op.getParameters());
  ASSERT_NE(emptied, nullptr);
  EXPECT_TRUE(emptied->empty());
  EXPECT_EQ(op.getResponseParameters(), nullptr);
}

TEST(ExternalOperationTest, IdentifiersKeepTheirTypeAndCanBeCleared) {
  ExternalOperation op;
  TransactionId transaction;
  transaction.setId(L"tx-9");
  transaction.setType(L"BATCH");  // not the default "TRANSACTION"
  op.setTransactionId(&transaction);
  transaction.setId(L"changed after set");

  Owned<TransactionId> got(op.getTransactionId());
  ASSERT_NE(got, nullptr);
  Identifier* asIdentifier = got.get();
  EXPECT_EQ(typeid(*asIdentifier), typeid(TransactionId));
  EXPECT_STREQ(got->getId().c_str(), L"tx-9");
  EXPECT_STREQ(got->getType().c_str(), L"BATCH");

  ConfigurationId profile(L"profile-3", L"");  // an empty type stays empty
  op.setProfileId(&profile);
  Owned<ConfigurationId> gotProfile(op.getProfileId());
  ASSERT_NE(gotProfile, nullptr);
  EXPECT_TRUE(gotProfile->getType().empty());

  op.setTransactionId(nullptr);
  op.setProfileId(nullptr);
  EXPECT_EQ(op.getTransactionId(), nullptr);
  EXPECT_EQ(op.getProfileId(), nullptr);
}

TEST(ExternalOperationTest, CopiesShareNothingWithTheirSource) {
  ExternalOperation* source = new ExternalOperation;
  fill(*source);
  ExternalOperation copied(*source);
  ExternalOperation assigned;
  Parameters old;
  old.push_back(Parameter(L"old", L"0"));
  assigned.setResponseParameters(&old);
  assigned = *source;
  Owned<ExternalOperation> clone(source->clone());
  clone->setScript(L"other()");
  clone->setParameters(nullptr);
  clone->setTransactionId(nullptr);
  expectFilled(*source);

  source->destroy();  // the copies must own everything they hold
  for (ExternalOperation* op : {&copied, &assigned}) {
    SCOPED_TRACE(op == &copied ? "copy constructor" : "operator=");
    expectFilled(*op);
  }
  EXPECT_STREQ(clone->getScript().c_str(), L"other()");
}

TEST(ExternalOperationTest, AssignmentReplacesEveryMemberAndSelfAssignmentChangesNothing) {
  ExternalOperation op;
  fill(op);
  ExternalOperation& self = op;
  op = self;
  expectFilled(op);

  op = ExternalOperation();
  EXPECT_EQ(op.getParameters(), nullptr);
  EXPECT_EQ(op.getResponseParameters(), nullptr);
  EXPECT_EQ(op.getTransactionId(), nullptr);
  EXPECT_TRUE(op.getScript().empty());
}

}  // namespace
