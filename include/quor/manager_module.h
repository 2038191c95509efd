// The entry point of a manager module: how a client finds the module's
// ManagerInstance.
//
// A manager module exports one C function, named by
// QUOR_MANAGER_INSTANCE_FUNCTION, that takes no arguments and returns the
// module's ManagerInstance. Define it with QUOR_DEFINE_MANAGER_INSTANCE:
//
//   class DemoInstance : public Quor::ManagerInstance { ... };
//   QUOR_DEFINE_MANAGER_INSTANCE(DemoInstance)
//
// A client that received the module's handle from
// ManagerFactory::newManagerInstance looks the function up by that name
// (GetProcAddress on Windows, dlsym elsewhere), calls it, and asks the
// instance for a Manager:
//
//   QuorManagerInstanceFunction entry = reinterpret_cast<QuorManagerInstanceFunction>(
//       dlsym(module, QUOR_MANAGER_INSTANCE_FUNCTION));
//   Quor::Manager* manager = entry()->createManager(&params);
//
// A module without the function is not a manager module.
#ifndef QUOR_MANAGER_MODULE_H_
#define QUOR_MANAGER_MODULE_H_

#include "quor/managers.h"

// The name under which a manager module exports its entry point.
#define QUOR_MANAGER_INSTANCE_FUNCTION "quorManagerInstance"

// The type of the entry point.
typedef Quor::ManagerInstance* (*QuorManagerInstanceFunction)(void);

#if defined(_WIN32)
#define QUOR_MANAGER_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define QUOR_MANAGER_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Defines the entry point of a manager module, returning the one instance of
// `InstanceClass` (default-constructed on first use, never destroyed before
// the module is unloaded).
#define QUOR_DEFINE_MANAGER_INSTANCE(InstanceClass)                             \
  QUOR_MANAGER_MODULE_EXPORT Quor::ManagerInstance* quorManagerInstance(void) { \
    static InstanceClass instance;                                              \
    return &instance;                                                           \
  }

#endif  // QUOR_MANAGER_MODULE_H_
