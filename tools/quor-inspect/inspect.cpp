#include "inspect.h"

#include <zolog/zolog.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <string>
#include <system_error>

#include "managers/paths.h"
#include "platform/platform.h"
#include "platform/utf8.h"
#include "quor/manager_module.h"

namespace quor_inspect {

namespace {

namespace fs = std::filesystem;
using Quor::TString;
using Quor::detail::DefinitionLine;
namespace platform = Quor::platform;

std::wstring text(const TString& value) { return std::wstring(value.c_str(), value.length()); }
TString tstring(const std::wstring& value) {
  return TString(value.c_str(), static_cast<int>(value.size()));
}

// The library's paths are wide text; the file system's are UTF-8 outside
// Windows, whatever the locale.
fs::path toPath(const std::wstring& path) {
#if defined(_WIN32)
  return fs::path(path);
#else
  std::string bytes;
  platform::appendUtf8(bytes, path.c_str(), path.size());
  return fs::path(bytes);
#endif
}

std::wstring fromPath(const fs::path& path) {
#if defined(_WIN32)
  return path.wstring();
#else
  std::wstring wide;
  const std::string& bytes = path.native();
  platform::appendDecodedUtf8(wide, bytes.data(), bytes.size());
  return wide;
#endif
}

std::wstring currentDirectory() {
  std::error_code ignored;
  return fromPath(fs::current_path(ignored));
}

// The library's directory with its trailing separator, joined to `name`.
std::wstring besideLibrary(const Library& library, const std::wstring& name) {
  return text(Quor::detail::pathBesideModule(library.handle, tstring(name)));
}

bool isFile(const std::wstring& path) {
  std::error_code ignored;
  return fs::is_regular_file(toPath(path), ignored);
}

// Opens `path` as the factory does; the state of a place that holds no
// readable file.
std::FILE* open(const std::wstring& path, Place::State* state) {
  std::FILE* file = platform::openForReading(tstring(path));
  std::error_code ignored;
  if (file == nullptr) {
    *state = fs::exists(toPath(path), ignored) ? Place::kUnreadable : Place::kAbsent;
  }
  return file;
}

// Collects the reader's report of each line and whether a byte-order mark
// was skipped.
class Collector : public Quor::detail::DefinitionObserver {
 public:
  explicit Collector(Report* report) : report_(report) {}
  void byteOrderMark() override { report_->warnings.push_back({Warning::kByteOrderMark, 0}); }
  void line(const DefinitionLine& line) override { report_->lines.push_back({line, 0}); }

