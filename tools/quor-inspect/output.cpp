#include "output.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "hints.h"
#include "quor/manager_module.h"
#include "quor_text/utf8.h"

namespace quor_inspect {

namespace {

using Quor::detail::DefinitionLine;
using Quor::detail::kProviderImplementation;
using Quor::detail::kProviderName;

using Json = nlohmann::ordered_json;

std::string utf8(const std::wstring& text) {
  std::string bytes;
  Quor::text::appendUtf8(bytes, text.c_str(), text.size());
  return bytes;
}
std::string utf8(const Quor::TString& text) {
  std::string bytes;
  Quor::text::appendUtf8(bytes, text.c_str(), text.length());
  return bytes;
}

// The escape of `c` in the text report, or false when it is shown as it is:
// the characters that a terminal acts on, C0 controls and DEL as \xNN and C1
// controls as \uNNNN, so that text read cannot act on the terminal (move the
// cursor, retitle the window). Backslashes stay as they are, so that Windows
// paths read as paths; --json gives every text exactly.
bool textEscape(unsigned long c, char (&escape)[8]) {
  if (c < 0x20 || c == 0x7f) {
    std::snprintf(escape, sizeof escape, "\\x%02lx", c);
  } else if (c >= 0x80 && c <= 0x9f) {
    std::snprintf(escape, sizeof escape, "\\u%04lx", c);
  } else {
    return false;
  }
  return true;
}

std::wstring wide(const Quor::TString& text) { return std::wstring(text.c_str(), text.length()); }
std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }
std::wstring number(unsigned int value) { return std::to_wstring(value); }

std::wstring keyOf(ProviderField field) { return Quor::detail::providerKey(field); }

const wchar_t* const kEntryPoint = L"" QUOR_MANAGER_INSTANCE_FUNCTION;

// Why the reader ignored a line that is neither a comment nor a key: a code
// for JSON and words for people.
struct Ignored {
  const char* code;
  const wchar_t* text;
};

Ignored ignoredBecause(const DefinitionLine& line) {
  if (line.kind == DefinitionLine::kEmptyKey) return {"empty-key", L"nothing before the '='"};
  if (line.beginsWithNul) return {"begins-with-nul", L"begins with a NUL character"};
  if (line.text.empty()) return {"empty", L"empty"};
  return {"no-equals", L"no '='"};
}

std::wstring verdict(const Line& entry) {
  const DefinitionLine& line = entry.line;
  switch (line.kind) {
    case DefinitionLine::kComment:
      return L"comment";
    case DefinitionLine::kKey: {
      std::wstring text = L"sets " + keyOf(line.field) + L" to " + quoted(wide(line.value));
      if (entry.overriddenBy != 0) text += L", overridden by line " + number(entry.overriddenBy);
      return text;
    }
    case DefinitionLine::kUnknownKey:
      return L"ignored: unknown key " + quoted(wide(line.key));
    default:
      return L"ignored: " + std::wstring(ignoredBecause(line).text);
  }
}

// Names for JSON and words for people, indexed by the enumerators they stand for.
const char* const kKindNames[] = {"comment", "ignored", "ignored", "key", "unknown-key"};
const char* const kWarningNames[] = {"byte-order-mark", "shadowing",    "comment-after-blanks",
                                     "empty-value",     "invalid-utf8", "provider-is-path",
                                     "newer-major"};
const char* const kStateNames[] = {"absent",   "unreadable", "read",
                                   "shadowed", "special",    "too-large"};
const char* const kOutcomeNames[] = {
    "loaded", "no-such-file", "found-but-failed", "search-failed",  "not-a-module", "refused",
    "failed", "ended",        "timed-out",        "sha256-mismatch"};

static_assert(Quor::detail::kDefinitionFileLimit == 1024 * 1024, "the state text names the limit");
const wchar_t* const kStateTexts[] = {L"no file",
                                      L"there, but it cannot be opened for reading",
                                      L"found, read",
                                      L"found, not read: the file above comes first",
                                      L"not a regular file: not read",
                                      L"larger than 1 MiB: not a definition file"};
const wchar_t* const kOutcomeTexts[] = {
    L"loaded",
    L"no such file",
    L"found, but a module that it needs is missing or its initialisation failed",
    L"not loaded from the module search path: it or a module that it needs is missing",
    L"found, but not a loadable module for this process",
    L"not a regular file: not loaded",
    L"not loaded",
    L"loading ended the process: ",
    L"still loading after ",
    L"found, but not loaded: its SHA-256 digest is not the one that provider.sha256 pins"};

// The line or run of lines that begins at the line of `warning`.
const DefinitionLine& lineOf(const Report& report, const Warning& warning) {
  const auto after = std::upper_bound(
      report.lines.begin(), report.lines.end(), warning.line,
      [](unsigned int number, const Line& entry) { return number < entry.line.number; });
  return (after - 1)->line;
}

std::wstring lineNumbers(unsigned int first, unsigned int last) {
  return number(first) + (last == first ? L"" : L"-" + number(last));
}

std::wstring warningText(const Report& report, const Warning& warning) {
  const bool run = warning.last != warning.line;
  const std::wstring line = (run ? L"lines " : L"line ") + lineNumbers(warning.line, warning.last);
  switch (warning.kind) {
    case Warning::kByteOrderMark:
      return L"the file begins with a UTF-8 byte-order mark, which the reader skips";
    case Warning::kShadowing:
      return report.places[0].path + L" (as given) shadows " + report.places[1].path +
             L" beside the library: the factory reads the first";
    case Warning::kCommentAfterBlanks: {
      const std::wstring text = wide(lineOf(report, warning).text);
      return line +
             (run ? L" are not comments: blanks come before their '"
                  : L" is not a comment: blanks come before its '") +
             text[text.find_first_of(L";#")] + L"'";
    }
    case Warning::kEmptyValue:
      return line + L" gives " + keyOf(lineOf(report, warning).field) + L" an empty value";
    case Warning::kProviderIsPath:
      return L"the provider name " + quoted(report.provider) +
             L" is a path, not a bare name: the factory reads the file it leads to, wherever "
             L"that is; a client must not pass a name that it has not checked";
    case Warning::kNewerMajor:
      return L"the module was built against quor-interfaces " + report.builtAgainst +
             L", a newer major version than this library's " + report.library.version +
             L": it may need what this library lacks; use the library it was built against";
    default:
      return line + (run ? L" hold" : L" holds") +
             L" bytes that are not valid UTF-8, read as Latin-1 characters";
  }
}

// Whether the attempt failed with a code of the loader's, which is shown.
bool hasCode(const Attempt& attempt) {
  return attempt.outcome != Attempt::kLoaded && attempt.outcome != Attempt::kEnded &&
         attempt.outcome != Attempt::kTimedOut && attempt.outcome != Attempt::kMismatch;
}

std::wstring outcomeText(const Attempt& attempt) {
  const std::wstring text = kOutcomeTexts[attempt.outcome] + attempt.ending;
  if (!hasCode(attempt)) return text;
  return text + L" (error " + std::to_wstring(attempt.error) + L": " + attempt.errorText + L")";
}

// The state of a place, with the system's reason when it gives one.
std::wstring stateText(Place::State state, int error, const std::wstring& errorText) {
  const std::wstring text = kStateTexts[state];
  if (error == 0) return text;
  return text + L" (error " + std::to_wstring(error) + L": " + errorText + L")";
}

std::wstring missingValue(const Report& report, ProviderField field) {
  const unsigned int line = report.setBy[field];
  return keyOf(field) + (line == 0 ? L" is not set" : L" is empty (line " + number(line) + L")");
}

// What a dependency's state says: the file taken and the rule that found it,
// why none is looked for, where it was looked for, or why the file found
// will not do.
std::wstring dependencyText(const Dependency& dependency) {
  switch (dependency.state) {
    case Dependency::kFound:
      return dependency.path + L" (" + dependency.rule + L")";
    case Dependency::kProvided:
      return dependency.rule;
    case Dependency::kMissing: {
      std::wstring text = L"not found; looked for";
      const wchar_t* separator = L" ";
      for (const SearchPlace& place : dependency.lookedIn) {
        text += separator + (place.path.empty() ? L"it in the " + place.rule
                                                : place.path + L" (" + place.rule + L")");
        separator = L", ";
      }
      return text;
    }
    default:
      return dependency.path + L": " + dependency.problem;
  }
}

// The dependency's name, with the module that needs it when that is not the
// module itself: "libx.so.1, which /p/liby.so.2 needs,".
std::wstring dependencyName(const Dependency& dependency, const wchar_t* before,
                            const wchar_t* after) {
  std::wstring name;
  Quor::text::appendDecodedFileName(name, dependency.name.data(), dependency.name.size());
  return dependency.direct ? name : name + before + dependency.neededBy + after;
}

void addHeaderProblems(const ModuleHeaders& headers, std::vector<std::wstring>& found) {
  if (!headers.problem.empty()) {
    found.push_back(L"the module " + headers.path + L" will not load: it is " + headers.problem);
  }
  for (const Dependency& dependency : headers.dependencies) {
    if (dependency.state == Dependency::kMissing) {
      found.push_back(L"the module will not load: " +
                      dependencyName(dependency, L", which ", L" needs,") +
                      L" is not where the system looks");
    } else if (dependency.state == Dependency::kUnloadable) {
      found.push_back(L"the module will not load: " +
                      dependencyName(dependency, L", which ", L" needs,") + L" is " +
                      dependency.path + L": " + dependency.problem);
    }
  }
}

// Why the module asked to load did not, or is no manager module.
void addLoadProblem(const Report& report, std::vector<std::wstring>& found) {
  if (!found.empty()) {
    found.push_back(L"the module is not loaded: the factory loads none for this definition");
  } else if (!report.loadError.empty()) {
    found.push_back(L"the module did not load: " + report.loadError);
  } else if (report.loadedFile.empty()) {
    const Attempt& failure = report.failure();
    found.push_back(L"the module did not load: " + failure.path + L": " +
                    kOutcomeTexts[failure.outcome] + failure.ending +
                    (hasCode(failure) ? L" (error " + std::to_wstring(failure.error) + L")" : L""));
  } else if (!report.entryPoint) {
    found.push_back(L"the module does not export " + std::wstring(kEntryPoint) +
                    L": it is not a manager module");
  }
}

// A pin that is no digest or that the module file does not match: either way
// the factory loads no module.
void addPinProblem(const Report& report, std::vector<std::wstring>& found) {
  const std::wstring& sha256 = report.values[Quor::detail::kProviderSha256];
  if (report.pinMalformed) {
    found.push_back(L"provider.sha256 is not 64 hexadecimal digits: the factory loads no module");
  } else if (pinMismatch(report)) {
    found.push_back(L"the module " + report.moduleFile +
                    L" is not the one that provider.sha256 pins: expected " + sha256 + L", found " +
                    report.foundDigest);
  }
}

// What keeps the status from 0, in words.
std::vector<std::wstring> problems(const Report& report) {
  std::vector<std::wstring> found;
  if (report.file.empty()) {
    found.push_back(L"no definition file " + report.definition + L" in the places looked at");
    return found;
  }
  addPinProblem(report, found);
  for (ProviderField field : {kProviderName, kProviderImplementation}) {
    if (report.values[field].empty()) found.push_back(missingValue(report, field));
  }
  if (report.loadAsked) addLoadProblem(report, found);
  if (report.headersTell()) addHeaderProblems(report.headers, found);
  // The factory loads all the same, so these come after the load's verdict.
  for (const auto& [path, writers] : report.untrusted) {
    found.push_back(path + L" can be changed by others than root and this user (" + writers + L")");
  }
  return found;
}

const wchar_t* statusText(int status) {
  if (status == 1) return L"a definition problem";
  if (status == 2) return L"a load problem";
  return L"all is well";
}

std::wstring libraryText(const Library& library) {
  if (!library.path.empty()) return library.path;
  return L"not found (" + library.error + L"), so only the current directory is looked at";
}

// Writes text as lines of UTF-8 to a stream, a block at a time: the tool's own
// words (literals) as they are, any other text, which comes from a file or the
// system, through shown().
class Text {
 public:
  explicit Text(std::FILE* out) : out_(out) {}
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  ~Text() { flush(); }

