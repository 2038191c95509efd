// Deep copies of a Credential with 1, 10 and 100 elements: the copy
// constructor, clone() and getCredentialElements(), each beside the same deep
// copy of a plain struct of std::wstring, std::optional and std::vector:
// Credential_<Op>/<n> has the baseline PlainCredential_<Op>/<n>. Both hold the
// same texts, and both getters return a copy of the element list.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "quor/values.h"

namespace {

using Quor::ConfigurationId;
using Quor::Credential;
using Quor::CredentialElement;
using Quor::CredentialId;
using Quor::Vector;

// The texts of the sample credential.
const wchar_t kCredentialId[] = L"credential-0001";
const wchar_t kCredentialType[] = L"PASSWORD";
const wchar_t kProfileId[] = L"profile-nightly";
const wchar_t kDescription[] = L"Service account of the nightly jobs";
const wchar_t kState[] = L"ACTIVE";
const wchar_t kElementType[] = L"password";
const wchar_t kElementValue[] = L"c0rrect-h0rse-battery-staple";
const wchar_t kElementEncoding[] = L"UTF-8";

std::wstring elementId(unsigned int i) { return L"element-" + std::to_wstring(i); }

unsigned int countOf(const benchmark::State& state) {
  return static_cast<unsigned int>(state.range(0));
}

void counts(benchmark::internal::Benchmark* benchmark) { benchmark->Arg(1)->Arg(10)->Arg(100); }

// A credential with an id, a profile, a description and n elements, each with
// its parent credential's id.
void fill(Credential& credential, unsigned int n) {
  CredentialId id(kCredentialId, kCredentialType);
  ConfigurationId profile(kProfileId);
  credential.setId(&id);
  credential.setProfileId(&profile);
  credential.setDescription(kDescription);
  credential.setState(kState);
  Vector<CredentialElement> elements;
  for (unsigned int i = 0; i < n; ++i) {
    CredentialElement element;
    element.setParentCredentialId(&id);
    element.setId(elementId(i).c_str());
    element.setType(kElementType);
    element.setValue(kElementValue);
    element.setEncoding(kElementEncoding);
    elements.push_back(element);
  }
  credential.setCredentialElements(&elements);
}

// What a program would otherwise write: the same fields as values.
struct PlainId {
  std::wstring id;
  std::wstring type;
};

struct PlainElement {
  std::optional<PlainId> parent;
  std::wstring id;
  std::wstring type;
  std::wstring value;
  std::wstring encoding;
  bool reference = false;
  bool encrypted = false;
};

struct PlainCredential {
  std::unique_ptr<PlainCredential> clone() const {
    return std::make_unique<PlainCredential>(*this);
  }
  std::vector<PlainElement> elements() const { return *elementList; }

  std::wstring state;
  long long created = 0;
  long long modified = 0;
  std::optional<PlainId> id;
  std::optional<std::vector<PlainElement>> elementList;
  std::optional<PlainId> profile;
  std::wstring description;
};

PlainCredential plainCredential(unsigned int n) {
  PlainCredential credential;
  credential.state = kState;
  credential.id = PlainId{kCredentialId, kCredentialType};
  credential.profile = PlainId{kProfileId, L"CONFIGURATION"};
  credential.description = kDescription;
  credential.elementList.emplace();
  for (unsigned int i = 0; i < n; ++i) {
    credential.elementList->push_back(
        PlainElement{credential.id, elementId(i), kElementType, kElementValue, kElementEncoding});
  }
  return credential;
}

void Credential_Copy(benchmark::State& state) {
  Credential credential;
  fill(credential, countOf(state));
  for (auto _ : state) {
    Credential copy(credential);
    benchmark::DoNotOptimize(&copy);
  }
}
BENCHMARK(Credential_Copy)->Apply(counts);

void PlainCredential_Copy(benchmark::State& state) {
  const PlainCredential credential = plainCredential(countOf(state));
  for (auto _ : state) {
    PlainCredential copy(credential);
    benchmark::DoNotOptimize(&copy);
  }
}
BENCHMARK(PlainCredential_Copy)->Apply(counts);

void Credential_Clone(benchmark::State& state) {
  Credential credential;
  fill(credential, countOf(state));
  for (auto _ : state) {
    Credential* copy = credential.clone();
    benchmark::DoNotOptimize(copy);
    copy->destroy();
  }
}
BENCHMARK(Credential_Clone)->Apply(counts);

void PlainCredential_Clone(benchmark::State& state) {
  const PlainCredential credential = plainCredential(countOf(state));
  for (auto _ : state) {
    std::unique_ptr<PlainCredential> copy = credential.clone();
    benchmark::DoNotOptimize(copy.get());
  }
}
BENCHMARK(PlainCredential_Clone)->Apply(counts);

void Credential_GetElements(benchmark::State& state) {
  Credential credential;
  fill(credential, countOf(state));
  for (auto _ : state) {
    Vector<CredentialElement>* elements = credential.getCredentialElements();
    benchmark::DoNotOptimize(elements);
    elements->destroy();
  }
}
BENCHMARK(Credential_GetElements)->Apply(counts);

void PlainCredential_GetElements(benchmark::State& state) {
  const PlainCredential credential = plainCredential(countOf(state));
  for (auto _ : state) {
    std::vector<PlainElement> elements = credential.elements();
    benchmark::DoNotOptimize(elements.data());
  }
}
BENCHMARK(PlainCredential_GetElements)->Apply(counts);

}  // namespace
