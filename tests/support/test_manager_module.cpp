// A minimal manager module, loaded by the manager loader's tests, which look
// for its entry point and the instance that it returns; it makes no manager.
#include "quor/manager_module.h"

namespace {

class NoManagerInstance final : public Quor::ManagerInstance {
 public:
  Quor::Manager* createManager(Quor::Vector<Quor::Parameter>*) override { return nullptr; }
};

}  // namespace

QUOR_DEFINE_MANAGER_INSTANCE(NoManagerInstance)
