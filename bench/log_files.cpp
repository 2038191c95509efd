#include "log_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace bench {

namespace {

namespace fs = std::filesystem;

class LogFiles {
 public:
  LogFiles() {
    std::string pattern = (fs::temp_directory_path() / "quor-bench-log-XXXXXX").string();
    if (mkdtemp(&pattern[0]) == nullptr) {
      std::fprintf(stderr, "logging benchmarks: cannot create a temporary directory\n");
      std::exit(1);
    }
    directory_ = pattern;
    const char* chosen = std::getenv("ZOLOG_FILE");
    if (chosen != nullptr && *chosen != '\0') {
      zolog_ = chosen;
      spdlog_ = (fs::path(zolog_).parent_path() / "spdlog-bench.log").string();
    } else {
      zolog_ = (directory_ / "zolog.log").string();
      spdlog_ = (directory_ / "spdlog.log").string();
      setenv("ZOLOG_FILE", zolog_.c_str(), 1);
    }
  }

  LogFiles(const LogFiles&) = delete;
  LogFiles& operator=(const LogFiles&) = delete;

  ~LogFiles() {
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }

  const std::string& zolog() const { return zolog_; }
  const std::string& spdlog() const { return spdlog_; }

 private:
  fs::path directory_;
  std::string zolog_;
  std::string spdlog_;
};

// Made while the program starts, before any benchmark logs a line.
const LogFiles files;

}  // namespace

const std::string& zologFilePath() { return files.zolog(); }

const std::string& spdlogFilePath() { return files.spdlog(); }

void emptyFile(const std::string& path) {
  if (truncate(path.c_str(), 0) != 0) {
    // A file not written yet has nothing to empty.
  }
}

long long fileSize(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : 0;
}

}  // namespace bench