  Text& operator<<(const wchar_t* words) {
    Quor::text::appendUtf8(buffer_, words, std::wcslen(words));
    return written();
  }
  Text& operator<<(const std::wstring& text) {
    buffer_ += shown(text);
    return written();
  }
  // Bytes that are already UTF-8 and safe to show.
  Text& raw(const std::string& bytes) {
    buffer_ += bytes;
    return written();
  }
  void flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    std::fflush(out_);
    buffer_.clear();
  }

 private:
  Text& written() {
    if (buffer_.size() >= 65536) flush();
    return *this;
  }

  std::FILE* out_;
  std::string buffer_;
};

// `text`, or null when it is empty.
Json optional(const std::wstring& text) { return text.empty() ? Json() : Json(utf8(text)); }

// On one line, in ASCII: every other character escaped as \uNNNN (DEL and the
// C1 controls among them), so that JSON read on a terminal cannot act on it.
// utf8() gives valid UTF-8 only, which dump() requires.
std::string dumped(const Json& json) { return json.dump(-1, ' ', true); }

// Writes one JSON object, member by member, as dumped() would write it whole:
// an array member may be written item by item.
class JsonObject {
 public:
  explicit JsonObject(std::FILE* out) : out_(out) {}

  JsonObject& member(const char* name, const Json& value) {
    key(name);
    out_.raw(dumped(value));
    return *this;
  }
  void beginArray(const char* name) {
    key(name);
    out_.raw("[");
    firstItem_ = true;
  }
  void item(const Json& value) {
    out_.raw(firstItem_ ? "" : ",").raw(dumped(value));
    firstItem_ = false;
  }
  void endArray() { out_.raw("]"); }
  void end() { out_.raw(first_ ? "{}\n" : "}\n"); }

