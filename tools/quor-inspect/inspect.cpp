#include "inspect.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>

#include "hints.h"
#include "managers/lookup.h"
#include "managers/paths.h"
#include "platform.h"
#include "platform/platform.h"
#include "quor/manager_module.h"
#include "quor/version.h"
#include "quor_text/ascii.h"
#include "quor_text/utf8.h"

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

// The state of a place where openForReading() found no file that it read,
// with the system's code when that says why.
void setState(Place::State* state, int* error, std::wstring* errorText,
              const platform::FileOpening& opening) {
  switch (opening.state) {
    case platform::FileState::kAbsent:
      *state = Place::kAbsent;
      break;
    case platform::FileState::kSpecial:
      *state = Place::kSpecial;
      break;
    default:
      *state = Place::kUnreadable;
      *error = opening.error;
      if (opening.error != 0) *errorText = text(platform::systemErrorText(opening.error));
  }
}

// Reads the open `file` with the factory's reader and closes it. kTooLarge,
// with nothing read, for a file that the factory takes for no definition file.
Place::State readAndClose(std::FILE* file, Quor::detail::ProviderRecord* record) {
  const bool read = Quor::detail::readDefinitionFile(file, record, nullptr);
  std::fclose(file);
  return read ? Place::kRead : Place::kTooLarge;
}

// Lines alike enough to be shown as one: the same text read the same way,
// setting no key (each key line counts for the value that it sets).
bool alike(const DefinitionLine& a, const DefinitionLine& b) {
  return a.kind == b.kind && a.kind != DefinitionLine::kKey && a.validUtf8 == b.validUtf8 &&
         a.beginsWithNul == b.beginsWithNul && a.text == b.text;
}

// The factory's search, observed: each place and each line of the file read
// go into the report.
class Observer : public Quor::detail::LookupObserver, Quor::detail::DefinitionObserver {
 public:
  explicit Observer(Report* report) : report_(report) {}

  Quor::detail::DefinitionObserver* reader() override { return this; }
  void byteOrderMark() override { report_->warnings.push_back({Warning::kByteOrderMark, 0, 0}); }
  void line(const DefinitionLine& line) override {
    std::vector<Line>& lines = report_->lines;
    if (!lines.empty() && lines.back().last + 1 == line.number && alike(lines.back().line, line)) {
      lines.back().last = line.number;
    } else {
      lines.push_back({line, line.number, 0});
    }
  }
  void place(const Quor::detail::DefinitionPlace& found) override {
    Place place;
    place.path = text(found.path);
    place.besideLibrary = found.besideLibrary;
    if (found.opening.state != platform::FileState::kOpened) {
      setState(&place.state, &place.error, &place.errorText, found.opening);
    } else {
      place.state = found.tooLarge ? Place::kTooLarge : Place::kRead;
    }
    if (place.state == Place::kRead) report_->file = place.path;
    report_->places.push_back(place);
  }
  void loading(const TString&, bool) override {}
  void attempt(const Quor::detail::LoadAttempt&) override {}
  void failed(int) override {}

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
  std::size_t setAt[kProviderFieldCount] = {};  // index + 1 of the line that set each field
  for (std::size_t i = 0; i < report.lines.size(); ++i) {
    Line& entry = report.lines[i];
    const DefinitionLine& line = entry.line;
    if (looksLikeComment(line)) {
      report.warnings.push_back({Warning::kCommentAfterBlanks, line.number, entry.last});
    }
    if (line.kind == DefinitionLine::kKey) {
      if (setAt[line.field] != 0) report.lines[setAt[line.field] - 1].overriddenBy = line.number;
      setAt[line.field] = i + 1;
      report.setBy[line.field] = line.number;
      if (line.value.empty()) {
        report.warnings.push_back({Warning::kEmptyValue, line.number, line.number});
      }
    }
    if (!line.validUtf8) {
      report.warnings.push_back({Warning::kInvalidUtf8, line.number, entry.last});
    }
  }
}

// The child process's report of the load, as fields that each end with a NUL:
// "L" path beside (an attempt begins), "A" loaded error text refused
// mismatch (it ended), "F" telling (none loaded), "M" file version entry
// builtAgainst (the module loaded), "C" name (the entry point exported only
// under this C++ name), "E" (the child is done).
class LoadWriter : public Quor::detail::LookupObserver {
 public:
  explicit LoadWriter(std::FILE* out) : out_(out) {}

