// What quor-inspect finds out: where the manager factory would look for a
// definition file, what its reader makes of the file, what the module file's
// headers say about loading it (dependencies.h), and, when asked, how loading
// the module goes. The work is done by the factory's own search, which
// reports each step to the tool (quor_inspect_support), so that the answers
// are the factory's. The module is loaded in a child process, so that a
// module whose initialisation ends or blocks its process is reported too.
#ifndef QUOR_TOOLS_QUOR_INSPECT_INSPECT_H_
#define QUOR_TOOLS_QUOR_INSPECT_INSPECT_H_

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dependencies.h"
#include "managers/definition_file.h"
#include "quor/platform.h"

namespace quor_inspect {

using Quor::detail::kProviderFieldCount;
using Quor::detail::ProviderField;

// The quor-interfaces library, whose directory is the factory's second place.
struct Library {
  Quor::HINSTANCE handle = nullptr;
  std::wstring path;     // its file; empty when it was not found
  std::wstring error;    // why it was not found
  std::wstring version;  // "a.b.c.d" of its version record; empty without one
};

// The quor-interfaces library that this program is linked with, as the
// loader found it.
Library findLibrary();

// One place where the definition file is looked for.
struct Place {
  enum State {
    kAbsent,      // no file there
    kUnreadable,  // something there that cannot be opened for reading (error, if not 0, says why)
    kRead,        // the file the factory reads
    kShadowed,    // a file the factory does not reach: an earlier place wins
    kSpecial,     // a FIFO, device, socket or pipe, which the factory passes over unread
    kTooLarge,    // more than Quor::detail::kDefinitionFileLimit bytes: no definition file
  };
  std::wstring path;  // as the factory opens it
  bool besideLibrary = false;
  State state = kAbsent;
  int error = 0;           // kUnreadable: the system's code, or 0 for a directory
  std::wstring errorText;  // the system's description of error
};

// One line of the file read, as the reader reported it, or a run of alike
// lines: consecutive lines of the same text and verdict that set no key.
struct Line {
  Quor::detail::DefinitionLine line;  // the first line of the run
  unsigned int last = 0;              // the number of the run's last line
  unsigned int overriddenBy = 0;      // the later line that sets the same key, if any
};

struct Warning {
  enum Kind {
    kByteOrderMark,
    kShadowing,           // a file as given shadows one beside the library
    kCommentAfterBlanks,  // blanks, then ';' or '#': not a comment
    kEmptyValue,          // one of the four keys set to nothing
    kInvalidUtf8,         // bytes taken as Latin-1
    kProviderIsPath,      // the provider name leads to a file elsewhere
    kNewerMajor,          // the module was built against a newer major version of the library
  };
  Kind kind;
  unsigned int line;  // 0 for the whole file
  unsigned int last;  // the last line of a run of alike lines; `line` for one line
};

// One attempt to load the module.
struct Attempt {
  enum Outcome {
    kLoaded,
    kNoSuchFile,
    kFoundButFailed,  // the file is there: a module it needs is missing, or its initialisation
                      // failed
    kSearchFailed,    // a name the platform searches for, so whether a file was there is unknown
    kNotAModule,      // the loader found a file but cannot load it into this process
    kRefused,         // a special file, never handed to the loader
    kFailed,          // the loader failed for another reason, which its code gives
    kEnded,           // loading ended the process: `ending` says how
    kTimedOut,        // loading had not ended when the time limit was reached
    kMismatch,        // the file's SHA-256 digest is not the one that provider.sha256 pins
  };
  std::wstring path;  // as the factory passes it to the loader
  bool besideLibrary = false;
  Outcome outcome = kNoSuchFile;
  int error = 0;           // the platform's code of the failure
  std::wstring errorText;  // the platform's description of the failure
  std::wstring ending;     // kEnded: how the process ended ("signal SIGABRT (Aborted)")
};

struct Report {
  std::wstring provider;    // the provider name given; empty when the file was named
  std::wstring definition;  // the file name as the factory is given it
  std::wstring currentDirectory;
  Library library;
  std::vector<Place> places;
  std::wstring file;  // the file read; empty when no place had one
  std::vector<Line> lines;
  std::wstring values[kProviderFieldCount];
  unsigned int setBy[kProviderFieldCount] = {};  // the line that set each value, 0 if none
  std::vector<Warning> warnings;

