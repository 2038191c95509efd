// File names whose bytes are not UTF-8 (Linux): a module in such a directory
// is loaded, and its own path leads back to the files beside it.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "managers/paths.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using Quor::TString;

TEST(FileNamesTest, ANameThatIsNotUtf8ComesBackToItsOwnBytesThroughWideText) {
  // The temporary directory's own name is taken to be ASCII.
  const std::string temporary = fs::canonical(fs::temp_directory_path()).string();
  const std::string unique = std::to_string(std::random_device()());
  const fs::path directory = temporary + "/quor-bibl\xe9-" + unique;  // Latin-1 "biblé"
  fs::remove_all(directory);
  fs::create_directories(directory);
  fs::copy_file(QUOR_VERSIONED_MODULE_PATH, directory / "module.so");
  std::fclose(std::fopen((directory / "caf\xe9.ini").c_str(), "w"));

  const std::wstring path = std::wstring(temporary.begin(), temporary.end()) +
                            L"/quor-bibl\xdce9-" + std::wstring(unique.begin(), unique.end()) +
                            L"/module.so";
  const TString module(path.c_str());
  const Quor::HINSTANCE handle = Quor::platform::loadModule(module);
  ASSERT_NE(handle, nullptr) << Quor::platform::lastLoadError();
  EXPECT_TRUE(Quor::platform::moduleFileName(handle) == module);
  const TString beside = Quor::detail::pathBesideModule(handle, TString(L"caf\xdce9.ini"));
  std::FILE* file = Quor::platform::openForReading(beside);
  EXPECT_NE(file, nullptr);
  if (file != nullptr) std::fclose(file);
  fs::remove_all(directory);
}

}  // namespace
