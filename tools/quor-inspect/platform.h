// What quor-inspect does differently on each platform, beside the library's
// own OS layer: file system paths from the library's wide text, which
// characters make a provider name a path, and the program's entry, which
// hands the command line to run() as wide text. One implementation per
// platform (platform_posix.cpp, platform_win32.cpp), chosen by the build.
#ifndef QUOR_TOOLS_QUOR_INSPECT_PLATFORM_H_
#define QUOR_TOOLS_QUOR_INSPECT_PLATFORM_H_

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

// The program, given its arguments without the program's name; returns the
// exit status. Defined in main.cpp, called by the platform's entry point.
int run(const std::vector<std::wstring>& arguments);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_PLATFORM_H_
