// A minimal manager module, loaded by the manager loader's tests, which look
// for its entry point and the instance that it returns. Its manager answers
// an operation with a copy of it; it makes one only when given parameters.
#include "quor/manager_module.h"

namespace {

class EchoManager final : public Quor::Manager {
 public:
  void destroy() override { delete this; }
  Quor::ExternalOperation* execute(Quor::ExternalOperation* operation) override {
    return operation->clone();
  }
};

class EchoInstance final : public Quor::ManagerInstance {
 public:
  Quor::Manager* createManager(Quor::Vector<Quor::Parameter>* params) override {
    return params != nullptr ? new EchoManager : nullptr;
  }
};

}  // namespace

QUOR_DEFINE_MANAGER_INSTANCE(EchoInstance)
