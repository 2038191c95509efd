// The operating-system layer of quor-interfaces: module handles, module
// loading, version records and files. One implementation per platform
// (posix/platform_posix.cpp, win32/platform_win32.cpp), chosen by the build.
// Everything above this layer is portable.
#ifndef QUOR_SRC_PLATFORM_PLATFORM_H_
#define QUOR_SRC_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdio>

#include "quor/platform.h"
#include "quor/tstring.h"

namespace Quor {
namespace platform {

// The handle of the module (shared library or executable) that contains
// `address`, or null when no loaded module contains it. Adds no reference.
HINSTANCE moduleContaining(const void* address);

// Reads the version record that quor_add_version_record() stamped into
// `module` (null: the process's main executable) from the loaded module's
// memory. Returns true iff the module carries one, and then stores its four
// parts, most significant first, in `parts`.
bool moduleFileVersion(HINSTANCE module, unsigned short parts[4]);

// The separator between a directory and a file name in the paths that the
// platform's functions give: '\\' on Windows, '/' elsewhere.
wchar_t directorySeparator();

// The full path of the file from which `module` was loaded (null: the main
// executable), or an empty text when it cannot be had.
TString moduleFileName(HINSTANCE module);

// The address that `module` exports under `name`, or null when it exports
// nothing by that name.
void* moduleSymbol(HINSTANCE module, const char* name);

// Loads the module at `path`; a bare name is looked for along the platform's
// search path for modules, a relative path from the current directory.
// Returns the module's handle with one more reference, which the caller owns,
// or null, with the reason in lastLoadError() and lastLoadErrorText().
//
// Two paths are not handed to the system's loader, which would block or crash
// on them: a path longer than the system's limit for path names, refused with
// the system's code for a name too long; and a path that names a special file
// (a FIFO, a device, a socket: anything but a regular file or a directory)
// when it is checked, refused as not a module (lastLoadRefused()). The check
// and the loader's own opening of the file are two lookups of the path, and
// no system offers a way to load a module from a file already opened that
// keeps the module's own path (what it reports for itself): a special file
// put in place between the two, by renaming it over the module or over a
// directory on its path, reaches the loader, and a FIFO then blocks the
// caller (and, on Linux, every thread that loads a module or starts a
// thread) until a writer comes. The check therefore keeps out only what was
// there when it looked. Whoever can rename files in the module's directory,
// or in any directory on its path, can as well put a module of their own
// there: such a directory, writable by others, defeats every check, and
// modules belong in directories that only trusted users can write to.
HINSTANCE loadModule(const TString& path);

// Gives back one reference to `module`, which loadModule() or
// loadModuleBeside() returned; a null `module` is ignored.
void releaseModule(HINSTANCE module);

// Loads the module at the full path `path` so that the modules it needs are
// looked for beside it first (on Windows, LOAD_WITH_ALTERED_SEARCH_PATH;
// elsewhere a module's own run path, such as $ORIGIN, already does that).
// Results and refusals as loadModule().
HINSTANCE loadModuleBeside(const TString& path);

// The code of this thread's last failed load: GetLastError() on Windows;
// elsewhere the errno value behind the loader's message, such as ENOENT when
// the file or a module that it needs does not exist, EACCES, ELOOP or ENOMEM,
// and ENOEXEC when the file is not a module that this process can load (wrong
// format or architecture, a symbol it needs is missing, a special file). The
// system's loader on Linux gives only a message: its number is the one whose
// description ends the message; the message that glibc gives when it has no
// memory left even for the message is ENOMEM; any other message, which names
// no error of the system, is ENOEXEC.
int lastLoadError();

// Whether this thread's last failed load was refused because its path names
// a special file; lastLoadError() is then the code for a file that is not a
// module.
bool lastLoadRefused();

// Whether `code`, a lastLoadError(), says only that nothing was found at the
// path, so that the code of another attempt, which found something, tells
// more.
bool isNotFoundError(int code);

// Whether `code`, a lastLoadError(), says that the loader found a file that
// it cannot load into this process: no module, one for another architecture,
// a special file (on Linux also a module that lacks a symbol that it needs).
bool isNotAModuleError(int code);

// Whether the loader looks for `path` along its search path for modules
// rather than at one place: a bare name everywhere, and on Windows any
// relative path.
bool isSearchedModulePath(const TString& path);

// The platform's description of this thread's last failed load.
TString lastLoadErrorText();

// Whether the process runs with more rights than the user who started it, so
// that what that user controls (the current directory, a relative path) must
// not choose the code it runs: on Linux a set-user-ID or set-group-ID program
// or one with file capabilities, as the kernel tells the process
// (AT_SECURE). Never on Windows, which has no such programs: an elevated
// process runs for the user who started it, with rights that user holds, and
// Windows gives an elevated token (and Wine gives every process one) whether
// or not a less trusted user chose the current directory.
bool isPrivilegedProcess();

// Whether `path` names one place whatever the current directory: on Linux a
// path that begins with '/'; on Windows a drive with its root (C:\x) or a
// network or device path (\\server\x).
bool isAbsolutePath(const TString& path);

// A SHA-256 digest.
constexpr std::size_t kDigestSize = 32;
struct Digest {
  unsigned char bytes[kDigestSize] = {};
};

// Hashes the regular file at `path` with the system's SHA-256 (OpenSSL's
// libcrypto; BCrypt on Windows) into `*digest`. Returns false, with the
// system's code in `*error`, when it cannot be opened or read, and with the
// code for no module when it is no regular file.
bool hashFile(const TString& path, Digest* digest, int* error);

// Loads the module at `path` as loadModule() or, when `beside`,
// loadModuleBeside() does, but only when the file's SHA-256 digest is
// `expected`, and from the file that was hashed: on Linux through the open
// descriptor (/proc/self/fd), which stays open while the process runs so that
// the path that the module reports for itself (dladdr, $ORIGIN) still leads
// to its file; on Windows while a handle that denies writers and renames
// holds the file, so the module keeps its own path. A name that the loader
// searches for (isSearchedModulePath()) is not loaded: the file that a search
// finds cannot be hashed first; its code is then the platform's code for a
// module not found. The digest of a file that was read is stored in `*found`;
// a digest other than `expected` is not loaded, and lastLoadMismatch() then
// says so.
HINSTANCE loadPinnedModule(const TString& path, bool beside, const Digest& expected, Digest* found);

// Whether this thread's last failed load was of a file whose digest differs
// from the one expected.
bool lastLoadMismatch();

// What lets others than the process's own user and root change the file at
// `path`, in words ("writable by its group", "its directory is writable by
// others", "owned by user 1000"), separated by ", "; empty when nothing does
// or the file cannot be examined. Linux looks at the file's and its
// directory's owners and modes (a sticky directory, such as /tmp, keeps
// others from replacing a file they do not own); Windows at the file's access
// list, for write access by Everyone, Users or Authenticated Users.
TString untrustedWriters(const TString& path);

// untrustedWriters() of the file at `path`, open as `file`: on Linux the open
// file itself is examined, with the directory that `path` names.
TString untrustedWriters(const TString& path, std::FILE* file);

// untrustedWriters() of the loaded `module`'s file, its full path as
// moduleFileName() gives it: stored in `*path` when the result is not empty.
TString untrustedModuleWriters(HINSTANCE module, TString* path);

// What openForReading() found at a path.
enum class FileState {
  kOpened,     // a regular file, opened
  kAbsent,     // nothing there: no such file, or no such directory on the way
  kDirectory,  // a directory, which is no file
  kSpecial,    // a special file (see loadModule()): not opened for reading
  kFailed,     // something that cannot be opened: FileOpening::error says why
};

struct FileOpening {
  FileState state = FileState::kAbsent;
  int error = 0;  // kFailed: the system's code (errno; GetLastError() on Windows)
};

// Opens the regular file at `path` to read its bytes, or returns null. A
// special file is not opened for reading, which could block or never end. The
// caller closes the file with std::fclose. What was found is stored in
// `*opening`, if given.
std::FILE* openForReading(const TString& path, FileOpening* opening = nullptr);

// The system's description of `code`, one of its error codes (errno values;
// GetLastError() values on Windows), in the language of the process's locale.
TString systemErrorText(int code);

#if !defined(_WIN32)
// The error number behind a message of the system's loader, as lastLoadError()
// describes; exposed for tests.
int loadErrorNumber(const char* message);
#endif

}  // namespace platform
}  // namespace Quor

#endif  // QUOR_SRC_PLATFORM_PLATFORM_H_
