// The entry point of a manager module, and the client's side of loading one.
//
// A manager module exports one C function, named by
// QUOR_MANAGER_INSTANCE_FUNCTION, that takes no arguments and returns the
// module's ManagerInstance. Define it with QUOR_DEFINE_MANAGER_INSTANCE:
//
//   class DemoInstance : public Quor::ManagerInstance { ... };
//   QUOR_DEFINE_MANAGER_INSTANCE(DemoInstance)
//
// A module without the function is not a manager module.
//
// A client loads the module of a provider and asks it for managers with
// Quor::ManagerModule:
//
//   Quor::Vector<Quor::Parameter> params;
//   Quor::ManagerModule module = Quor::ManagerModule::load(L"Demo", &params);
//   Quor::Owned<Quor::Manager> manager = module.createManager(&params);
//   Quor::Owned<Quor::ExternalOperation> answer(manager->execute(&request));
//
// ManagerModule, Owned and ManagerLoadError are compiled into the client; the
// library gives them loadManagerModule() and releaseManagerModule().
#ifndef QUOR_MANAGER_MODULE_H_
#define QUOR_MANAGER_MODULE_H_

#include <stdexcept>
#include <string>

#include "quor/export.h"
#include "quor/managers.h"
#include "quor/owned.h"
#include "quor/platform.h"
#include "quor/std_string.h"

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

namespace Quor {

// Why a manager module could not be had.
enum ManagerLoadFailure : int {
  MANAGER_LOADED = 0,                 // nothing failed
  MANAGER_NO_DEFINITION_FILE = 1,     // no definition file where the factory looks
  MANAGER_INCOMPLETE_DEFINITION = 2,  // it lacks provider.name or provider.implementation
  MANAGER_MODULE_NOT_LOADED = 3,      // the system's loader did not load the module
  MANAGER_NO_ENTRY_POINT = 4,         // the module exports no QUOR_MANAGER_INSTANCE_FUNCTION
  MANAGER_LOAD_STOPPED = 5,           // an exception, such as exhausted memory, stopped it
};

// Loads the manager module of `provider` as
// ManagerFactory::newManagerInstance(factoryDefinition, provider, params)
// does, with the same log lines and the same parameters appended to `params`,
// and then finds the module's entry point. On success returns the entry point
// and stores the module's handle in *module: one reference to the module,
// which the caller owns and gives back with releaseManagerModule(). On
// failure returns null and stores null in *module. *failure and *description
// (each only if not null) get why: MANAGER_LOADED and an empty text on
// success, else the failure and one line of English that names what was
// looked for and, for a module not loaded, the system's own text of each
// attempt's error. A module that loaded but has no entry point is released
// again. Throws nothing: when memory for the description runs out, the
// failure is MANAGER_LOAD_STOPPED and *description is left as it was.
QUOR_API QuorManagerInstanceFunction loadManagerModule(TString factoryDefinition, TString provider,
                                                       Vector<Parameter>* params, HINSTANCE* module,
                                                       ManagerLoadFailure* failure,
                                                       TString* description);

// Gives back one reference to `module` (a handle from loadManagerModule() or
// ManagerFactory::newManagerInstance()): FreeLibrary on Windows, dlclose()
// elsewhere. The module is unloaded when its last reference is gone; nothing
// of it may be used afterwards. A null `module` is ignored.
QUOR_API void releaseManagerModule(HINSTANCE module);

// What ManagerModule::load() throws. what() is UTF-8 text that names the
// provider and what failed.
class ManagerLoadError : public std::runtime_error {
 public:
  ManagerLoadError(ManagerLoadFailure failure, const std::string& what)
      : std::runtime_error(what), failure_(failure) {}
  ManagerLoadFailure failure() const { return failure_; }

 private:
  ManagerLoadFailure failure_;
};

// A loaded manager module: its entry point and one reference to it, given
// back when the ManagerModule is destroyed. Move-only.
//
// The managers it makes run the module's code: destroy them before the
// ManagerModule is destroyed, which is the order C++ gives when the
// ManagerModule is declared first (the module's instance is the module's own
// and is never released by the client).
class ManagerModule {
 public:
  // Loads the manager module of `provider` through its definition file
  // "<provider>.ini", as ManagerFactory::newManagerInstance(provider, params)
  // does (the same log lines; `params`, if not null, gets the four provider
  // parameters), and finds its entry point. Throws ManagerLoadError when there
  // is no definition file, it is incomplete, the module does not load (the
  // text gives the system's reason) or it has no entry point.
  static ManagerModule load(TString provider, Vector<Parameter>* params) {
    HINSTANCE module = nullptr;
    ManagerLoadFailure failure = MANAGER_LOADED;
    TString description;
    const QuorManagerInstanceFunction entry =
        loadManagerModule(TString(), provider, params, &module, &failure, &description);
    if (entry == nullptr) {
      throw ManagerLoadError(failure, "manager module of provider \"" + toUtf8(provider) +
                                          "\" not loaded: " + toUtf8(description));
    }
    return ManagerModule(module, entry);
  }

  ManagerModule(ManagerModule&& other) noexcept : module_(other.module_), entry_(other.entry_) {
    other.module_ = nullptr;
    other.entry_ = nullptr;
  }
  ManagerModule& operator=(ManagerModule&& other) noexcept {
    if (this != &other) {
      releaseManagerModule(module_);
      module_ = other.module_;
      entry_ = other.entry_;
      other.module_ = nullptr;
      other.entry_ = nullptr;
    }
    return *this;
  }
  ManagerModule(const ManagerModule&) = delete;
  ManagerModule& operator=(const ManagerModule&) = delete;
  ~ManagerModule() { releaseManagerModule(module_); }

  // The module's ManagerInstance, which belongs to the module; null from a
  // ManagerModule that was moved from.
  ManagerInstance* instance() const { return entry_ != nullptr ? entry_() : nullptr; }

  // A new manager configured by `params` (typically those that load() filled
  // in; may be null); empty when the module cannot make one.
  Owned<Manager> createManager(Vector<Parameter>* params) const {
    ManagerInstance* const root = instance();
    return Owned<Manager>(root != nullptr ? root->createManager(params) : nullptr);
  }

  // The module's handle, still owned here.
  HINSTANCE handle() const { return module_; }

 private:
  ManagerModule(HINSTANCE module, QuorManagerInstanceFunction entry)
      : module_(module), entry_(entry) {}

  HINSTANCE module_;
  QuorManagerInstanceFunction entry_;
};

}  // namespace Quor

#endif  // QUOR_MANAGER_MODULE_H_