 private:
  void key(const char* name) {
    out_.raw(first_ ? "{" : ",").raw(dumped(Json(name))).raw(":");
    first_ = false;
  }

  Text out_;
  bool first_ = true;
  bool firstItem_ = true;
};

void addLibrary(JsonObject& json, const Library& library) {
  json.member("library", optional(library.path));
  if (library.path.empty()) json.member("libraryError", utf8(library.error));
}

// The system's reason for a state, when it gives one.
void addError(Json& item, int error, const std::wstring& errorText) {
  if (error == 0) return;
  item["error"] = error;
  item["errorText"] = utf8(errorText);
}

const char* const kFormatNames[] = {"none", "elf", "pe"};
const char* const kDependencyStates[] = {"found", "provided", "missing", "unloadable"};

// Names from a file's headers, which may be any bytes, as JSON strings.
Json names(const std::vector<std::string>& bytes) {
  Json list = Json::array();
  for (const std::string& name : bytes) {
    std::wstring text;
    Quor::text::appendDecodedFileName(text, name.data(), name.size());
    list.push_back(utf8(text));
  }
  return list;
}

Json headersJson(const ModuleHeaders& headers) {
  if (headers.path.empty()) return Json();
  const BinaryHeaders& read = headers.headers;
  Json format = {{"kind", kFormatNames[read.format.kind]},
                 {"description", utf8(describe(read.format))},
                 {"machine", read.format.machine},
                 {"bits", read.format.bits},
                 {"library", read.library}};
  Json item = {{"path", utf8(headers.path)},
               {"besideLibrary", headers.besideLibrary},
               {"format", format},
               {"damage", optional(std::wstring(read.damage.begin(), read.damage.end()))},
               {"problem", optional(headers.problem)},
               {"needed", names(read.needed)},
               {"runPath", names(read.runPath)},
               {"rPath", names(read.rPath)}};
  Json dependencies = Json::array();
  for (const Dependency& dependency : headers.dependencies) {
    Json entry = {{"name", names({dependency.name})[0]},
                  {"neededBy", utf8(dependency.neededBy)},
                  {"state", kDependencyStates[dependency.state]},
                  {"path", optional(dependency.path)},
                  {"rule", optional(dependency.rule)},
                  {"problem", optional(dependency.problem)}};
    if (dependency.state == Dependency::kMissing) {
      Json places = Json::array();
      for (const SearchPlace& place : dependency.lookedIn) {
        places.push_back({{"path", optional(place.path)}, {"rule", utf8(place.rule)}});
      }
      entry["lookedIn"] = places;
    }
    dependencies.push_back(entry);
  }
  item["dependencies"] = dependencies;
  item["truncated"] = headers.truncated;
  return item;
}

