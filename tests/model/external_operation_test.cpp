// ExternalOperation: defaults, the two parameter lists, the identifiers and deep copies.
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "quor/values.h"

using namespace Quor;
using Parameters = Vector<Parameter>;

static std::wstring str(const TString& s) { return s.c_str(); }

// "id type" of an identifier, "?" if not exactly of class Id, or the size of a list; "-" for
// none. Releases what it shows.
template <class Id>
static std::wstring show(Id* id) {
  if (id == nullptr) return L"-";
  const std::wstring s =
      str(id->getId()) + L" " + str(id->getType()) + (typeid(*id) == typeid(Id) ? L"" : L"?");
  id->destroy();
  return s;
}
static std::wstring show(Parameters* list) {
  const std::wstring s = list != nullptr ? std::to_wstring(list->size()) : L"-";
  if (list != nullptr) list->destroy();
  return s;
}

// "operation id|context|type|script|transaction|profile|parameters|response parameters".
static std::wstring describe(ExternalOperation& op) {
  return str(op.getExternalOperationId()) + L"|" + str(op.getProviderContextId()) + L"|" +
         str(op.getType()) + L"|" + str(op.getScript()) + L"|" + show(op.getTransactionId()) +
         L"|" + show(op.getProfileId()) + L"|" + show(op.getParameters()) + L"|" +
         show(op.getResponseParameters());
}

TEST(ExternalOperationTest, MembersAreCopiedInAndOutAndCopiesShareNothing) {
  ExternalOperation* op = new ExternalOperation;
  EXPECT_EQ(describe(*op), L"||||-|-|-|-");
  Parameters parameters, empty;
  parameters.push_back(Parameter(L"a", L"1"));
  parameters.push_back(Parameter(L"b", L"2"));
  TransactionId transaction(L"tx-9");
  transaction.setType(L"BATCH");  // not the default type
  ConfigurationId profile(L"profile-1");
  op->setExternalOperationId(L"op-1");
  op->setProviderContextId(L"ctx-1");
  op->setType(L"SIGN");
  op->setScript(L"sign()");
  op->setParameters(&parameters);
  op->setResponseParameters(&empty);
  op->setTransactionId(&transaction);
  op->setProfileId(&profile);
  parameters.pop_back();

  Parameters *first = op->getParameters(), *second = op->getParameters();
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->capacity(), 15u);  // 5, + 5 for the stored copy, + 5 for the returned one
  first->pop_back();
  first->destroy();
  second->destroy();

  ExternalOperation copied(*op), assigned;
  assigned = *op;
  ExternalOperation* clone = op->clone();
  clone->setScript(L"other()");
  op->setTransactionId(nullptr);
  op->setResponseParameters(nullptr);
  EXPECT_EQ(describe(*op), L"op-1|ctx-1|SIGN|sign()|-|profile-1 CONFIGURATION|2|-");
  op->destroy();  // the copies must own everything they hold
  const std::wstring filled = L"op-1|ctx-1|SIGN|sign()|tx-9 BATCH|profile-1 CONFIGURATION|2|0";
  EXPECT_EQ(describe(copied), filled);
  EXPECT_EQ(describe(assigned), filled);
  EXPECT_EQ(describe(*clone), L"op-1|ctx-1|SIGN|other()|tx-9 BATCH|profile-1 CONFIGURATION|2|0");
  clone->destroy();
}