  void place(const Quor::detail::DefinitionPlace&) override {}
  void loading(const TString& path, bool beside) override {
    write({L"L", text(path), beside ? L"1" : L"0"});
  }
  void attempt(const Quor::detail::LoadAttempt& attempt) override {
    write({L"A", attempt.module != nullptr ? L"1" : L"0", std::to_wstring(attempt.error),
           text(attempt.errorText), attempt.refused ? L"1" : L"0", attempt.mismatch ? L"1" : L"0"});
  }
  void failed(int telling) override { write({L"F", std::to_wstring(telling)}); }
  void write(std::initializer_list<std::wstring> fields) {
    std::string bytes;
    for (const std::wstring& field : fields) {
      // Paths keep their bytes on the way (quor_text/utf8.h).
      Quor::text::appendFileNameBytes(bytes, field.c_str(), field.size());
      bytes += '\0';
    }
    // At once: the next step may end the process.
    std::fwrite(bytes.data(), 1, bytes.size(), out_);
    std::fflush(out_);
  }

 private:
  std::FILE* out_;
};

std::vector<std::wstring> fieldsOf(const std::string& bytes) {
  std::vector<std::wstring> fields;
  std::size_t from = 0;
  for (std::size_t end; (end = bytes.find('\0', from)) != std::string::npos; from = end + 1) {
    fields.emplace_back();
    Quor::text::appendDecodedFileName(fields.back(), bytes.data() + from, end - from);
  }
  return fields;
}

// What an attempt's code says, as the factory's platform layer reads it, with
// a look at the path to tell a missing module from one whose dependency is
// missing.
Attempt::Outcome outcomeOf(const Attempt& attempt, bool refused) {
  if (refused) return Attempt::kRefused;
  if (platform::isNotAModuleError(attempt.error)) return Attempt::kNotAModule;
  if (!platform::isNotFoundError(attempt.error)) return Attempt::kFailed;
  const bool search =
      !attempt.besideLibrary && platform::isSearchedModulePath(tstring(attempt.path));
  if (search) return Attempt::kSearchFailed;
  return isFile(attempt.path) ? Attempt::kFoundButFailed : Attempt::kNoSuchFile;
}

// Reads the child's report into `report`. An attempt that began and did not
// end was under way when the child ended or was stopped.
bool readLoad(Report& report, const std::vector<std::wstring>& fields) {
  bool done = false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::wstring& tag = fields[i];
    const std::size_t left = fields.size() - i - 1;
    if (tag == L"L" && left >= 2) {
      Attempt attempt;
      attempt.path = fields[i + 1];
      attempt.besideLibrary = fields[i + 2] == L"1";
      attempt.outcome = Attempt::kEnded;
      report.attempts.push_back(attempt);
      i += 2;
    } else if (tag == L"A" && left >= 5 && !report.attempts.empty()) {
      Attempt& attempt = report.attempts.back();
      attempt.error = std::stoi(fields[i + 2]);
      attempt.errorText = fields[i + 3];
      attempt.outcome = fields[i + 1] == L"1"   ? Attempt::kLoaded
                        : fields[i + 5] == L"1" ? Attempt::kMismatch
                                                : outcomeOf(attempt, fields[i + 4] == L"1");
      i += 5;
    } else if (tag == L"F" && left >= 1) {
      report.telling = std::stoi(fields[i + 1]);
      i += 1;
    } else if (tag == L"M" && left >= 4) {
      report.loadedFile = fields[i + 1];
      report.version = fields[i + 2];
      report.entryPoint = fields[i + 3] == L"1";
      report.builtAgainst = fields[i + 4];
      i += 4;
    } else if (tag == L"C" && left >= 1) {
      report.cppEntryPoint = fields[i + 1];
      i += 1;
    } else if (tag == L"E") {
      done = true;
    }
  }
  return done;
}

// The major version, the number before the first '.'; 0 for none.
unsigned long majorOf(const std::wstring& version) {
  return std::wcstoul(version.c_str(), nullptr, 10);
}

// "a.b.c.d" of the module's version record, or empty without one.
std::wstring versionOf(Quor::HINSTANCE module) {
  unsigned short parts[4];
  if (!platform::moduleFileVersion(module, parts)) return std::wstring();
  return std::to_wstring(parts[0]) + L"." + std::to_wstring(parts[1]) + L"." +
         std::to_wstring(parts[2]) + L"." + std::to_wstring(parts[3]);
}