// The pinned digest and the module file's, when provider.sha256 is set.
void writePin(Text& out, const Report& report) {
  const std::wstring& sha256 = report.values[Quor::detail::kProviderSha256];
  if (sha256.empty()) return;
  out << L"SHA-256 of the module:\n"
      << L"  expected: " << sha256 << L"\n"
      << L"  found:    "
      << (report.foundDigest.empty() ? std::wstring(L"no module file to hash")
                                     : report.foundDigest + L" (" + report.moduleFile + L")")
      << L"\n";
}

}  // namespace

std::string shown(const std::wstring& text) {
  std::string out;
  char escape[8];
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!textEscape(static_cast<unsigned long>(text[i]), escape)) continue;
    Quor::text::appendUtf8(out, text.c_str() + from, i - from);
    out += escape;
    from = i + 1;
  }
  Quor::text::appendUtf8(out, text.c_str() + from, text.size() - from);
  return out;
}

void writeText(const Report& report, std::FILE* stream) {
  Text out(stream);
  out << L"Definition file " << report.definition << L"\n";
  out << L"  current directory: " << report.currentDirectory << L"\n";
  out << L"  library: " << libraryText(report.library) << L"\n";
  out << L"Looked for:\n";
  for (const Place& place : report.places) {
    out << L"  " << (place.besideLibrary ? L"[beside the library] " : L"[as given] ") << place.path
        << L": " << stateText(place.state, place.error, place.errorText) << L"\n";
  }
  if (!report.file.empty()) {
    out << L"Lines of " << report.file << L":\n";
    for (const Line& entry : report.lines) {
      const unsigned int first = entry.line.number;
      out << L"  " << lineNumbers(first, entry.last);
      if (entry.last != first) out << L" (" << number(entry.last - first + 1) << L" lines)";
      out << L": " << wide(entry.line.text) << L"\n" << L"     " << verdict(entry) << L"\n";
    }
    out << L"Values:\n";
    for (int i = 0; i < kProviderFieldCount; ++i) {
      const ProviderField field = static_cast<ProviderField>(i);
      if (field == Quor::detail::kProviderSha256 && report.setBy[field] == 0) continue;
      out << L"  " << keyOf(field) << L" = " << quoted(report.values[field])
          << (report.setBy[field] == 0 ? L" (not set)"
                                       : L" (line " + number(report.setBy[field]) + L")")
          << L"\n";
    }
  }
  writePin(out, report);
  if (!report.warnings.empty()) out << L"Warnings:\n";
  for (const Warning& warning : report.warnings) {
    out << L"  " << warningText(report, warning) << L"\n";
  }
  if (!report.attempts.empty()) {
    out << L"Loading " << report.values[kProviderImplementation] << L":\n";
    for (const Attempt& attempt : report.attempts) {
      out << L"  " << (attempt.besideLibrary ? L"[beside the library] " : L"[as written] ")
          << attempt.path << L": " << outcomeText(attempt) << L"\n";
    }
  }
  if (!report.loadedFile.empty()) {
    out << L"Module " << report.loadedFile << L"\n"
        << L"  version: " << (report.version.empty() ? L"none" : report.version) << L"\n"
        << L"  built against "
        << (report.builtAgainst.empty() ? L"a version it does not record" : report.builtAgainst)
        << L", this library is "
        << (report.library.version.empty() ? L"of no recorded version" : report.library.version)
        << L"\n"
        << L"  entry point " << kEntryPoint << L": "
        << (report.entryPoint ? L"exported" : L"not exported") << L"\n";
  }
  const ModuleHeaders& headers = report.headers;
  if (!headers.path.empty()) {
    out << L"Headers of " << headers.path
        << (headers.besideLibrary ? L" [beside the library]" : L"")
        << L", read without loading it:\n  "
        << (headers.problem.empty()
                ? describe(headers.headers.format) + L", a module for this process"
                : L"will not load: it is " + headers.problem)
        << L"\n";
    for (const Dependency& dependency : headers.dependencies) {
      out << L"  " << (dependency.direct ? L"needs " : L"")
          << dependencyName(dependency, L" (needed by ", L")") << L": "
          << dependencyText(dependency) << L"\n";
    }
    if (headers.truncated)
      out << L"  (too many modules or places to look at: the rest not examined)\n";
  }
  if (!report.hints.empty()) out << L"Hints:\n";
  for (const std::wstring& hint : report.hints) out << L"  " << hint << L"\n";
  const std::vector<std::wstring> found = problems(report);
  if (!found.empty()) out << L"Problems:\n";
  for (const std::wstring& problem : found) out << L"  " << problem << L"\n";
  out << L"Status " << std::to_wstring(report.status()) << L": " << statusText(report.status())
      << L"\n";
}

