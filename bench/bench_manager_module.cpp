// The manager module that the factory benchmarks load: the smallest module
// that ManagerFactory accepts and a client can use.
#include "quor/manager_module.h"

namespace {

class EchoManager final : public Quor::Manager {
 public:
  void destroy() override { delete this; }

  Quor::ExternalOperation* execute(Quor::ExternalOperation* operation) override {
    return operation != nullptr ? operation->clone() : nullptr;
  }
};

class EchoInstance final : public Quor::ManagerInstance {
 public:
  Quor::Manager* createManager(Quor::Vector<Quor::Parameter>*) override { return new EchoManager; }
};

}  // namespace

QUOR_DEFINE_MANAGER_INSTANCE(EchoInstance)
