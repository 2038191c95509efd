// The manager loader's search: where the definition file is looked for and
// read, and how the module is loaded. ManagerFactoryLookupService runs it and
// logs each step; quor-inspect runs the same code as an observer of its
// steps, so that the tool cannot tell another story than the factory's.
#ifndef QUOR_SRC_MANAGERS_LOOKUP_H_
#define QUOR_SRC_MANAGERS_LOOKUP_H_

#include "managers/definition_file.h"
#include "platform/platform.h"
#include "quor/parameter.h"
#include "quor/platform.h"
#include "quor/tstring.h"

// A line of ManagerFactoryLookupService::getManagerInstanceImpl: its qualified name, a colon and a
// blank, then `text`, joined at compile time.
#define LOOKUP_LINE(text) L"ManagerFactoryLookupService::getManagerInstanceImpl: " text

namespace Quor {
namespace detail {

// The number of parameters that the factory's and the lookup's input lines
// log: -1 for no vector at all.
inline int loggedParameterCount(const Vector<Parameter>* params) {
  return params != nullptr ? static_cast<int>(params->size()) : -1;
}

// One place where the definition file was looked for, and what was there.
struct DefinitionPlace {
  TString path;  // as opened
  bool besideLibrary = false;
  platform::FileOpening opening;  // kOpened: the file was read, unless tooLarge
  bool tooLarge = false;          // larger than kDefinitionFileLimit: passed over
};

// One attempt to load the module.
struct LoadAttempt {
  TString path;  // as handed to the loader
  bool besideLibrary = false;
  HINSTANCE module = nullptr;  // null when the attempt failed, then:
  int error = 0;               // platform::lastLoadError()
  TString errorText;           // platform::lastLoadErrorText()
  bool refused = false;        // platform::lastLoadRefused()
  bool mismatch = false;       // platform::lastLoadMismatch(): `found` is not the pin
  platform::Digest found;      // a pinned module's digest, when its file was read
};

// Receives the steps of the search as they happen. The factory passes none.
class LookupObserver {
 public:
  // Where the lines of the definition file read are reported; null for
  // nowhere.
  virtual DefinitionObserver* reader() { return nullptr; }
  // A place looked at, after it was looked at.
  virtual void place(const DefinitionPlace& place) = 0;
  // A load attempt that is about to begin: the module's initialisation runs
  // before attempt() is called.
  virtual void loading(const TString& path, bool besideLibrary) = 0;
  virtual void attempt(const LoadAttempt& attempt) = 0;
  // No attempt loaded; `telling` (0 or 1) is the attempt whose code is logged.
  virtual void failed(int telling) = 0;

 protected:
  ~LookupObserver() = default;
};

// Looks for the definition file `name` as given and then, when `beside`,
// joined to the directory of `library`'s file, and reads the first place that
// holds a definition file into `record`. Returns false when none did. Logs
// each step.
bool readDefinition(const TString& name, HINSTANCE library, bool beside, ProviderRecord* record,
                    LookupObserver* observer);

// Loads the module `implementation` as written and then, when `beside` and
// the first attempt failed, joined to the directory of `library`'s file.
// With a `sha256` (the value of provider.sha256; empty: none), only a file
// whose digest it is loads (platform::loadPinnedModule()); a digest that
// differs stops the search, and a value that is not 64 hexadecimal digits
// loads nothing. In a privileged process a path that is not absolute is not
// loaded as written. Returns the module's handle with one more reference, or
// null. Logs each step.
HINSTANCE loadImplementation(const TString& implementation, const TString& sha256,
                             HINSTANCE library, bool beside, LookupObserver* observer);

// Reads `text`, 64 hexadecimal digits in either case, into `*digest`.
// Returns false, and leaves `*digest` alone, for anything else.
bool parseDigest(const TString& text, platform::Digest* digest);

// `digest` as 64 lower-case hexadecimal digits.
TString digestText(const platform::Digest& digest);

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_MANAGERS_LOOKUP_H_