void writeJson(const Report& report, std::FILE* stream) {
  JsonObject json(stream);
  json.member("definition", utf8(report.definition));
  json.member("currentDirectory", utf8(report.currentDirectory));
  addLibrary(json, report.library);
  Json places = Json::array();
  for (const Place& place : report.places) {
    Json item = {{"path", utf8(place.path)},
                 {"besideLibrary", place.besideLibrary},
                 {"state", kStateNames[place.state]}};
    addError(item, place.error, place.errorText);
    places.push_back(item);
  }
  json.member("places", places);
  json.member("file", optional(report.file));
  json.beginArray("lines");
  for (const Line& entry : report.lines) {
    const DefinitionLine& line = entry.line;
    Json item = {{"number", line.number}};
    if (entry.last != line.number) item["lastNumber"] = entry.last;
    item["text"] = utf8(line.text);
    item["kind"] = kKindNames[line.kind];
    if (line.kind == DefinitionLine::kNoEquals || line.kind == DefinitionLine::kEmptyKey) {
      item["reason"] = ignoredBecause(line).code;
    }
    if (line.kind == DefinitionLine::kKey || line.kind == DefinitionLine::kUnknownKey) {
      item["key"] = utf8(line.key);
      item["value"] = utf8(line.value);
    }
    if (line.kind == DefinitionLine::kKey) item["sets"] = utf8(keyOf(line.field));
    if (entry.overriddenBy != 0) item["overriddenBy"] = entry.overriddenBy;
    item["validUtf8"] = line.validUtf8;
    json.item(item);
  }
  json.endArray();
  Json values = Json::object();
  for (int i = 0; i < kProviderFieldCount; ++i) {
    const ProviderField field = static_cast<ProviderField>(i);
    if (field == Quor::detail::kProviderSha256 && report.setBy[field] == 0) continue;
    values[utf8(keyOf(field))] = utf8(report.values[field]);
  }
  json.member("values", values);
  if (!report.values[Quor::detail::kProviderSha256].empty()) {
    json.member("sha256", {{"expected", utf8(report.values[Quor::detail::kProviderSha256])},
                           {"found", optional(report.foundDigest)},
                           {"module", optional(report.moduleFile)}});
  }
  json.beginArray("warnings");
  for (const Warning& warning : report.warnings) {
    Json item = {{"kind", kWarningNames[warning.kind]}, {"line", warning.line}};
    if (warning.last != warning.line) item["lastLine"] = warning.last;
    item["message"] = utf8(warningText(report, warning));
    json.item(item);
  }
  json.endArray();
  if (report.loadAsked) {
    Json attempts = Json::array();
    for (const Attempt& attempt : report.attempts) {
      Json item = {{"path", utf8(attempt.path)},
                   {"besideLibrary", attempt.besideLibrary},
                   {"outcome", kOutcomeNames[attempt.outcome]}};
      if (hasCode(attempt)) {
        item["error"] = attempt.error;
        item["errorText"] = utf8(attempt.errorText);
      }
      if (!attempt.ending.empty()) item["ending"] = utf8(attempt.ending);
      attempts.push_back(item);
    }
    json.member("load", {{"attempts", attempts},
                         {"module", optional(report.loadedFile)},
                         {"version", optional(report.version)},
                         {"builtAgainst", optional(report.builtAgainst)},
                         {"libraryVersion", optional(report.library.version)},
                         {"entryPoint", report.entryPoint},
                         {"cppEntryPoint", optional(report.cppEntryPoint)}});
  }
  json.member("headers", headersJson(report.headers));
  Json advice = Json::array();
  for (const std::wstring& hint : report.hints) advice.push_back(utf8(hint));
  json.member("hints", advice);
  Json found = Json::array();
  for (const std::wstring& problem : problems(report)) found.push_back(utf8(problem));
  json.member("problems", found);
  json.member("status", report.status());
  json.end();
}

