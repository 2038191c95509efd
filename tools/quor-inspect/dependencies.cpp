#include "dependencies.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <set>

#include "platform.h"
#include "platform/platform.h"
#include "quor_text/ascii.h"
#include "quor_text/utf8.h"

namespace quor_inspect {

namespace {

namespace platform = Quor::platform;

std::wstring wide(const std::string& bytes) {
  std::wstring text;
  Quor::text::appendDecodedFileName(text, bytes.data(), bytes.size());
  return text;
}

constexpr std::size_t kMaxProbes = 65536;

enum class Opened { kNoFile, kRead };

// Reads the headers of the regular file at `path`; kNoFile when there is
// none (nothing there, a directory, a special file, which is never opened).
Opened readFile(const std::wstring& path, BinaryHeaders& headers) {
  std::FILE* file =
      platform::openForReading(Quor::TString(path.c_str(), static_cast<int>(path.size())));
  if (file == nullptr) return Opened::kNoFile;
  FileSource source(file);
  headers = readBinaryHeaders(source);
  std::fclose(file);
  return Opened::kRead;
}

// A module examined on the way: `parent` is the index of the one that needs it.
struct Examined {
  std::wstring path;
  BinaryHeaders headers;
  std::size_t parent;
};

// The name as the loader compares it: Windows ignores case.
std::string key(const std::string& name, const ModuleFormat& own) {
  std::string folded = name;
  if (own.kind == ModuleFormat::kPe) {
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return static_cast<char>(Quor::text::asciiLower(c)); });
  }
  return folded;
}

// Looks for `dependency.name` where the loader does, as `chain` needs it.
// ELF loaders pass over a file for another machine or word size and look on;
// Windows's takes the first file of the name.
void find(Dependency& dependency, const std::vector<Needer>& chain,
          const std::wstring& alteredDirectory, const ModuleFormat& own,
          std::deque<Examined>& examined, std::size_t parent) {
  const std::wstring provided = providedWithoutSearch(dependency.name);
  if (!provided.empty()) {
    dependency.state = Dependency::kProvided;
    dependency.rule = provided;
    return;
  }
  for (const SearchPlace& place : searchPlaces(dependency.name, chain, alteredDirectory)) {
    dependency.lookedIn.push_back(place);
    BinaryHeaders headers;
    if (place.path.empty() || readFile(place.path, headers) == Opened::kNoFile) continue;
    const std::wstring reason = unloadableReason(headers, own);
    const bool passedOver = own.kind == ModuleFormat::kElf &&
                            headers.format.kind == ModuleFormat::kElf && headers.format != own;
    if (passedOver && dependency.path.empty()) {
      dependency.path = place.path;
      dependency.problem = reason;
    }
    if (passedOver) continue;
    dependency.path = place.path;
    dependency.rule = place.rule;
    dependency.problem = reason;
    dependency.state = reason.empty() ? Dependency::kFound : Dependency::kUnloadable;
    if (reason.empty()) examined.push_back({place.path, headers, parent});
    return;
  }
  if (!dependency.path.empty()) dependency.state = Dependency::kUnloadable;
}

// The modules from examined[index] back to the examined module.
std::vector<Needer> chainOf(const std::deque<Examined>& examined, std::size_t index) {
  std::vector<Needer> chain;
  for (std::size_t at = index;; at = examined[at].parent) {
    chain.push_back({examined[at].path, &examined[at].headers});
    if (at == 0) return chain;
  }
}

}  // namespace

bool ModuleHeaders::willNotLoad() const {
  if (!problem.empty()) return true;
  return std::any_of(dependencies.begin(), dependencies.end(), [](const Dependency& dependency) {
    return dependency.state == Dependency::kMissing || dependency.state == Dependency::kUnloadable;
  });
}

std::wstring unloadableReason(const BinaryHeaders& headers, const ModuleFormat& own) {
  const ModuleFormat& format = headers.format;
  const std::wstring ownText = L" (" + describe(own) + L")";
  if (format.kind == ModuleFormat::kNone) return L"not a module: neither ELF nor PE";
  if (format.kind != own.kind) {
    return format.kind == ModuleFormat::kPe
               ? L"a Windows module (" + describe(format) + L"), not one for this system" + ownText
               : L"an ELF module (" + describe(format) +
                     L"), as Linux and other Unix systems load, not a Windows module" + ownText;
  }
  if (!headers.damage.empty()) return L"its headers are damaged: " + wide(headers.damage);
  if (format != own) {
    return L"a module for " + describe(format) + L", not for this process" + ownText;
  }
  // Windows maps a program as it maps a DLL; the ELF loader refuses it.
  if (!headers.library && format.kind == ModuleFormat::kElf) {
    return L"not a shared library: an executable program or an object file";
  }
  return L"";
}

ModuleHeaders examineModule(const std::wstring& implementation, const std::wstring& besideLibrary,
                            const std::wstring& library) {
  ModuleHeaders result;
  result.own = ownModuleFormat();
  // A deque: the chains keep pointers to the headers of modules examined.
  std::deque<Examined> examined(1);
  BinaryHeaders& headers = examined[0].headers;
  std::vector<std::wstring> paths;
  const Quor::TString written(implementation.c_str(), static_cast<int>(implementation.size()));
  if (platform::isSearchedModulePath(written)) {
    // Searched for as a module that the library needs.
    BinaryHeaders libraryHeaders;
    if (!library.empty()) readFile(library, libraryHeaders);
    std::string name;
    Quor::text::appendFileNameBytes(name, implementation.c_str(), implementation.size());
    for (const SearchPlace& place : searchPlaces(name, {{library, &libraryHeaders}}, L"")) {
      if (!place.path.empty()) paths.push_back(place.path);
    }
  } else {
    paths.push_back(implementation);
  }
  paths.push_back(besideLibrary);
  for (std::size_t i = 0; i < paths.size() && result.path.empty(); ++i) {
    if (readFile(paths[i], headers) == Opened::kNoFile) continue;
    result.path = paths[i];
    result.besideLibrary = i + 1 == paths.size();
  }
  if (result.path.empty()) return result;
  result.headers = headers;
  result.problem = unloadableReason(headers, result.own);
  if (!result.problem.empty()) return result;

  // Windows looks in the module's own directory first when the factory loads it beside the library.
  const std::wstring altered =
      result.besideLibrary ? besideLibrary.substr(0, besideLibrary.find_last_of(L"\\/") + 1) : L"";
  examined[0].path = result.path;
  std::set<std::string> seen;
  std::size_t probes = 0;  // places looked at, which hostile run paths could multiply
  for (std::size_t index = 0; index < examined.size(); ++index) {
    const std::vector<Needer> chain = chainOf(examined, index);
    const std::vector<std::string> needed = examined[index].headers.needed;
    for (const std::string& name : needed) {
      if (index == kMaxModules || probes >= kMaxProbes) {
        result.truncated = true;
        return result;
      }
      if (!seen.insert(key(name, result.own)).second) continue;
      Dependency dependency;
      dependency.name = name;
      dependency.neededBy = examined[index].path;
      dependency.direct = index == 0;
      find(dependency, chain, altered, result.own, examined, index);
      probes += dependency.lookedIn.size();
      result.dependencies.push_back(dependency);
    }
  }
  return result;
}

}  // namespace quor_inspect
