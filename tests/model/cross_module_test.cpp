// Objects created in one module and copied or released in another, across a
// real module boundary: a module loaded at run time, with its own copy of the
// C++ runtime, works on objects that this program made and the other way
// round.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "quor/quor.h"
#include "support/dynamic_library.h"

using namespace Quor;

// A function of the exchange module, which is loaded once and kept: its own runtime is not made
// to be unloaded.
template <class F>
static F* exchange(const char* name) {
  static void* const module = quor_test::openLibrary(QUOR_EXCHANGE_MODULE_PATH);
  void* symbol = module != nullptr ? quor_test::findSymbol(module, name) : nullptr;
  if (symbol == nullptr) throw std::runtime_error(name + (": " + quor_test::libraryError()));
  return reinterpret_cast<F*>(symbol);
}

TEST(CrossModuleTest, ObjectsMadeThereAreCopiedAndReleasedHere) {
  // A credential with three elements, each with the credential's id as parent id.
  Credential* made = exchange<Credential*(const wchar_t*, int)>("exchangeNewCredential")(L"c-1", 3);
  Credential copy(*made);
  made->destroy();
  Vector<CredentialElement>* elements = copy.getCredentialElements();
  ASSERT_TRUE(elements != nullptr && elements->size() == 3u);
  CredentialId* parent = elements->at(2).getParentCredentialId();
  ASSERT_NE(parent, nullptr);
  EXPECT_STREQ(parent->getId().c_str(), L"c-1");
  parent->destroy();
  elements->destroy();
}

TEST(CrossModuleTest, ObjectsMadeHereAreReleasedThere) {
  ExternalOperation* request = new ExternalOperation;
  Vector<Parameter> inputs;
  inputs.push_back(Parameter(L"user", L"alice"));
  request->setParameters(&inputs);
  // Clones and releases the request, and answers with one response parameter per input.
  ExternalOperation* answer =
      exchange<ExternalOperation*(ExternalOperation*)>("exchangeAnswer")(request);
  Vector<Parameter>* responses = answer->getResponseParameters();
  ASSERT_TRUE(responses != nullptr && responses->size() == 1u);
  EXPECT_STREQ(responses->at(0).getId().c_str(), L"user");
  responses->destroy();
  answer->destroy();
  exchange<void(BaseDLLInterface*)>("exchangeRelease")(new TString(L"released there"));
}

TEST(CrossModuleTest, AVectorMadeHereGrowsThereAndIsReleasedHere) {
  Vector<Parameter>* parameters = new Vector<Parameter>;
  exchange<void(Vector<Parameter>*, int)>("exchangeAppendParameters")(parameters, 12);
  ASSERT_EQ(parameters->size(), 12u);
  EXPECT_EQ(parameters->capacity(), 15u);
  EXPECT_STREQ(parameters->back().getValue().c_str(), L"11");
  delete parameters;
}
