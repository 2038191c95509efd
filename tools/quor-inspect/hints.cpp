#include "hints.h"

#include <filesystem>
#include <system_error>

#include "platform.h"
#include "quor_text/ascii.h"

namespace quor_inspect {

namespace {

namespace fs = std::filesystem;
using Quor::detail::kProviderImplementation;
using Quor::detail::kProviderName;

std::wstring fileNameOf(const std::wstring& path) { return fromPath(toPath(path).filename()); }

// The directory of a path that the factory opens: a bare name is in the
// current directory.
fs::path directoryOf(const std::wstring& path) {
  const fs::path parent = toPath(path).parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

void moduleBesideDefinition(const Report& report, std::vector<std::wstring>& found) {
  if (report.attempts.empty() || !report.loadedFile.empty() || !report.loadError.empty()) return;
  const Attempt::Outcome outcome = report.failure().outcome;
  if (outcome != Attempt::kNoSuchFile && outcome != Attempt::kSearchFailed) return;
  const std::wstring& implementation = report.values[kProviderImplementation];
  const fs::path written = toPath(implementation);
  std::error_code error;
  const fs::path beside =
      fs::absolute(directoryOf(report.file) / written, error).lexically_normal();
  if (written.is_absolute() || error || !fs::is_regular_file(beside, error)) return;
  const std::wstring path = fromPath(beside);
  found.push_back(path + L" lies beside the definition file, where the factory does not look " +
                  L"for modules (only as written, then beside the library): write " +
                  L"provider.implementation=" + path + L", or install the module beside the " +
                  L"library");
}

// A file that the factory does not find here because the case of a letter
// differs: only where file names are case-sensitive.
void caseVariants(const Report& report, std::vector<std::wstring>& found) {
  if (!report.file.empty()) return;
  for (const Place& place : report.places) {
    if (place.state != Place::kAbsent) continue;
    const std::wstring name = fileNameOf(place.path);
    std::error_code error;
    for (fs::directory_iterator it(directoryOf(place.path), error), end; !error && it != end;
         it.increment(error)) {
      const std::wstring other = fromPath(it->path().filename());
      if (other == name || !Quor::text::equalIgnoringAsciiCase(other.c_str(), name.c_str()))
        continue;
      found.push_back(fromPath(it->path()) + L" differs from " + name +
                      L" only in letter case, which file names on this system do not ignore: " +
                      L"rename it " + name);
    }
  }
}

void nameUnlikeFile(const Report& report, std::vector<std::wstring>& found) {
  const std::wstring& name = report.values[kProviderName];
  if (report.file.empty() || name.empty()) return;
  const std::wstring file = fileNameOf(report.file);
  if (sameFileName(name + L".ini", file)) return;
  found.push_back(L"provider.name is \"" + name +
                  L"\", but a client that asks for the provider \"" + name +
                  L"\" has the factory look for " + name + L".ini, not " + file +
                  L": give the file and the provider the same name");
}

void cppEntryPoint(const Report& report, std::vector<std::wstring>& found) {
  if (report.cppEntryPoint.empty()) return;
  found.push_back(L"the module exports its entry point only under the C++ name " +
                  report.cppEntryPoint +
                  L", which clients do not look for: declare it extern \"C\", or define it with "
                  L"QUOR_DEFINE_MANAGER_INSTANCE(YourInstance), which does");
}

}  // namespace

std::vector<std::wstring> hints(const Report& report) {
  std::vector<std::wstring> found;
  caseVariants(report, found);
  nameUnlikeFile(report, found);
  moduleBesideDefinition(report, found);
  cppEntryPoint(report, found);
  return found;
}

std::wstring unreachableByName(const Listed& listed) {
  if (listed.name.empty() || sameFileName(listed.name + L".ini", listed.fileName)) return L"";
  return L"a client that asks for the provider \"" + listed.name + L"\" has the factory look for " +
         listed.name + L".ini: it does not reach this file by that name";
}

}  // namespace quor_inspect
