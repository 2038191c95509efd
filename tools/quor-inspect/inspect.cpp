#include "inspect.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <string>
#include <system_error>

#include "managers/paths.h"
#include "platform.h"
#include "platform/platform.h"
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

// Opens `path` as the factory does, which refuses a special file without
// waiting on it; the state of a place that holds no readable file.
std::FILE* open(const std::wstring& path, Place::State* state) {
  bool special = false;
  std::FILE* file = platform::openForReading(tstring(path), &special);
  std::error_code ignored;
  if (file == nullptr) {
    *state = special                             ? Place::kSpecial
             : fs::exists(toPath(path), ignored) ? Place::kUnreadable
                                                 : Place::kAbsent;
  }
  return file;
}

// Reads the open `file` with the factory's reader and closes it. kTooLarge,
// with nothing read, for a file that the factory takes for no definition file.
Place::State readAndClose(std::FILE* file, Quor::detail::ProviderRecord* record,
                          Quor::detail::DefinitionObserver* observer) {
  const bool read = Quor::detail::readDefinitionFile(file, record, observer);
  std::fclose(file);
  return read ? Place::kRead : Place::kTooLarge;
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

Quor::HINSTANCE attempt(Report& report, const std::wstring& path, bool beside) {
  Attempt attempt;
  attempt.path = path;
  attempt.besideLibrary = beside;
  const bool search = !beside && platform::isSearchedModulePath(tstring(path));
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
    attempt.outcome = platform::lastLoadRefused()                  ? Attempt::kRefused
                      : platform::isNotAModuleError(attempt.error) ? Attempt::kNotAModule
                      : search                                     ? Attempt::kSearchFailed
                      : there                                      ? Attempt::kFoundButFailed
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

// A *.ini entry that is not a directory: special files are listed too, as the
// factory would come across them, but not read.
bool isDefinitionFile(const fs::directory_entry& entry) {
  std::error_code ignored;
  std::wstring extension = fromPath(entry.path().extension());
  std::transform(extension.begin(), extension.end(), extension.begin(), ::towlower);
  return extension == L".ini" && !entry.is_directory(ignored);
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
    // A file may go or change between the listing and the reading.
    bool special = false;
    std::FILE* file = platform::openForReading(tstring(listed.path), &special);
    listed.state = special ? Place::kSpecial : Place::kUnreadable;
    if (file != nullptr) {
      Quor::detail::ProviderRecord record;
      listed.state = readAndClose(file, &record, nullptr);
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
  // Any function that the library exports lies in the library's module.
  bool (*const exported)(const TString&, const TString&) = &Quor::operator==;
  const Quor::HINSTANCE module =
      platform::moduleContaining(reinterpret_cast<const void*>(exported));
  Library library;
  if (module != nullptr) library.path = text(platform::moduleFileName(module));
  if (library.path.empty()) {
    library.error = L"its module or its file is not known";
  } else {
    library.handle = module;
  }
  return library;
}

bool Report::definitionComplete() const {
  return !file.empty() && !values[Quor::detail::kProviderName].empty() &&
         !values[Quor::detail::kProviderImplementation].empty();
}

namespace {

// How much a failed attempt tells: a file found says more than a search that
// found nothing, for it might have found a module whose dependency is missing,
// which says more than no file at all.
int weight(Attempt::Outcome outcome) {
  switch (outcome) {
    case Attempt::kNoSuchFile:
      return 0;
    case Attempt::kSearchFailed:
      return 1;
    default:
      return 2;
  }
}

}  // namespace

const Attempt& Report::failure() const {
  // Of equally telling attempts the later, whose code the factory logs.
  const Attempt* telling = &attempts.front();
  for (const Attempt& attempt : attempts) {
    if (weight(attempt.outcome) >= weight(telling->outcome)) telling = &attempt;
  }
  return *telling;
}

int Report::status() const {
  if (!definitionComplete()) return 1;
  if (loadAsked && (loadedFile.empty() || !entryPoint)) return 2;
  return 0;
}

Report inspect(const Library& library, const std::wstring& provider, const std::wstring& definition,
               bool load) {
  Report report;
  report.provider = provider;
  report.definition = definition;
  report.currentDirectory = currentDirectory();
  report.library = library;
  report.loadAsked = load;
  if (provider.find_first_of(pathCharacters()) != std::wstring::npos) {
    report.warnings.push_back({Warning::kProviderIsPath, 0});
  }

  std::vector<std::wstring> paths = {definition};
  if (library.handle != nullptr) paths.push_back(besideLibrary(library, definition));
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::wstring& path = paths[i];
    Place place;
    place.path = path;
    place.besideLibrary = i > 0;
    // The factory reads the first place that holds a definition file; one that
    // holds a special file or a file too large is passed over.
    std::FILE* file = open(path, &place.state);
    if (file != nullptr && !report.file.empty()) {
      place.state = Place::kShadowed;
      std::fclose(file);
      if (!sameFile(report.file, path)) report.warnings.push_back({Warning::kShadowing, 0});
    } else if (file != nullptr) {
      Collector collector(&report);
      Quor::detail::ProviderRecord record;
      place.state = readAndClose(file, &record, &collector);
      if (place.state == Place::kRead) {
        report.file = path;
        for (int field = 0; field < kProviderFieldCount; ++field) {
          report.values[field] = text(record.fields[field]);
        }
      }
    }
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
      const Listed& here = listing.files[i];
      if (here.state == Place::kRead && here.fileName == listed.fileName) listed.shadowed = true;
    }
    listing.files.push_back(listed);
  }
  return listing;
}

}  // namespace quor_inspect
