// quor-inspect on Windows: paths and arguments are UTF-16, as the system
// holds them.
#include "platform.h"

namespace quor_inspect {

std::filesystem::path toPath(const std::wstring& path) { return std::filesystem::path(path); }

std::wstring fromPath(const std::filesystem::path& path) { return path.wstring(); }

const wchar_t* pathCharacters() { return L"/\\:"; }

}  // namespace quor_inspect

// Built with -municode.
int wmain(int argc, wchar_t** argv) {
  return quor_inspect::run(std::vector<std::wstring>(argv + 1, argv + argc));
}
