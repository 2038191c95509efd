// A module on the other side of a module boundary, loaded at run time by the
// cross-module tests. It is linked with its own copy of the C++ runtime, as a
// manager built with another compiler would be, and creates, copies and
// releases library objects that the test program made, and the other way
// round.
#include "quor/quor.h"

#if defined(_WIN32)
#define EXCHANGE_API extern "C" __declspec(dllexport)
#else
#define EXCHANGE_API extern "C" __attribute__((visibility("default")))
#endif

// A new credential with `elements` elements, made here and released by the
// caller.
EXCHANGE_API Quor::Credential* exchangeNewCredential(const wchar_t* id, int elements) {
  Quor::Credential* credential = new Quor::Credential;
  Quor::CredentialId credentialId(id, L"CREDENTIAL");
  credential->setId(&credentialId);
  Quor::Vector<Quor::CredentialElement> list;
  for (int i = 0; i < elements; ++i) {
    Quor::CredentialElement element;
    element.setId(Quor::TString().format(L"element-%d", i));
    element.setParentCredentialId(&credentialId);
    list.push_back(element);
  }
  credential->setCredentialElements(&list);
  credential->setDescription(L"made in the exchange module");
  return credential;
}

// Answers a request made by the caller: releases the request and returns a
// new operation, made here, with one response parameter per input parameter.
EXCHANGE_API Quor::ExternalOperation* exchangeAnswer(Quor::ExternalOperation* request) {
  Quor::ExternalOperation* answer = request->clone();
  request->destroy();
  Quor::Vector<Quor::Parameter>* inputs = answer->getParameters();
  Quor::Vector<Quor::Parameter> responses;
  for (unsigned int i = 0; inputs != nullptr && i < inputs->size(); ++i) {
    responses.push_back(Quor::Parameter((*inputs)[i].getId(), L"answered"));
  }
  if (inputs != nullptr) inputs->destroy();
  answer->setResponseParameters(&responses);
  return answer;
}

// Appends `count` parameters to the caller's vector.
EXCHANGE_API void exchangeAppendParameters(Quor::Vector<Quor::Parameter>* parameters, int count) {
  for (int i = 0; i < count; ++i) {
    Quor::Parameter* parameter = new Quor::Parameter(L"appended", Quor::TString().format(L"%d", i));
    parameters->push_back(parameter);
    delete parameter;
  }
}

// Releases an object that the caller made.
EXCHANGE_API void exchangeRelease(Quor::BaseDLLInterface* object) { object->destroy(); }
