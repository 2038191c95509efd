// Why the manager loader gave no module, for loadManagerModule(): an observer
// of the search (managers/lookup.h) that the lookup service and the factory
// also tell where they stopped, and the factory's two functions with a report
// to tell. The factory's own calls pass no report and run as before.
#ifndef QUOR_SRC_MANAGERS_LOAD_REPORT_H_
#define QUOR_SRC_MANAGERS_LOAD_REPORT_H_

#include "managers/lookup.h"
#include "quor/manager_module.h"
#include "quor/parameter.h"
#include "quor/platform.h"
#include "quor/tstring.h"

namespace Quor {
namespace detail {

class LoadReport final : public LookupObserver {
 public:
  ManagerLoadFailure failure() const { return failure_; }
  // One line of English on the failure; empty while nothing failed.
  TString description() const;

  void place(const DefinitionPlace& place) override;
  void loading(const TString&, bool) override {}
  void attempt(const LoadAttempt& attempt) override;
  void failed(int telling) override;

  // The definition file was found nowhere.
  void noDefinition() { failure_ = MANAGER_NO_DEFINITION_FILE; }
  // The definition file read lacks what is false here.
  void incomplete(bool hasName, bool hasImplementation);
  // An exception whose text is `text` stopped the search. Allocates nothing
  // (the text is cut to the report's room for it).
  void stopped(const char* text) noexcept;
  // `module` loaded but exports no entry point.
  void noEntryPoint(HINSTANCE module);

 private:
  ManagerLoadFailure failure_ = MANAGER_LOADED;
  TString places_;      // each place looked at and what it held
  TString definition_;  // the place read
  bool hasName_ = false, hasImplementation_ = false;
  TString attempts_;        // each load attempt and the system's text of its error
  TString implementation_;  // as written in the file
  TString detail_;          // the module's path
  char stopped_[96] = {};   // the exception's text
};

// ManagerFactoryLookupService::getManagerInstanceImpl(), telling `report`
// (may be null) each step.
HINSTANCE getManagerInstance(const TString& factoryDefinition, const TString& provider,
                             Vector<Parameter>* params, LoadReport* report);

// The three-argument ManagerFactory::newManagerInstance(), telling `report`
// (may be null) each step.
HINSTANCE newManagerInstance(TString factoryDefinition, TString provider, Vector<Parameter>* params,
                             LoadReport* report);

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_MANAGERS_LOAD_REPORT_H_
