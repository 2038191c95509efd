// The shared definitions of the interfaces that manager modules implement.
#include "quor/managers.h"

namespace Quor {

Manager::Manager() {}

Manager::Manager(const Manager& other) : BaseDLLInterface(other) {}

Manager::Manager(Manager&& other) : BaseDLLInterface(other) {}

Manager::~Manager() {}

Manager& Manager::operator=(const Manager&) { return *this; }

Manager& Manager::operator=(Manager&&) { return *this; }

ManagerInstance::ManagerInstance() {}

ManagerInstance::ManagerInstance(const ManagerInstance&) {}

ManagerInstance::ManagerInstance(ManagerInstance&&) {}

ManagerInstance::~ManagerInstance() {}

ManagerInstance& ManagerInstance::operator=(const ManagerInstance&) { return *this; }

ManagerInstance& ManagerInstance::operator=(ManagerInstance&&) { return *this; }

}  // namespace Quor
