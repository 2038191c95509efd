// The demo manager module: a manager of passwords built on the data model.
//
// It answers ExternalOperations of two types:
//   "rotate-password"  input parameters "user" and "length" (optional, 4 to
//                      64, default 16); response parameters "user",
//                      "password" (a new password) and "length".
//   "describe"         no input; response parameters: the provider parameters
//                      the manager was created with.
// Any other type gets no answer (null).
//
// A client reaches it through ManagerFactory::newManagerInstance for the
// provider "Demo" (Demo.ini names this module) and the module's entry point;
// see docs/writing-a-manager-module.md.
#include <quor/manager_module.h>

#include <cwchar>

namespace {

using Quor::ExternalOperation;
using Quor::Parameter;
using Quor::TString;
using Quor::Vector;

// The value of the parameter named `id` in `parameters`, or `fallback`.
TString parameterValue(Vector<Parameter>* parameters, const wchar_t* id, const TString& fallback) {
  for (unsigned int i = 0; parameters != nullptr && i < parameters->size(); ++i) {
    if (parameters->at(i).getId() == TString(id)) return parameters->at(i).getValue();
  }
  return fallback;
}

// A password of `length` characters drawn from an alphabet without look-alike
// characters, from a generator seeded by the user's name: the demo's output
// is the same on every run.
TString makePassword(const TString& user, int length) {
  static const wchar_t kAlphabet[] = L"abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789-_";
  const unsigned int alphabetSize = sizeof kAlphabet / sizeof kAlphabet[0] - 1;
  unsigned long long state = 0x9E3779B97F4A7C15ull;
  for (unsigned int i = 0; i < user.length(); ++i) state = (state ^ user.at(i)) * 0x100000001B3ull;
  TString password;
  for (int i = 0; i < length; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    password.append(&kAlphabet[(state >> 33) % alphabetSize], 1);
  }
  return password;
}

// Final: destroy() deletes the object, and nothing derives from it.
class DemoManager final : public Quor::Manager {
 public:
  explicit DemoManager(Vector<Parameter>* parameters) {
    if (parameters != nullptr) configuration_ = *parameters;
  }

  void destroy() override { delete this; }

  ExternalOperation* execute(ExternalOperation* operation) override {
    if (operation == nullptr) return nullptr;
    const TString type = operation->getType();
    Vector<Parameter> response;
    if (type == TString(L"rotate-password")) {
      Vector<Parameter>* inputs = operation->getParameters();
      const TString user = parameterValue(inputs, L"user", TString(L"anonymous"));
      int length = static_cast<int>(
          std::wcstol(parameterValue(inputs, L"length", TString(L"16")).c_str(), nullptr, 10));
      if (inputs != nullptr) inputs->destroy();
      if (length < 4) length = 4;
      if (length > 64) length = 64;
      response.push_back(Parameter(L"user", user));
      response.push_back(Parameter(L"password", makePassword(user, length)));
      response.push_back(Parameter(Parameter::ENCODING_DECIMAL, L"length", Parameter::TYPE_INTEGER,
                                   TString().format(L"%d", length)));
    } else if (type == TString(L"describe")) {
      response = configuration_;
    } else {
      return nullptr;
    }
    ExternalOperation* answer = operation->clone();
    answer->setResponseParameters(&response);
    return answer;
  }

 private:
  Vector<Parameter> configuration_;
};

class DemoInstance final : public Quor::ManagerInstance {
 public:
  Quor::Manager* createManager(Vector<Parameter>* parameters) override {
    return new DemoManager(parameters);
  }
};

}  // namespace

QUOR_DEFINE_MANAGER_INSTANCE(DemoInstance)
