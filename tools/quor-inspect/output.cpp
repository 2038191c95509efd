#include "output.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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
                                     "empty-value",     "invalid-utf8", "provider-is-path"};
const char* const kStateNames[] = {"absent",   "unreadable", "read",
                                   "shadowed", "special",    "too-large"};
const char* const kOutcomeNames[] = {"loaded",        "no-such-file", "found-but-failed",
                                     "search-failed", "not-a-module", "refused"};

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
    L"not a regular file: not loaded"};

const DefinitionLine& lineOf(const Report& report, const Warning& warning) {
  return report.lines[warning.line - 1].line;
}

std::wstring warningText(const Report& report, const Warning& warning) {
  const std::wstring line = L"line " + number(warning.line);
  switch (warning.kind) {
    case Warning::kByteOrderMark:
      return L"the file begins with a UTF-8 byte-order mark, which the reader skips";
    case Warning::kShadowing:
      return report.places[0].path + L" (as given) shadows " + report.places[1].path +
             L" beside the library: the factory reads the first";
    case Warning::kCommentAfterBlanks: {
      const std::wstring text = wide(lineOf(report, warning).text);
      return line + L" is not a comment: blanks come before its '" +
             text[text.find_first_of(L";#")] + L"'";
    }
    case Warning::kEmptyValue:
      return line + L" gives " + keyOf(lineOf(report, warning).field) + L" an empty value";
    case Warning::kProviderIsPath:
      return L"the provider name " + quoted(report.provider) +
             L" is a path, not a bare name: the factory reads the file it leads to, wherever "
             L"that is; a client must not pass a name that it has not checked";
    default:
      return line + L" holds bytes that are not valid UTF-8, read as Latin-1 characters";
  }
}

std::wstring outcomeText(const Attempt& attempt) {
  const std::wstring text = kOutcomeTexts[attempt.outcome];
  if (attempt.outcome == Attempt::kLoaded) return text;
  return text + L" (error " + std::to_wstring(attempt.error) + L": " + attempt.errorText + L")";
}

std::wstring missingValue(const Report& report, ProviderField field) {
  const unsigned int line = report.setBy[field];
  return keyOf(field) + (line == 0 ? L" is not set" : L" is empty (line " + number(line) + L")");
}