void writeText(const Listing& listing, std::FILE* stream) {
  Text out(stream);
  out << L"Current directory " << listing.currentDirectory << L"\n";
  out << L"Library " << libraryText(listing.library) << L"\n";
  for (const Listed& listed : listing.files) {
    out << L"  " << (listed.besideLibrary ? L"[beside the library] " : L"[current directory] ")
        << listed.path << L": ";
    if (listed.state != Place::kRead) {
      out << stateText(listed.state, listed.error, listed.errorText);
    } else {
      out << L"provider " << quoted(listed.name) << L", module " << quoted(listed.implementation);
      if (listed.name.empty() || listed.implementation.empty()) out << L" (incomplete)";
    }
    if (listed.shadowed) out << L" (shadowed by the file in the current directory)";
    out << L"\n";
    const std::wstring warning = unreachableByName(listed);
    if (!warning.empty()) out << L"    warning: " << warning << L"\n";
  }
  if (listing.files.empty()) out << L"No definition files\n";
}

void writeJson(const Listing& listing, std::FILE* stream) {
  JsonObject json(stream);
  json.member("currentDirectory", utf8(listing.currentDirectory));
  addLibrary(json, listing.library);
  Json files = Json::array();
  for (const Listed& listed : listing.files) {
    Json item = {{"path", utf8(listed.path)},
                 {"besideLibrary", listed.besideLibrary},
                 {"readable", listed.state == Place::kRead},
                 {"state", kStateNames[listed.state]}};
    addError(item, listed.error, listed.errorText);
    item["shadowed"] = listed.shadowed;
    item["name"] = utf8(listed.name);
    item["implementation"] = utf8(listed.implementation);
    item["warning"] = optional(unreachableByName(listed));
    files.push_back(item);
  }
  json.member("files", files);
  json.member("status", listing.status());
  json.end();
}

}  // namespace quor_inspect
