#include "managers/lookup.h"

#include <cstdio>

#include "foundation/log.h"
#include "managers/paths.h"

namespace Quor {
namespace detail {

namespace {

// Closes the definition file on every way out, an exception's included.
class OpenFile {
 public:
  explicit OpenFile(std::FILE* file) : file_(file) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

// Reads the definition file at `place.path` into `record`. Returns false when
// there is none there: no file, or one that is not a definition file or cannot
// be opened (logged).
bool readDefinitionAt(DefinitionPlace& place, ProviderRecord* record, LookupObserver* observer) {
  OpenFile file(platform::openForReading(place.path, &place.opening));
  if (file.get() == nullptr) {
    if (place.opening.state == platform::FileState::kSpecial) {
      log(kLogWarning, LOOKUP_LINE(L"'%ws' is not a regular file; ignored"), place.path.c_str());
    } else if (place.opening.state == platform::FileState::kFailed) {
      log(kLogWarning, LOOKUP_LINE(L"'%ws' cannot be opened (Error %d: %ws); ignored"),
          place.path.c_str(), place.opening.error,
          platform::systemErrorText(place.opening.error).c_str());
    }
    return false;
  }
  // The reader reads in large chunks of its own; a buffer in the stream would
  // only add a copy and, on some systems, a query of the file's block size.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  if (!readDefinitionFile(file.get(), record, observer != nullptr ? observer->reader() : nullptr)) {
    log(kLogWarning, LOOKUP_LINE(L"'%ws' is larger than %d bytes: not a definition file; ignored"),
        place.path.c_str(), static_cast<int>(kDefinitionFileLimit));
    place.tooLarge = true;
    return false;
  }
  return true;
}

bool tryPlace(const TString& path, bool beside, ProviderRecord* record, LookupObserver* observer) {
  DefinitionPlace place;
  place.path = path;
  place.besideLibrary = beside;
  const bool read = readDefinitionAt(place, record, observer);
  if (observer != nullptr) observer->place(place);
  return read;
}

// One load attempt; a refusal to hand `path` to the loader is logged.
HINSTANCE loadAttempt(const TString& path, bool beside, int* error, LookupObserver* observer) {
  if (observer != nullptr) observer->loading(path, beside);
  LoadAttempt attempt;
  attempt.module = beside ? platform::loadModuleBeside(path) : platform::loadModule(path);
  if (attempt.module == nullptr) {
    attempt.error = *error = platform::lastLoadError();
    attempt.refused = platform::lastLoadRefused();
    if (attempt.refused) {
      log(kLogWarning, LOOKUP_LINE(L"'%ws' is not a regular file; not loaded"), path.c_str());
    }
  }
  if (observer != nullptr) {
    attempt.path = path;
    attempt.besideLibrary = beside;
    if (attempt.module == nullptr) attempt.errorText = platform::lastLoadErrorText();
    observer->attempt(attempt);
  }
  return attempt.module;
}

}  // namespace

// Reading: the file as named, then beside the library.
bool readDefinition(const TString& name, HINSTANCE library, bool beside, ProviderRecord* record,
                    LookupObserver* observer) {
  log(kLogDetail, LOOKUP_LINE(L"Loading factory definition file '%ws'"), name.c_str());
  if (tryPlace(name, false, record, observer)) return true;
  if (beside) {
    const TString fullPath = pathBesideModule(library, name);
    log(kLogDetail, LOOKUP_LINE(L"Attempt to load with full path '%ws'"), fullPath.c_str());
    if (tryPlace(fullPath, true, record, observer)) return true;
  }
  log(kLogFailure, LOOKUP_LINE(L"No properties files found corresponding to %ws"), name.c_str());
  return false;
}

// Loading: the path as written, then joined to the library's directory. When
// both fail, the code logged is the second attempt's, unless that one found
// nothing and the first found something it could not load: an absolute path
// joined to the library's directory names nothing, whatever the first found.
HINSTANCE loadImplementation(const TString& implementation, HINSTANCE library, bool beside,
                             LookupObserver* observer) {
  log(kLogDetail, LOOKUP_LINE(L"Loading library '%ws'"), implementation.c_str());
  int firstError = 0;
  HINSTANCE module = loadAttempt(implementation, false, &firstError, observer);
  if (module != nullptr) return module;
  int error = firstError, telling = 0;
  if (beside) {
    const TString fullPath = pathBesideModule(library, implementation);
    log(kLogDetail, LOOKUP_LINE(L"Attempt to load with full path '%ws'"), fullPath.c_str());
    module = loadAttempt(fullPath, true, &error, observer);
    if (module != nullptr) return module;
    telling = 1;
    if (platform::isNotFoundError(error) && !platform::isNotFoundError(firstError)) {
      error = firstError;
      telling = 0;
    }
  }
  log(kLogFailure, LOOKUP_LINE(L"Unable to find or load library! (Error %d)"), error);
  if (observer != nullptr) observer->failed(telling);
  return nullptr;
}

}  // namespace detail
}  // namespace Quor
