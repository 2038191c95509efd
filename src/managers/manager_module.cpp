// The library's side of Quor::ManagerModule: the factory's search with a
// report of why it failed, the entry point, and the release of a module.
#include <cxxabi.h>

#include <cstdio>

#include "foundation/errors.h"
#include "managers/load_report.h"
#include "platform/platform.h"
#include "quor/manager_module.h"

namespace Quor {

namespace detail {

namespace {

// "; " between the items of a list, nothing before the first.
void appendItem(TString& list, const TString& item) {
  if (!list.empty()) list += TString(L"; ");
  list += item;
}

const wchar_t* placeText(const DefinitionPlace& place) {
  static_assert(static_cast<int>(platform::FileState::kFailed) == 4, "a text for each state");
  static const wchar_t* const kTexts[] = {L"read", L"no file", L"a directory",
                                          L"not a regular file", L"cannot be opened"};
  if (place.tooLarge) return L"larger than a definition file can be";
  return kTexts[static_cast<int>(place.opening.state)];
}

}  // namespace

void LoadReport::place(const DefinitionPlace& place) {
  TString item;
  item.format(L"'%ws': %ws", place.path.c_str(), placeText(place));
  if (place.opening.state == platform::FileState::kFailed) {
    item.appendFormat(L" (%ws)", platform::systemErrorText(place.opening.error).c_str());
  }
  appendItem(places_, item);
  definition_ = place.path;
}

void LoadReport::attempt(const LoadAttempt& attempt) {
  if (implementation_.empty()) implementation_ = attempt.path;
  if (attempt.module != nullptr) return;
  appendItem(attempts_,
             TString().format(L"'%ws': %ws", attempt.path.c_str(), attempt.errorText.c_str()));
}

void LoadReport::failed(int) { failure_ = MANAGER_MODULE_NOT_LOADED; }

void LoadReport::incomplete(bool hasName, bool hasImplementation) {
  failure_ = MANAGER_INCOMPLETE_DEFINITION;
  hasName_ = hasName;
  hasImplementation_ = hasImplementation;
}

void LoadReport::stopped(const char* text) noexcept {
  failure_ = MANAGER_LOAD_STOPPED;
  std::snprintf(stopped_, sizeof stopped_, "%s", text);
}

void LoadReport::noEntryPoint(HINSTANCE module) {
  failure_ = MANAGER_NO_ENTRY_POINT;
  detail_ = platform::moduleFileName(module);
}

TString LoadReport::description() const {
  TString text;
  switch (failure_) {
    case MANAGER_LOADED:
      break;
    case MANAGER_NO_DEFINITION_FILE:
      text.format(L"no definition file (%ws)", places_.c_str());
      break;
    case MANAGER_INCOMPLETE_DEFINITION:
      text.format(L"definition file '%ws' names %ws", definition_.c_str(),
                  hasName_             ? L"no provider.implementation"
                  : hasImplementation_ ? L"no provider.name"
                                       : L"neither provider.name nor provider.implementation");
      break;
    case MANAGER_MODULE_NOT_LOADED:
      text.format(L"module '%ws' not loaded (%ws)", implementation_.c_str(), attempts_.c_str());
      break;
    case MANAGER_NO_ENTRY_POINT:
      text.format(L"module '%ws' exports no entry point " QUOR_MANAGER_INSTANCE_FUNCTION
                  L" (define it with QUOR_DEFINE_MANAGER_INSTANCE, which gives it C linkage)",
                  detail_.c_str());
      break;
    case MANAGER_LOAD_STOPPED:
      text.format(L"stopped by an exception: %hs", stopped_);
      break;
  }
  return text;
}

}  // namespace detail

QuorManagerInstanceFunction loadManagerModule(TString factoryDefinition, TString provider,
                                              Vector<Parameter>* params, HINSTANCE* module,
                                              ManagerLoadFailure* failure, TString* description) {
  HINSTANCE loaded = nullptr;
  QuorManagerInstanceFunction entry = nullptr;
  ManagerLoadFailure why = MANAGER_LOAD_STOPPED;
  try {
    detail::LoadReport report;
    loaded = detail::newManagerInstance(factoryDefinition, provider, params, &report);
    if (loaded != nullptr) {
      entry = reinterpret_cast<QuorManagerInstanceFunction>(
          platform::moduleSymbol(loaded, QUOR_MANAGER_INSTANCE_FUNCTION));
      if (entry == nullptr) report.noEntryPoint(loaded);
    }
    why = report.failure();
    if (description != nullptr) *description = report.description();
  } catch (const abi::__forced_unwind&) {
    throw;  // the thread is being cancelled (while loading: nothing loaded yet)
  } catch (...) {
    // Memory for the report ran out: the description stays as it was.
    why = MANAGER_LOAD_STOPPED;
    entry = nullptr;
  }
  if (entry == nullptr) {
    platform::releaseModule(loaded);
    loaded = nullptr;
  }
  if (module != nullptr) *module = loaded;
  if (failure != nullptr) *failure = why;
  return entry;
}

void releaseManagerModule(HINSTANCE module) { platform::releaseModule(module); }

}  // namespace Quor
