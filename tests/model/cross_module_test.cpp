// Objects created in one module and copied or released in another, across a
// real module boundary: a module loaded at run time, with its own copy of the
// C++ runtime, works on objects that this program made and the other way
// round.
#include <gtest/gtest.h>

#include "quor/quor.h"
#include "support/dynamic_library.h"

namespace {

using Quor::TString;

class CrossModuleTest : public testing::Test {
 protected:
  void SetUp() override {
    // Loaded once and kept: the module's own runtime is not made to be unloaded.
    static void* const module = quor_test::openLibrary(QUOR_EXCHANGE_MODULE_PATH);
    module_ = module;
    ASSERT_NE(module_, nullptr) << quor_test::libraryError();
    newCredential_ = reinterpret_cast<Quor::Credential* (*)(const wchar_t*, int)>(
        quor_test::findSymbol(module_, "exchangeNewCredential"));
    answer_ = reinterpret_cast<Quor::ExternalOperation* (*)(Quor::ExternalOperation*)>(
        quor_test::findSymbol(module_, "exchangeAnswer"));
    appendParameters_ = reinterpret_cast<void (*)(Quor::Vector<Quor::Parameter>*, int)>(
        quor_test::findSymbol(module_, "exchangeAppendParameters"));
    release_ = reinterpret_cast<void (*)(Quor::BaseDLLInterface*)>(
        quor_test::findSymbol(module_, "exchangeRelease"));
    ASSERT_TRUE(newCredential_ && answer_ && appendParameters_ && release_);
  }
  void* module_ = nullptr;
  Quor::Credential* (*newCredential_)(const wchar_t*, int) = nullptr;
  Quor::ExternalOperation* (*answer_)(Quor::ExternalOperation*) = nullptr;
  void (*appendParameters_)(Quor::Vector<Quor::Parameter>*, int) = nullptr;
  void (*release_)(Quor::BaseDLLInterface*) = nullptr;
};

TEST_F(CrossModuleTest, ObjectsMadeThereAreCopiedAndReleasedHere) {
  Quor::Credential* made = newCredential_(L"c-1", 3);
  Quor::Credential* copy = new Quor::Credential(*made);
  Quor::Credential* clone = made->clone();
  made->destroy();

  Quor::Vector<Quor::CredentialElement>* elements = copy->getCredentialElements();
  ASSERT_NE(elements, nullptr);
  ASSERT_EQ(elements->size(), 3u);
  EXPECT_EQ(elements->at(2).getId(), TString(L"element-2"));
  Quor::CredentialId* parent = elements->at(0).getParentCredentialId();
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(parent->getId(), TString(L"c-1"));
  parent->destroy();
  elements->destroy();
  EXPECT_EQ(clone->getDescription(), TString(L"made in the exchange module"));
  delete copy;
  clone->destroy();
}

TEST_F(CrossModuleTest, ObjectsMadeHereAreCopiedAndReleasedThere) {
  Quor::ExternalOperation* request = new Quor::ExternalOperation;
  request->setScript(L"rotate");
  Quor::Vector<Quor::Parameter> inputs;
  inputs.push_back(Quor::Parameter(L"user", L"alice"));
  inputs.push_back(Quor::Parameter(L"length", L"16"));
  request->setParameters(&inputs);

  Quor::ExternalOperation* answer = answer_(request);  // releases the request
  EXPECT_EQ(answer->getScript(), TString(L"rotate"));
  Quor::Vector<Quor::Parameter>* responses = answer->getResponseParameters();
  ASSERT_NE(responses, nullptr);
  ASSERT_EQ(responses->size(), 2u);
  EXPECT_EQ(responses->at(1).getId(), TString(L"length"));
  EXPECT_EQ(responses->at(1).getValue(), TString(L"answered"));
  responses->destroy();
  answer->destroy();

  release_(new TString(L"text"));
  release_(new Quor::Vector<TString>(Quor::Vector<TString>()));
  Quor::EntryTemplate* entry = new Quor::EntryTemplate;
  Quor::Vector<Quor::Criteria> criteria;
  criteria.push_back(Quor::Criteria(L"id", L"=", L"v"));
  entry->setEntryCriteria(&criteria);
  release_(entry);
}

TEST_F(CrossModuleTest, AVectorMadeHereGrowsThereAndIsReleasedHere) {
  Quor::Vector<Quor::Parameter>* parameters = new Quor::Vector<Quor::Parameter>;
  parameters->push_back(Quor::Parameter(L"own", L"x"));
  appendParameters_(parameters, 12);
  ASSERT_EQ(parameters->size(), 13u);
  EXPECT_EQ(parameters->capacity(), 15u);
  EXPECT_EQ(parameters->back().getValue(), TString(L"11"));
  parameters->pop_back();
  parameters->clear();
  delete parameters;
}

}  // namespace
