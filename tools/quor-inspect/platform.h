// What quor-inspect does differently on each platform, beside the library's
// own OS layer: file system paths from the library's wide text, which
// characters make a provider name a path, running the program again as a
// child process, and the program's entry, which hands the command line to
// run() as wide text. One implementation per
// platform (platform_posix.cpp, platform_win32.cpp), chosen by the build.
#ifndef QUOR_TOOLS_QUOR_INSPECT_PLATFORM_H_
#define QUOR_TOOLS_QUOR_INSPECT_PLATFORM_H_

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace quor_inspect {

// The file system's path for `path`, and back: UTF-16 on Windows, UTF-8
// elsewhere, whatever the locale, with the bytes of a name that are not UTF-8
// kept as they are (quor_text/utf8.h).
std::filesystem::path toPath(const std::wstring& path);
std::wstring fromPath(const std::filesystem::path& path);

// The characters that give a name a directory part: '/', and on Windows also
// '\\' and the ':' of a drive (C:x is relative to that drive's current
// directory).
const wchar_t* pathCharacters();

// Whether the file names `a` and `b` name one file in a directory: equal,
// and on Windows also when only the case of letters differs.
bool sameFileName(const std::wstring& a, const std::wstring& b);

// How a child process ended.
struct ChildEnd {
  enum Kind {
    kExited,    // it ended by itself, or by a signal or an exception: description says how
    kTimedOut,  // it had not ended at the time limit, and was stopped
  };
  Kind kind = kExited;
  int code = 0;              // kExited: the exit status; -1 when a signal ended it
  std::wstring description;  // "exit code 3", "signal SIGABRT (Aborted)", "exception 0xc0000005"
};

// Runs this program again with `arguments`, collects what it writes to its
// standard output into `output`, and stops it when it has not ended after
// `seconds`. Its standard error is this program's, and its environment too,
// but for ZOLOG_LEVEL=0: the library's lines, its notice of the attach among
// them, stay out of standard error, as they do in this program once it runs.
// Returns false, with nothing run, when it cannot be started.
bool runSelf(const std::vector<std::wstring>& arguments, unsigned int seconds, std::string& output,
             ChildEnd& end);

// Sets the program's standard output aside for the caller: returns a stream
// that writes to it, and from then on what else writes to standard output
// (a module's code, say) goes to standard error.
std::FILE* takeStandardOutput();

// The program, given its arguments without the program's name; returns the
// exit status. Defined in main.cpp, called by the platform's entry point.
int run(const std::vector<std::wstring>& arguments);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_PLATFORM_H_