  // The module file that the factory would load (the path as written, unless
  // the loader searches for it, else beside the library); empty when neither
  // is a file. Its SHA-256 digest, when provider.sha256 is set or asked for.
  std::wstring moduleFile;
  std::wstring foundDigest;
  bool pinMalformed = false;  // provider.sha256 is set, but not to 64 hexadecimal digits
  // Files used that others than root and this user can change, with what
  // lets them (platform::untrustedWriters()).
  std::vector<std::pair<std::wstring, std::wstring>> untrusted;

  bool loadAsked = false;
  unsigned int timeLimit = 0;       // seconds that loading may take
  std::vector<Attempt> attempts;    // empty when the factory would not load
  int telling = -1;                 // the attempt whose code the factory logs; -1: none known
  std::wstring loadError;           // why the load could not be watched to its end, if it could not
  std::wstring loadedFile;          // the file of the module loaded
  std::wstring version;             // "a.b.c.d", or empty without a version record
  std::wstring builtAgainst;        // the library version it was compiled with, as it records it
                                    // (QUOR_BUILT_AGAINST_SYMBOL); empty when it records none
  bool entryPoint = false;          // it exports QUOR_MANAGER_INSTANCE_FUNCTION
  std::wstring cppEntryPoint;       // without it: the C++ name under which it exports one, if any
  std::vector<std::wstring> hints;  // what to write or rename instead (hints.h)
  // The module file that the factory would load, read without loading it,
  // when the definition is complete.
  ModuleHeaders headers;

  // The factory accepts the definition: a file with a name and an implementation.
  bool definitionComplete() const;
  // 0 all is well, 1 a definition problem, 2 a load problem: the module did
  // not load, or, when it was not loaded, its headers show that it will not.
  int status() const;
  // The headers' findings count: the module was not loaded and seen to load.
  bool headersTell() const;
  // Of the attempts, none of which loaded, the one that tells most about why.
  const Attempt& failure() const;
};

// Looks for `definition`, the definition file of `provider` (empty when the
// file was named instead), as the factory does, reads it, examines the module
// file that the factory would load and, when `load` and the factory would
// load, loads the module in a child process that may take
// `timeLimit` seconds.
Report inspect(const Library& library, const std::wstring& provider, const std::wstring& definition,
               bool load, unsigned int timeLimit);

// Whether the module file's digest is not what provider.sha256 pins.
bool pinMismatch(const Report& report);

// Adds the digest of the module file to `report`, for --pin and for a pin
// that is set.
void hashModule(Report& report);

// The argument, never shown in the help, that makes the program the child
// process of a load: followed by the implementation and provider.sha256, it
// runs loadForParent().
constexpr const wchar_t* kLoadChildArgument = L"--load-for-parent";

// The child process's side of loading: loads `implementation` as the factory
// does and writes each step to `out` for the parent's inspect(). Returns the
// exit status.
int loadForParent(const Library& library, const std::wstring& implementation,
                  const std::wstring& sha256, std::FILE* out);

// A definition file found by the listing.
struct Listed {
  std::wstring path;
  std::wstring fileName;
  bool besideLibrary = false;
  Place::State state = Place::kAbsent;  // kRead, kUnreadable, kSpecial or kTooLarge
  int error = 0;                        // as Place's
  std::wstring errorText;
  // The current directory has a file of the same name that the factory reads.
  bool shadowed = false;
  std::wstring name;
  std::wstring implementation;
};

struct Listing {
  std::wstring currentDirectory;
  Library library;
  std::vector<Listed> files;

  // 0 when every file found is complete, 1 when one is not or there is none.
  int status() const;
};

// The *.ini files of the current directory and of the library's directory;
// special files and files too large to be definition files among them are
// listed, not read.
Listing list(const Library& library);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_INSPECT_H_