// What keeps the status from 0, in words.
std::vector<std::wstring> problems(const Report& report) {
  std::vector<std::wstring> found;
  if (report.file.empty()) {
    found.push_back(L"no definition file " + report.definition + L" in the places looked at");
    return found;
  }
  for (ProviderField field : {kProviderName, kProviderImplementation}) {
    if (report.values[field].empty()) found.push_back(missingValue(report, field));
  }
  if (!report.loadAsked) return found;
  if (!found.empty()) {
    found.push_back(L"the module is not loaded: the factory loads none for this definition");
  } else if (report.loadedFile.empty()) {
    const Attempt& failure = report.failure();
    found.push_back(L"the module did not load: " + failure.path + L": " +
                    kOutcomeTexts[failure.outcome] + L" (error " + std::to_wstring(failure.error) +
                    L")");
  } else if (!report.entryPoint) {
    found.push_back(L"the module does not export " + std::wstring(kEntryPoint) +
                    L": it is not a manager module");
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

// Writes text as lines of UTF-8: the tool's own words (literals) as they are,
// any other text, which comes from a file or the system, through shown().
class Text {
 public:
  Text& operator<<(const wchar_t* words) {
    Quor::text::appendUtf8(out_, words, std::wcslen(words));
    return *this;
  }
  Text& operator<<(const std::wstring& text) {
    out_ += shown(text);
    return *this;
  }
  std::string str() const { return out_; }

 private:
  std::string out_;
};

// `text`, or null when it is empty.
Json optional(const std::wstring& text) { return text.empty() ? Json() : Json(utf8(text)); }

void addLibrary(Json& json, const Library& library) {
  json["library"] = optional(library.path);
  if (library.path.empty()) json["libraryError"] = utf8(library.error);
}

// On one line, in ASCII: every other character escaped as \uNNNN (DEL and the
// C1 controls among them), so that JSON read on a terminal cannot act on it.
// utf8() gives valid UTF-8 only, which dump() requires.
std::string dumped(const Json& json) { return json.dump(-1, ' ', true) + "\n"; }

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

std::string formatText(const Report& report) {
  Text out;
  out << L"Definition file " << report.definition << L"\n";
  out << L"  current directory: " << report.currentDirectory << L"\n";
  out << L"  library: " << libraryText(report.library) << L"\n";
  out << L"Looked for:\n";
  for (const Place& place : report.places) {
    out << L"  " << (place.besideLibrary ? L"[beside the library] " : L"[as given] ") << place.path
        << L": " << kStateTexts[place.state] << L"\n";
  }
  if (!report.file.empty()) {
    out << L"Lines of " << report.file << L":\n";
    for (const Line& entry : report.lines) {
      out << L"  " << number(entry.line.number) << L": " << wide(entry.line.text) << L"\n"
          << L"     " << verdict(entry) << L"\n";
    }
    out << L"Values:\n";
    for (int i = 0; i < kProviderFieldCount; ++i) {
      const ProviderField field = static_cast<ProviderField>(i);
      out << L"  " << keyOf(field) << L" = " << quoted(report.values[field])
          << (report.setBy[field] == 0 ? L" (not set)"
                                       : L" (line " + number(report.setBy[field]) + L")")
          << L"\n";
    }
  }
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
        << L"  entry point " << kEntryPoint << L": "
        << (report.entryPoint ? L"exported" : L"not exported") << L"\n";
  }
  const std::vector<std::wstring> found = problems(report);
  if (!found.empty()) out << L"Problems:\n";
  for (const std::wstring& problem : found) out << L"  " << problem << L"\n";
  out << L"Status " << std::to_wstring(report.status()) << L": " << statusText(report.status())
      << L"\n";
  return out.str();
}

std::string formatJson(const Report& report) {
  Json json;
  json["definition"] = utf8(report.definition);
  json["currentDirectory"] = utf8(report.currentDirectory);
  addLibrary(json, report.library);
  Json places = Json::array();
  for (const Place& place : report.places) {
    places.push_back({{"path", utf8(place.path)},
                      {"besideLibrary", place.besideLibrary},
                      {"state", kStateNames[place.state]}});
  }
  json["places"] = places;
  json["file"] = optional(report.file);
  Json lines = Json::array();
  for (const Line& entry : report.lines) {
    const DefinitionLine& line = entry.line;
    Json item = {
        {"number", line.number}, {"text", utf8(line.text)}, {"kind", kKindNames[line.kind]}};
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
    lines.push_back(item);
  }
  json["lines"] = lines;
  Json values = Json::object();
  for (int i = 0; i < kProviderFieldCount; ++i) {
    const ProviderField field = static_cast<ProviderField>(i);
    values[utf8(keyOf(field))] = utf8(report.values[field]);
  }
  json["values"] = values;
  Json warnings = Json::array();
  for (const Warning& warning : report.warnings) {
    warnings.push_back({{"kind", kWarningNames[warning.kind]},
                        {"line", warning.line},
                        {"message", utf8(warningText(report, warning))}});
  }
  json["warnings"] = warnings;
  if (report.loadAsked) {
    Json attempts = Json::array();
    for (const Attempt& attempt : report.attempts) {
      Json item = {{"path", utf8(attempt.path)},
                   {"besideLibrary", attempt.besideLibrary},
                   {"outcome", kOutcomeNames[attempt.outcome]}};
      if (attempt.outcome != Attempt::kLoaded) {
        item["error"] = attempt.error;
        item["errorText"] = utf8(attempt.errorText);
      }
      attempts.push_back(item);
    }
    json["load"] = {{"attempts", attempts},
                    {"module", optional(report.loadedFile)},
                    {"version", optional(report.version)},
                    {"entryPoint", report.entryPoint}};
  }
  Json found = Json::array();
  for (const std::wstring& problem : problems(report)) found.push_back(utf8(problem));
  json["problems"] = found;
  json["status"] = report.status();
  return dumped(json);
}

std::string formatText(const Listing& listing) {
  Text out;
  out << L"Current directory " << listing.currentDirectory << L"\n";
  out << L"Library " << libraryText(listing.library) << L"\n";
  for (const Listed& listed : listing.files) {
    out << L"  " << (listed.besideLibrary ? L"[beside the library] " : L"[current directory] ")
        << listed.path << L": ";
    if (listed.state != Place::kRead) {
      out << kStateTexts[listed.state];
    } else {
      out << L"provider " << quoted(listed.name) << L", module " << quoted(listed.implementation);
      if (listed.name.empty() || listed.implementation.empty()) out << L" (incomplete)";
    }
    if (listed.shadowed) out << L" (shadowed by the file in the current directory)";
    out << L"\n";
  }
  if (listing.files.empty()) out << L"No definition files\n";
  return out.str();
}

std::string formatJson(const Listing& listing) {
  Json json;
  json["currentDirectory"] = utf8(listing.currentDirectory);
  addLibrary(json, listing.library);
  Json files = Json::array();
  for (const Listed& listed : listing.files) {
    files.push_back({{"path", utf8(listed.path)},
                     {"besideLibrary", listed.besideLibrary},
                     {"readable", listed.state == Place::kRead},
                     {"state", kStateNames[listed.state]},
                     {"shadowed", listed.shadowed},
                     {"name", utf8(listed.name)},
                     {"implementation", utf8(listed.implementation)}});
  }
  json["files"] = files;
  json["status"] = listing.status();
  return dumped(json);
}

}  // namespace quor_inspect
