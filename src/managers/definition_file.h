// The reader of factory definition files: one parser for the manager loader
// and for the tools that explain what it read.
//
// A file is UTF-8 text (a byte-order mark at its start is skipped; bytes that
// are not valid UTF-8 are taken as Latin-1, so files in a single-byte code
// page keep working) of lines ended by LF or CR LF, of any length, in a file
// of at most kDefinitionFileLimit bytes. A line is taken up to its first NUL
// character. Then:
//   - a first character ';' or '#' makes the line a comment;
//   - a line without '=', or whose first '=' is its first character, is
//     ignored (so are the empty line and a line that begins with NUL);
//   - otherwise the text before the first '=' is the key and the text after
//     it the value, both trimmed of blanks (space, tab, LF, VT, FF, CR). A
//     key that equals one of the five provider.* names without regard to the
//     case of A to Z sets that field of the provider record; the last
//     occurrence wins, also with an empty value.
//     Any other key is ignored.
#ifndef QUOR_SRC_MANAGERS_DEFINITION_FILE_H_
#define QUOR_SRC_MANAGERS_DEFINITION_FILE_H_

#include <cstddef>
#include <cstdio>

#include "quor/tstring.h"

namespace Quor {
namespace detail {

// The fields of a provider record, in the order their keys are matched.
enum ProviderField {
  kProviderName,
  kProviderDescription,
  kProviderImplementation,
  kProviderService,
  kProviderSha256,  // the module's SHA-256 digest; not handed back to the client
};

constexpr int kProviderFieldCount = 5;
// The fields handed back to the client as parameters: the first four.
constexpr int kProviderParameterCount = 4;

// The key that sets `field`: "provider.name", "provider.description",
// "provider.implementation", "provider.service" or "provider.sha256".
const wchar_t* providerKey(ProviderField field);

// The provider.* values of one factory definition file; empty when the file
// does not set them.
struct ProviderRecord {
  TString fields[kProviderFieldCount];

  TString& operator[](ProviderField field) { return fields[field]; }
  const TString& operator[](ProviderField field) const { return fields[field]; }
};

// What the reader made of one line.
struct DefinitionLine {
  enum Kind {
    kComment,     // begins with ';' or '#'
    kNoEquals,    // holds no '=' (or is empty, or begins with NUL): ignored
    kEmptyKey,    // its first '=' is its first character: ignored
    kKey,         // sets `field` to `value`
    kUnknownKey,  // a key that is none of the five: ignored
  };

  Kind kind = kNoEquals;
  unsigned int number = 0;              // 1 for the first line
  TString text;                         // the line without its line end, up to a NUL
  TString key;                          // trimmed; kKey and kUnknownKey only
  TString value;                        // trimmed; kKey and kUnknownKey only
  ProviderField field = kProviderName;  // kKey only
  bool beginsWithNul = false;           // the line's first character was NUL
  bool validUtf8 = true;                // false when some bytes were taken as Latin-1
};

// Receives what the reader made of a file, line by line.
class DefinitionObserver {
 public:
  // The file began with a UTF-8 byte-order mark, which was skipped.
  virtual void byteOrderMark() {}
  virtual void line(const DefinitionLine& line) = 0;

 protected:
  ~DefinitionObserver() = default;
};

// Classifies one line (already decoded, without its line end).
DefinitionLine parseDefinitionLine(const TString& text);

// The largest definition file read, in bytes. Real ones hold a few hundred;
// the limit keeps a file that is not one (a log, a disk image) from taking
// the client's memory.
constexpr std::size_t kDefinitionFileLimit = 1024 * 1024;

// Reads `file` to its end into `record` (whose fields are set only by the
// lines that set them) and reports each line to `observer`, if given. The
// caller opens and closes the file. A read error ends the file like its end.
// Returns false, having set and reported nothing, when the file holds more
// than kDefinitionFileLimit bytes.
bool readDefinitionFile(std::FILE* file, ProviderRecord* record, DefinitionObserver* observer);

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_MANAGERS_DEFINITION_FILE_H_
