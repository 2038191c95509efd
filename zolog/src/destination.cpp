#include "destination.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform.h"

namespace zolog_output {

Destination::~Destination() {
  if (file_ != nullptr) std::fclose(file_);
}

std::FILE* Destination::file() {
  if (!chosen_) {
    chosen_ = true;
    if (const char* path = zolog_platform::environmentSetting("ZOLOG_FILE")) {
      if (*path != '\0') file_ = zolog_platform::openForAppend(path);
      if (file_ != nullptr) {
        path_ = path;
      } else {
        std::fprintf(stderr, "zolog: cannot open ZOLOG_FILE=%s; logging to standard error\n", path);
      }
    }
  }
  return file_ != nullptr ? file_ : stderr;
}

bool Destination::write(const std::string& line) {
  std::FILE* const to = file();
  const bool whole = std::fwrite(line.data(), 1, line.size(), to) == line.size();
  const bool written = std::fflush(to) == 0 && whole;
  if (!written && to != stderr && !failureReported_) {
    failureReported_ = true;
    std::fprintf(stderr, "zolog: cannot write to ZOLOG_FILE=%s (%s); log lines are being lost\n",
                 path_.c_str(), std::strerror(errno));
  }
  return written;
}

}  // namespace zolog_output