 private:
  Report* report_;
};

// Blanks, then what would begin a comment in the first column.
bool looksLikeComment(const DefinitionLine& line) {
  const std::wstring content = text(line.text);
  const std::size_t first = content.find_first_not_of(L" \t\v\f\r");
  return line.kind != DefinitionLine::kComment && first != std::wstring::npos &&
         (content[first] == L';' || content[first] == L'#');
}

void annotate(Report& report) {
  for (Line& entry : report.lines) {
    const DefinitionLine& line = entry.line;
    if (looksLikeComment(line)) {
      report.warnings.push_back({Warning::kCommentAfterBlanks, line.number});
    }
    if (line.kind == DefinitionLine::kKey) {
      const unsigned int previous = report.setBy[line.field];
      if (previous != 0) report.lines[previous - 1].overriddenBy = line.number;
      report.setBy[line.field] = line.number;
      if (line.value.empty()) report.warnings.push_back({Warning::kEmptyValue, line.number});
    }
    if (!line.validUtf8) report.warnings.push_back({Warning::kInvalidUtf8, line.number});
  }
}

// Whether the platform looks for `path` along its module search path rather
// than at one place: a bare name everywhere; on Windows any relative path.
bool searched(const std::wstring& path) {
#if defined(_WIN32)
  return toPath(path).is_relative();
#else
  return !toPath(path).has_parent_path();
#endif
}

Quor::HINSTANCE attempt(Report& report, const std::wstring& path, bool beside) {
  Attempt attempt;
  attempt.path = path;
  attempt.besideLibrary = beside;
  const bool search = !beside && searched(path);
  // Looked at before the attempt, so that a file that is there tells a missing
  // dependency from a missing module.
  const bool there = !search && isFile(path);
  const Quor::HINSTANCE module =
      beside ? platform::loadModuleBeside(tstring(path)) : platform::loadModule(tstring(path));
  if (module != nullptr) {
    attempt.outcome = Attempt::kLoaded;
  } else {
    attempt.error = platform::lastLoadError();
    attempt.errorText = text(platform::lastLoadErrorText());
    attempt.outcome = search  ? Attempt::kSearchFailed
                      : there ? Attempt::kFoundButFailed
                              : Attempt::kNoSuchFile;
  }
  report.attempts.push_back(attempt);
  return module;
}

void load(Report& report) {
  const std::wstring& implementation = report.values[Quor::detail::kProviderImplementation];
  Quor::HINSTANCE module = attempt(report, implementation, false);
  if (module == nullptr && report.library.handle != nullptr) {
    module = attempt(report, besideLibrary(report.library, implementation), true);
  }
  if (module == nullptr) return;
  report.loadedFile = text(platform::moduleFileName(module));
  unsigned short parts[4];
  if (platform::moduleFileVersion(module, parts)) {
    report.version = std::to_wstring(parts[0]) + L"." + std::to_wstring(parts[1]) + L"." +
                     std::to_wstring(parts[2]) + L"." + std::to_wstring(parts[3]);
  }
  report.entryPoint = platform::moduleSymbol(module, QUOR_MANAGER_INSTANCE_FUNCTION) != nullptr;
}

bool sameFile(const std::wstring& a, const std::wstring& b) {
  std::error_code ignored;
  return fs::equivalent(toPath(a), toPath(b), ignored);
}

bool isDefinitionFile(const fs::directory_entry& entry) {
  std::error_code ignored;
  std::wstring extension = fromPath(entry.path().extension());
  std::transform(extension.begin(), extension.end(), extension.begin(), ::towlower);
  return extension == L".ini" && entry.is_regular_file(ignored);
}

// The definition files of `directory`, sorted by name.
std::vector<Listed> definitionFiles(const std::wstring& directory, bool beside) {
  std::vector<Listed> found;
  std::error_code error;
  for (fs::directory_iterator it(toPath(directory), error), end; !error && it != end;
       it.increment(error)) {
    if (!isDefinitionFile(*it)) continue;
    Listed listed;
    listed.path = fromPath(it->path());
    listed.fileName = fromPath(it->path().filename());
    listed.besideLibrary = beside;
    // A file may go between the listing and the reading.
    std::FILE* file = platform::openForReading(tstring(listed.path));
    if (file != nullptr) {
      Quor::detail::ProviderRecord record;
      Quor::detail::readDefinitionFile(file, &record, nullptr);
      std::fclose(file);
      listed.readable = true;
      listed.name = text(record[Quor::detail::kProviderName]);
      listed.implementation = text(record[Quor::detail::kProviderImplementation]);
    }
    found.push_back(listed);
  }
  std::sort(found.begin(), found.end(),
            [](const Listed& a, const Listed& b) { return a.path < b.path; });
  return found;
}

}  // namespace

Library findLibrary() {
  // The library logs its attach when loaded; that is not this tool's output.
  zologSetLevelMask(0);
  // Beside this tool (the build tree, a Windows installation), in the
  // installation's library directory, then along the platform's search path.
  // The first two do not depend on how the platform's loader searches (a
  // sanitizer's runtime, for one, hides this program's run path from it).
  const TString name(L"" QUOR_INSPECT_LIBRARY_NAME);
  const TString candidates[] = {
      Quor::detail::pathBesideModule(nullptr, name),
      Quor::detail::pathBesideModule(nullptr, TString(L"" QUOR_INSPECT_LIBRARY_DIR L"/") + name),
      name,
  };
  Library library;
  for (const TString& candidate : candidates) {
    library.handle = platform::loadModule(candidate);
    if (library.handle != nullptr) {
      library.path = text(platform::moduleFileName(library.handle));
      return library;
    }
  }
  library.error = text(platform::lastLoadErrorText());
  return library;
}

bool Report::definitionComplete() const {
  return !file.empty() && !values[Quor::detail::kProviderName].empty() &&
         !values[Quor::detail::kProviderImplementation].empty();
}

int Report::status() const {
  if (!definitionComplete()) return 1;
  if (loadAsked && (loadedFile.empty() || !entryPoint)) return 2;
  return 0;
}

Report inspect(const Library& library, const std::wstring& definition, bool load) {
  Report report;
  report.definition = definition;
  report.currentDirectory = currentDirectory();
  report.library = library;
  report.loadAsked = load;

  std::vector<std::wstring> paths = {definition};
  if (library.handle != nullptr) paths.push_back(besideLibrary(library, definition));
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::wstring& path = paths[i];
    Place place;
    place.path = path;
    place.besideLibrary = i > 0;
    std::FILE* file = open(path, &place.state);
    if (file != nullptr && !report.file.empty()) {
      place.state = Place::kShadowed;
      if (!sameFile(report.file, path)) report.warnings.push_back({Warning::kShadowing, 0});
    } else if (file != nullptr) {
      place.state = Place::kRead;
      report.file = path;
      Collector collector(&report);
      Quor::detail::ProviderRecord record;
      Quor::detail::readDefinitionFile(file, &record, &collector);
      for (int field = 0; field < kProviderFieldCount; ++field) {
        report.values[field] = text(record.fields[field]);
      }
    }
    if (file != nullptr) std::fclose(file);
    report.places.push_back(place);
  }
  annotate(report);
  if (load && report.definitionComplete()) quor_inspect::load(report);
  return report;
}

int Listing::status() const {
  if (files.empty()) return 1;
  for (const Listed& listed : files) {
    if (!listed.shadowed && (listed.name.empty() || listed.implementation.empty())) return 1;
  }
  return 0;
}

Listing list(const Library& library) {
  Listing listing;
  listing.currentDirectory = currentDirectory();
  listing.library = library;
  listing.files = definitionFiles(listing.currentDirectory, false);
  if (library.handle == nullptr) return listing;
  const std::wstring directory = besideLibrary(library, L"");
  if (sameFile(directory, listing.currentDirectory)) return listing;
  const std::size_t current = listing.files.size();
  for (Listed& listed : definitionFiles(directory, true)) {
    for (std::size_t i = 0; i < current; ++i) {
      if (listing.files[i].fileName == listed.fileName) listed.shadowed = true;
    }
    listing.files.push_back(listed);
  }
  return listing;
}

}  // namespace quor_inspect