// The version that a module built by quor_add_manager_module() records as the
// one it was compiled with: at most 64 characters of ASCII, or nothing.
std::wstring builtAgainstOf(Quor::HINSTANCE module) {
  const char* const recorded =
      static_cast<const char*>(platform::moduleSymbol(module, QUOR_BUILT_AGAINST_SYMBOL));
  if (recorded == nullptr) return std::wstring();
  const std::size_t length = strnlen(recorded, 64);
  std::wstring version;
  for (std::size_t i = 0; i < length && static_cast<unsigned char>(recorded[i]) < 0x80; ++i) {
    version += static_cast<wchar_t>(recorded[i]);
  }
  return version;
}

void load(Report& report) {
  std::string output;
  ChildEnd end;
  const std::wstring& implementation = report.values[Quor::detail::kProviderImplementation];
  const std::wstring& sha256 = report.values[Quor::detail::kProviderSha256];
  if (!runSelf({kLoadChildArgument, implementation, sha256}, report.timeLimit, output, end)) {
    report.loadError = L"the process that loads it could not be started";
    return;
  }
  const bool done = readLoad(report, fieldsOf(output));
  if (!report.builtAgainst.empty() && !report.library.version.empty() &&
      majorOf(report.builtAgainst) > majorOf(report.library.version)) {
    report.warnings.push_back({Warning::kNewerMajor, 0, 0});
  }
  if (done && end.kind == ChildEnd::kExited && end.code == 0) return;
  const std::wstring ending = end.kind == ChildEnd::kTimedOut
                                  ? std::to_wstring(report.timeLimit) + L" s: stopped"
                                  : end.description;
  if (!report.attempts.empty() && report.attempts.back().outcome == Attempt::kEnded) {
    Attempt& attempt = report.attempts.back();
    attempt.outcome = end.kind == ChildEnd::kTimedOut ? Attempt::kTimedOut : Attempt::kEnded;
    attempt.ending = ending;
  } else {
    report.loadError = end.kind == ChildEnd::kTimedOut
                           ? L"the process that loads it was stopped at the time limit"
                           : L"the process that loads it ended: " + ending;
  }
}

// The module file that the factory would load: the path as written, unless
// the loader searches for it or a privileged process would not take it, else
// the one beside the library.
std::wstring moduleFileOf(const Report& report) {
  const TString implementation = tstring(report.values[Quor::detail::kProviderImplementation]);
  if (implementation.empty()) return std::wstring();
  const bool asWritten =
      !platform::isSearchedModulePath(implementation) &&
      (!platform::isPrivilegedProcess() || platform::isAbsolutePath(implementation));
  if (asWritten && isFile(text(implementation))) return text(implementation);
  if (report.library.handle == nullptr) return std::wstring();
  const std::wstring beside = besideLibrary(report.library, text(implementation));
  return isFile(beside) ? beside : std::wstring();
}

// Notes the definition file read and the module file when others than root
// and this user can change them.
void checkWriters(Report& report) {
  for (const std::wstring& path : {report.file, report.moduleFile}) {
    if (path.empty()) continue;
    const std::wstring writers = text(platform::untrustedWriters(tstring(path)));
    if (!writers.empty()) report.untrusted.emplace_back(path, writers);
  }
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
  std::transform(extension.begin(), extension.end(), extension.begin(), Quor::text::asciiLower);
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
    platform::FileOpening opening;
    std::FILE* file = platform::openForReading(tstring(listed.path), &opening);
    if (file == nullptr) {
      setState(&listed.state, &listed.error, &listed.errorText, opening);
      // Gone since the listing: a file that cannot be opened all the same.
      if (listed.state == Place::kAbsent) listed.state = Place::kUnreadable;
    } else {
      Quor::detail::ProviderRecord record;
      listed.state = readAndClose(file, &record);
      listed.name = text(record[Quor::detail::kProviderName]);
      listed.implementation = text(record[Quor::detail::kProviderImplementation]);
    }
    found.push_back(listed);
  }
  std::sort(found.begin(), found.end(),
            [](const Listed& a, const Listed& b) { return a.path < b.path; });
  return found;
}

// The entry point declared without extern "C", as GCC and Clang name a
// function quorManagerInstance(void) of the global namespace.
void writeCppEntryPoint(LoadWriter& writer, Quor::HINSTANCE module) {
  const char name[] = "_Z19quorManagerInstancev";
  if (platform::moduleSymbol(module, name) != nullptr) {
    writer.write({L"C", std::wstring(name, name + sizeof name - 1)});
  }
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
    library.version = versionOf(module);
  }
  return library;
}

