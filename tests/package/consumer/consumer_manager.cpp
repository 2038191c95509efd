// A manager module built with quor_add_manager_module() against the installed
// package. Its manager answers every operation with the operation's own
// parameters and the provider parameters it was created with.
#include <quor/manager_module.h>

namespace {

class EchoManager final : public Quor::Manager {
 public:
  explicit EchoManager(Quor::Vector<Quor::Parameter>* parameters) {
    if (parameters != nullptr) configuration_ = *parameters;
  }
  void destroy() override { delete this; }
  Quor::ExternalOperation* execute(Quor::ExternalOperation* operation) override {
    Quor::Vector<Quor::Parameter>* inputs = operation->getParameters();
    Quor::Vector<Quor::Parameter> response = configuration_;
    for (unsigned int i = 0; inputs != nullptr && i < inputs->size(); ++i) {
      response.push_back(inputs->at(i));
    }
    if (inputs != nullptr) inputs->destroy();
    Quor::ExternalOperation* answer = operation->clone();
    answer->setResponseParameters(&response);
    return answer;
  }

 private:
  Quor::Vector<Quor::Parameter> configuration_;
};

class EchoInstance final : public Quor::ManagerInstance {
 public:
  Quor::Manager* createManager(Quor::Vector<Quor::Parameter>* parameters) override {
    return new EchoManager(parameters);
  }
};

}  // namespace

QUOR_DEFINE_MANAGER_INSTANCE(EchoInstance)
