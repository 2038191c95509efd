// Whether a module will load, told from its file without loading it: its
// headers must be those of a module for this process, and each module that it
// needs, and each that those need in turn, must be where the system's loader
// looks (platform.h gives the places, in the loader's order). Nothing is run:
// the module's initialisation and its dependencies' never execute.
#ifndef QUOR_TOOLS_QUOR_INSPECT_DEPENDENCIES_H_
#define QUOR_TOOLS_QUOR_INSPECT_DEPENDENCIES_H_

#include <string>
#include <vector>

#include "binary_headers.h"

namespace quor_inspect {

// A file where the system's loader looks for a module, and the rule that puts
// it there ("DT_RUNPATH", "ld.so cache", "PATH"). A rule that gave no file
// (the cache, without the name) has an empty path.
struct SearchPlace {
  std::wstring path;
  std::wstring rule;
};

// One module that the examined module needs, directly or through another.
struct Dependency {
  enum State {
    kFound,       // a file that the loader takes: path, found by rule
    kProvided,    // taken without a search: rule says why (an API set, a module already loaded)
    kMissing,     // no file at any of lookedIn
    kUnloadable,  // path is no module for this process: problem says why
  };
  std::string name;       // as the needing module names it
  std::wstring neededBy;  // the file of the module that needs it
  bool direct = false;    // the examined module itself needs it
  State state = kMissing;
  std::wstring path;
  std::wstring rule;
  std::wstring problem;
  std::vector<SearchPlace> lookedIn;
};

// The module file that the factory would load, examined.
struct ModuleHeaders {
  std::wstring path;  // empty when no file was there to examine
  bool besideLibrary = false;
  BinaryHeaders headers;
  ModuleFormat own;      // the format of the modules that this program loads
  std::wstring problem;  // why the module itself will not load; empty when its headers allow it
  // Every module needed, each name once, those of the examined module first,
  // then breadth-first; modules that will not load are not followed further.
  std::vector<Dependency> dependencies;
  // The walk stopped at kMaxModules modules, or after looking at 65536
  // places: the rest were not examined.
  bool truncated = false;

  // The headers show that loading fails.
  bool willNotLoad() const;
};

constexpr std::size_t kMaxModules = 256;

// Why a module with `headers` will not load into a process that loads `own`
// modules; empty when its headers allow it.
std::wstring unloadableReason(const BinaryHeaders& headers, const ModuleFormat& own);

// Examines the module that the factory loads for `implementation`: the file
// as written (a name that the system searches for, searched for as the
// library would: `library` is the library's file) or else `besideLibrary`,
// whichever is a file first. With neither, the result has an empty path.
ModuleHeaders examineModule(const std::wstring& implementation, const std::wstring& besideLibrary,
                            const std::wstring& library);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_DEPENDENCIES_H_
