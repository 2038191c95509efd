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

// Reads the definition file at `place.path` into `record`, and stores in
// `*writers` who besides root and this process's user can change the file
// read. Returns false when there is none there: no file, or one that is not a
// definition file or cannot be opened (logged).
bool readDefinitionAt(DefinitionPlace& place, ProviderRecord* record, TString* writers,
                      LookupObserver* observer) {
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
  *writers = platform::untrustedWriters(place.path, file.get());
  return true;
}

// Warns when others than root and the process's user can change the file at
// `path`, which `writers` (platform::untrustedWriters()) lets do so and which
// is used all the same (`what` says how).
void warnUntrusted(const TString& path, const TString& writers, const wchar_t* what) {
  if (writers.empty()) return;
  log(kLogWarning,
      LOOKUP_LINE(L"'%ws' can be changed by others than root and this process's user (%ws); %ws "
                  L"all the same"),
      path.c_str(), writers.c_str(), what);
}

bool tryPlace(const TString& path, bool beside, ProviderRecord* record, LookupObserver* observer) {
  DefinitionPlace place;
  place.path = path;
  place.besideLibrary = beside;
  TString writers;
  const bool read = readDefinitionAt(place, record, &writers, observer);
  if (read) warnUntrusted(path, writers, L"read");
  if (observer != nullptr) observer->place(place);
  return read;
}

// Whether a privileged process must not take `path` as written, which a
// user who started it could have chosen; logged.
bool keptFromPrivileged(const TString& path, const wchar_t* notDone) {
  if (!platform::isPrivilegedProcess() || platform::isAbsolutePath(path)) return false;
  log(kLogWarning, LOOKUP_LINE(L"'%ws' is a relative path in a privileged process: %ws"),
      path.c_str(), notDone);
  return true;
}

// One load attempt, of a module pinned to `pin` unless it is null; a refusal
// to hand `path` to the loader is logged. Sets `*mismatch` when the file's
// digest is not the pin.
HINSTANCE loadAttempt(const TString& path, bool beside, const platform::Digest* pin, int* error,
                      bool* mismatch, LookupObserver* observer) {
  if (observer != nullptr) observer->loading(path, beside);
  LoadAttempt attempt;
  attempt.module = pin != nullptr ? platform::loadPinnedModule(path, beside, *pin, &attempt.found)
                   : beside       ? platform::loadModuleBeside(path)
                                  : platform::loadModule(path);
  if (attempt.module == nullptr) {
    attempt.error = *error = platform::lastLoadError();
    attempt.refused = platform::lastLoadRefused();
    attempt.mismatch = *mismatch = platform::lastLoadMismatch();
    if (attempt.refused) {
      log(kLogWarning, LOOKUP_LINE(L"'%ws' is not a regular file; not loaded"), path.c_str());
    }
    if (attempt.mismatch) {
      log(kLogFailure,
          LOOKUP_LINE(L"'%ws' is not the module that provider.sha256 pins (expected %ws, found "
                      L"%ws); not loaded"),
          path.c_str(), digestText(*pin).c_str(), digestText(attempt.found).c_str());
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

int hexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

bool parseDigest(const TString& text, platform::Digest* digest) {
  if (text.length() != 2 * platform::kDigestSize) return false;
  platform::Digest read;
  for (std::size_t i = 0; i < platform::kDigestSize; ++i) {
    const int high = hexValue(text.c_str()[2 * i]), low = hexValue(text.c_str()[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    read.bytes[i] = static_cast<unsigned char>(high << 4 | low);
  }
  *digest = read;
  return true;
}

TString digestText(const platform::Digest& digest) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  wchar_t text[2 * platform::kDigestSize];
  for (std::size_t i = 0; i < platform::kDigestSize; ++i) {
    text[2 * i] = kDigits[digest.bytes[i] >> 4];
    text[2 * i + 1] = kDigits[digest.bytes[i] & 15];
  }
  return TString(text, static_cast<int>(2 * platform::kDigestSize));
}

// Reading: the file as named, then beside the library.
bool readDefinition(const TString& name, HINSTANCE library, bool beside, ProviderRecord* record,
                    LookupObserver* observer) {
  log(kLogDetail, LOOKUP_LINE(L"Loading factory definition file '%ws'"), name.c_str());
  if (!keptFromPrivileged(name, L"not read from the current directory") &&
      tryPlace(name, false, record, observer))
    return true;
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
// When a privileged process does not load the path as written, the code
// logged is that of the attempt beside the library.
HINSTANCE loadImplementation(const TString& implementation, const TString& sha256,
                             HINSTANCE library, bool beside, LookupObserver* observer) {
  log(kLogDetail, LOOKUP_LINE(L"Loading library '%ws'"), implementation.c_str());
  platform::Digest digest;
  const platform::Digest* pin = sha256.empty() ? nullptr : &digest;
  if (pin != nullptr && !parseDigest(sha256, &digest)) {
    log(kLogFailure,
        LOOKUP_LINE(L"'provider.sha256' value '%ws' is not 64 hexadecimal digits; not loaded"),
        sha256.c_str());
    return nullptr;
  }
  int firstError = 0, telling = 0;
  bool mismatch = false;
  HINSTANCE module = nullptr;
  const bool kept = keptFromPrivileged(implementation, L"not loaded as written");
  if (!kept) module = loadAttempt(implementation, false, pin, &firstError, &mismatch, observer);
  int error = firstError;
  if (module == nullptr && beside && !mismatch) {
    const TString fullPath = pathBesideModule(library, implementation);
    log(kLogDetail, LOOKUP_LINE(L"Attempt to load with full path '%ws'"), fullPath.c_str());
    module = loadAttempt(fullPath, true, pin, &error, &mismatch, observer);
    telling = kept ? 0 : 1;
    if (module == nullptr && !kept && platform::isNotFoundError(error) &&
        !platform::isNotFoundError(firstError)) {
      error = firstError;
      telling = 0;
    }
  }
  if (module != nullptr) {
    TString path;
    const TString writers = platform::untrustedModuleWriters(module, &path);
    warnUntrusted(path, writers, L"loaded");
    return module;
  }
  if (!mismatch)
    log(kLogFailure, LOOKUP_LINE(L"Unable to find or load library! (Error %d)"), error);
  if (observer != nullptr) observer->failed(telling);
  return nullptr;
}

}  // namespace detail
}  // namespace Quor