bool pinMismatch(const Report& report) {
  const std::wstring& sha256 = report.values[Quor::detail::kProviderSha256];
  return !report.pinMalformed && !sha256.empty() && !report.foundDigest.empty() &&
         !Quor::text::equalIgnoringAsciiCase(sha256.c_str(), report.foundDigest.c_str());
}

void hashModule(Report& report) {
  Quor::platform::Digest digest;
  int error = 0;
  if (!report.moduleFile.empty() && platform::hashFile(tstring(report.moduleFile), &digest, &error))
    report.foundDigest = text(Quor::detail::digestText(digest));
}

bool Report::definitionComplete() const {
  return !file.empty() && !values[Quor::detail::kProviderName].empty() &&
         !values[Quor::detail::kProviderImplementation].empty();
}

const Attempt& Report::failure() const {
  if (telling >= 0 && static_cast<std::size_t>(telling) < attempts.size()) return attempts[telling];
  return attempts.back();
}

bool Report::headersTell() const { return !loadAsked || loadedFile.empty(); }

int Report::status() const {
  if (!definitionComplete() || pinMalformed || pinMismatch(*this) || !untrusted.empty()) return 1;
  if (loadAsked && (loadedFile.empty() || !entryPoint)) return 2;
  if (headersTell() && headers.willNotLoad()) return 2;
  return 0;
}

Report inspect(const Library& library, const std::wstring& provider, const std::wstring& definition,
               bool load, unsigned int timeLimit) {
  Report report;
  report.provider = provider;
  report.definition = definition;
  report.currentDirectory = currentDirectory();
  report.library = library;
  report.loadAsked = load;
  report.timeLimit = timeLimit;
  if (provider.find_first_of(pathCharacters()) != std::wstring::npos) {
    report.warnings.push_back({Warning::kProviderIsPath, 0, 0});
  }

  Observer observer(&report);
  Quor::detail::ProviderRecord record;
  const bool beside = library.handle != nullptr;
  if (Quor::detail::readDefinition(tstring(definition), library.handle, beside, &record,
                                   &observer)) {
    for (int field = 0; field < kProviderFieldCount; ++field) {
      report.values[field] = text(record.fields[field]);
    }
  }
  // The factory stops at the first place that holds a definition file; a
  // file beside the library that it does not reach is shown too.
  if (beside && report.places.size() == 1 && !report.places[0].besideLibrary) {
    Place place;
    place.path = besideLibrary(library, definition);
    place.besideLibrary = true;
    platform::FileOpening opening;
    std::FILE* file = platform::openForReading(tstring(place.path), &opening);
    if (file != nullptr) {
      place.state = Place::kShadowed;
      std::fclose(file);
      if (!sameFile(report.file, place.path)) {
        report.warnings.push_back({Warning::kShadowing, 0, 0});
      }
    } else {
      setState(&place.state, &place.error, &place.errorText, opening);
    }
    report.places.push_back(place);
  }
  annotate(report);
  report.moduleFile = moduleFileOf(report);
  const TString sha256 = tstring(report.values[Quor::detail::kProviderSha256]);
  Quor::platform::Digest ignored;
  report.pinMalformed = !sha256.empty() && !Quor::detail::parseDigest(sha256, &ignored);
  if (!sha256.empty()) hashModule(report);
  checkWriters(report);
  if (report.definitionComplete()) {
    const std::wstring& implementation = report.values[Quor::detail::kProviderImplementation];
    report.headers = examineModule(
        implementation, beside ? besideLibrary(library, implementation) : L"", library.path);
  }
  if (load && report.definitionComplete() && !report.pinMalformed) quor_inspect::load(report);
  report.hints = hints(report);
  return report;
}

int loadForParent(const Library& library, const std::wstring& implementation,
                  const std::wstring& sha256, std::FILE* out) {
  LoadWriter writer(out);
  const Quor::HINSTANCE module = Quor::detail::loadImplementation(
      tstring(implementation), tstring(sha256), library.handle, library.handle != nullptr, &writer);
  if (module != nullptr) {
    const bool entryPoint =
        platform::moduleSymbol(module, QUOR_MANAGER_INSTANCE_FUNCTION) != nullptr;
    writer.write({L"M", text(platform::moduleFileName(module)), versionOf(module),
                  entryPoint ? L"1" : L"0", builtAgainstOf(module)});
    if (!entryPoint) writeCppEntryPoint(writer, module);
  }
  writer.write({L"E"});
  return 0;
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
