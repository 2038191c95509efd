// A fixture for tests that make files: each test runs in a new temporary
// directory, its current directory, which is removed with all it holds when the
// test ends, together with the paths that the test took with ownPath() and the
// pipe of specialFile().
#ifndef QUOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
#define QUOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace quor_test {

namespace fs = std::filesystem;

inline void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class ScratchDirectoryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::create_directory(directory_));
    fs::current_path(directory_);
  }

  void TearDown() override {
#if defined(_WIN32)
    if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
#endif
    fs::current_path(previous_);
    std::error_code ignored;
    for (const fs::path& path : removed_) fs::remove_all(path, ignored);
  }

  // `directory` / (name_ + `suffix`), removed when the test ends.
  fs::path ownPath(const fs::path& directory, const std::string& suffix = "") {
    removed_.push_back(directory / (name_ + suffix));
    return removed_.back();
  }

  // A file that reading as a file would block on: a FIFO in the directory, or
  // on Windows a named pipe, which is in none.
  fs::path specialFile() {
#if defined(_WIN32)
    const std::string path = "\\\\.\\pipe\\" + name_;
    pipe_ = CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                             PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr);
    EXPECT_NE(pipe_, INVALID_HANDLE_VALUE);
#else
    const fs::path path = directory_ / "special.ini";
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
#endif
    return path;
  }

#if defined(_WIN32)
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
#endif
  const fs::path previous_ = fs::current_path();
  const std::string name_ = "quor-test-" + std::to_string(std::random_device()());
  std::vector<fs::path> removed_;
  const fs::path directory_ = ownPath(fs::temp_directory_path());
};

}  // namespace quor_test

#endif  // QUOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
