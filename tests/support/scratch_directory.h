// A fixture for tests that make files: each test runs in a new temporary
// directory, its current directory, which is removed with all it holds when the
// test ends, together with the paths that the test took with ownPath().
#ifndef QUOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
#define QUOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

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
    fs::current_path(previous_);
    std::error_code ignored;
    for (const fs::path& path : removed_) fs::remove_all(path, ignored);
  }

  // `directory` / (name_ + `suffix`), removed when the test ends.
  fs::path ownPath(const fs::path& directory, const std::string& suffix = "") {
    removed_.push_back(directory / (name_ + suffix));
    return removed_.back();
  }

  const fs::path previous_ = fs::current_path();
  const std::string name_ = "quor-test-" + std::to_string(std::random_device()());
  std::vector<fs::path> removed_;
  const fs::path directory_ = ownPath(fs::temp_directory_path());
};

}  // namespace quor_test

#endif  // QUOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
