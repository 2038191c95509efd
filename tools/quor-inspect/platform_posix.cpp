// quor-inspect on Linux and other POSIX systems: paths and arguments are
// UTF-8 bytes.
#include <cstring>

#include "platform.h"
#include "quor_text/utf8.h"

namespace quor_inspect {

std::filesystem::path toPath(const std::wstring& path) {
  std::string bytes;
  Quor::text::appendFileNameBytes(bytes, path.c_str(), path.size());
  return std::filesystem::path(bytes);
}

std::wstring fromPath(const std::filesystem::path& path) {
  std::wstring wide;
  const std::string& bytes = path.native();
  Quor::text::appendDecodedFileName(wide, bytes.data(), bytes.size());
  return wide;
}

const wchar_t* pathCharacters() { return L"/"; }

}  // namespace quor_inspect

int main(int argc, char** argv) {
  std::vector<std::wstring> arguments(argc > 0 ? argc - 1 : 0);
  for (int i = 1; i < argc; ++i) {
    Quor::text::appendDecodedUtf8(arguments[i - 1], argv[i], std::strlen(argv[i]));
  }
  return quor_inspect::run(arguments);
}
