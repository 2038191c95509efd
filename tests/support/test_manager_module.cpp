// A minimal manager module, loaded by the manager loader's tests: its manager
// answers every operation with a copy of it that carries one response
// parameter, "answer" = "42".
#include "quor/manager_module.h"

namespace {

class AnsweringManager final : public Quor::Manager {
 public:
  void destroy() override { delete this; }

  Quor::ExternalOperation* execute(Quor::ExternalOperation* operation) override {
    if (operation == nullptr) return nullptr;
    Quor::ExternalOperation* answer = operation->clone();
    Quor::Vector<Quor::Parameter> responses;
    responses.push_back(Quor::Parameter(L"answer", L"42"));
    answer->setResponseParameters(&responses);
    return answer;
  }
};

class AnsweringInstance final : public Quor::ManagerInstance {
 public:
  Quor::Manager* createManager(Quor::Vector<Quor::Parameter>*) override {
    return new AnsweringManager;
  }
};

}  // namespace

QUOR_DEFINE_MANAGER_INSTANCE(AnsweringInstance)
