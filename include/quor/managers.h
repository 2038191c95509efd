// Finding and loading manager modules.
//
// A manager is the implementation of a provider's credential work, in a module
// of its own (a shared library). A client asks ManagerFactory for the module
// of a provider; the factory reads the provider's factory definition file,
// hands the file's provider.* values back as parameters and loads the module
// that the file names. The client then finds the module's ManagerInstance
// through the entry point that quor/manager_module.h defines, asks it for a
// Manager and gives the manager work.
//
// Factory definition files (docs/factory-definition-files.md has the whole
// story): text files of "key=value" lines, where lines that begin with ';' or
// '#' are comments and the keys provider.name, provider.description,
// provider.implementation and provider.service are read, without regard to
// letter case; the last occurrence of a key wins. A file named by a relative
// path is looked for first in the current directory and then beside this
// library's own module file. Whoever can write to the current directory can
// therefore plant a file or module that is found first: run clients from a
// directory that only trusted users can write to.
//
// Every step is logged through zolog under the module name "PELLAPI". Every
// failure to find, read or load is reported by a null result and a log line
// that says why; no exception is thrown for them.
#ifndef QUOR_MANAGERS_H_
#define QUOR_MANAGERS_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/platform.h"
#include "quor/tstring.h"
#include "quor/values.h"
#include "quor/vector.h"

namespace Quor {

// The work interface of a manager, implemented by manager modules. A client
// receives a Manager from ManagerInstance::createManager() and releases it
// with destroy().
class QUOR_API Manager : public BaseDLLInterface {
 public:
  // Releases the manager. It must not be used afterwards.
  virtual void destroy() = 0;

  // Performs `operation` and returns the answer: a new ExternalOperation
  // (typically a copy of the request with response parameters set), which the
  // caller owns and releases with destroy(), or null when the manager cannot
  // perform the operation. The manager neither keeps nor releases `operation`.
  virtual ExternalOperation* execute(ExternalOperation* operation) = 0;

 protected:
  Manager();
  Manager(const Manager& other);
  Manager(Manager&& other);
  ~Manager();
  Manager& operator=(const Manager& other);
  Manager& operator=(Manager&& other);
};

// The root object of a manager module, found through the module's entry point
// (quor/manager_module.h). It belongs to the module and lives as long as the
// module stays loaded; a client never releases it.
class QUOR_API ManagerInstance {
 public:
  // A new manager configured by `parameters` (the provider parameters that
  // ManagerFactory returned, and any of the client's own; may be null). The
  // caller owns the manager and releases it with destroy(). Null when the
  // module cannot make one.
  virtual Manager* createManager(Vector<Parameter>* parameters) = 0;

 protected:
  ManagerInstance();
  ManagerInstance(const ManagerInstance& other);
  ManagerInstance(ManagerInstance&& other);
  ~ManagerInstance();
  ManagerInstance& operator=(const ManagerInstance& other);
  ManagerInstance& operator=(ManagerInstance&& other);
};

// Finds, reads and loads for ManagerFactory. A client normally has no reason to
// use it directly: it gives no default file name (see getManagerInstanceImpl).
class QUOR_API ManagerFactoryLookupService : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  ManagerFactoryLookupService();
  ManagerFactoryLookupService(const ManagerFactoryLookupService& other);
  ManagerFactoryLookupService(ManagerFactoryLookupService&& other);
  virtual ~ManagerFactoryLookupService();
  ManagerFactoryLookupService& operator=(const ManagerFactoryLookupService& other);
  ManagerFactoryLookupService& operator=(ManagerFactoryLookupService&& other);

  // Opens the factory definition file `factoryDefinition` (as given, then
  // beside this library), reads its provider.* keys and, when it names both a
  // provider and an implementation, appends four parameters to `params` (if
  // not null): provider.name, provider.description, provider.implementation
  // and provider.service, in that order, each of type "String" and encoding
  // "NONE". This happens before the module is loaded, so they are there also
  // when loading fails. Then loads the implementation module (the path as
  // written, then the path joined to this library's directory) and returns
  // its handle with one more reference, which the caller owns; the library
  // never unloads a module. Returns null when the file cannot be found, lacks
  // the name or the implementation, or the module does not load; the log
  // says which. `provider` is only logged.
  //
  // What is not a definition file or a module is refused without blocking
  // or exhausting the process: a FIFO, device or socket in the place of
  // either when it is checked (logged, and the search goes on; a special
  // file renamed into place after the check reaches the system's loader, see
  // docs/factory-definition-files.md), a definition file larger than 1 MiB
  // (logged, and the search goes on), an implementation path longer than the
  // system takes. A definition file that is there but cannot be opened is
  // logged with the system's code and reason, and the search goes on.
  // Nothing is thrown: a failure of memory or any other exception on the way,
  // one from a push_back of a class derived from Vector<Parameter> included,
  // gives null and a level-1 line in the log (params may then hold some of
  // the four parameters).
  HINSTANCE getManagerInstanceImpl(TString factoryDefinition, TString provider,
                                   Vector<Parameter>* params);

 private:
  // The directory of the file from which `module` was loaded, with its
  // trailing separator, followed directly by `fileName`; `fileName` alone
  // when the module's path cannot be had or holds no separator.
  TString getFullPath(HINSTANCE module, TString fileName);
};

// The library's entry point for loading a manager.
class QUOR_API ManagerFactory : public BaseDLLObjectImpl<BaseDLLInterface> {
 public:
  ManagerFactory();
  ManagerFactory(const ManagerFactory& other);
  ManagerFactory(ManagerFactory&& other);
  virtual ~ManagerFactory();
  ManagerFactory& operator=(const ManagerFactory& other);
  ManagerFactory& operator=(ManagerFactory&& other);

  // newManagerInstance(TString(), provider, params): the factory definition
  // file is "<provider>.ini".
  static HINSTANCE newManagerInstance(TString provider, Vector<Parameter>* params);

  // Loads the manager module of `provider` as getManagerInstanceImpl()
  // describes, reading the factory definition file `factoryDefinition`, or
  // "<provider>.ini" when `factoryDefinition` is empty. Returns the module's
  // handle (the caller owns its reference) or null; throws nothing.
  static HINSTANCE newManagerInstance(TString factoryDefinition, TString provider,
                                      Vector<Parameter>* params);
};

}  // namespace Quor

#endif  // QUOR_MANAGERS_H_
