// zologu64 loaded and unloaded again and again by a program that does not
// link it, as a host loads and unloads a module that uses it: each unload
// gives back what zolog took.
#include <zolog/zolog.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "support/dynamic_library.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

const std::string kPath = std::filesystem::canonical(ZOLOG_LIBRARY_PATH).make_preferred().string();

template <typename Function>
Function* symbol(void* library, const char* name) {
  return reinterpret_cast<Function*>(quor_test::findSymbol(library, name));
}

// Loads zolog, logs a line to a handler and one to ZOLOG_FILE, and unloads it.
void loadLogAndUnload() {
  void* library = quor_test::openLibrary(kPath.c_str());
  ASSERT_NE(library, nullptr) << quor_test::libraryError();
  const auto setMask = symbol<decltype(zologSetLevelMask)>(library, "zologSetLevelMask");
  const auto setName = symbol<decltype(zologSetModuleName)>(library, "zologSetModuleName");
  const auto setHandler = symbol<decltype(zologSetHandler)>(library, "zologSetHandler");
  const auto log = symbol<decltype(zologLog)>(library, "zologLog");
  ASSERT_TRUE(setMask && setName && setHandler && log);
  int handled = 0;
  setMask(ZOLOG_ALL);
  setName(L"UNLOAD");
  setHandler([](void* count, const wchar_t*, int, const wchar_t*) { ++*static_cast<int*>(count); },
             &handled);
  EXPECT_EQ(log(nullptr, ZOLOG_FAILURE, L"to the handler"), 0);
  setHandler(nullptr, nullptr);
  EXPECT_EQ(log(nullptr, ZOLOG_FAILURE, L"to the file"), 0);
  EXPECT_EQ(handled, 1);
  quor_test::closeLibrary(library);
  ASSERT_EQ(quor_test::loadedLibrary(kPath.c_str()), nullptr) << "still loaded";
}

#if defined(__GLIBC__)
std::size_t memoryInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
#endif

TEST(ZologUnloadTest, EachUnloadGivesBackWhatTheLibraryTook) {
  constexpr int kCycles = 200;
  // A name of its own: another run of the suite may run this test at once.
  const std::string logFile =
      testing::TempDir() + "zolog_unload_test-" + std::to_string(std::random_device()()) + ".log";
  std::remove(logFile.c_str());
#if defined(_WIN32)
  _putenv_s("ZOLOG_FILE", logFile.c_str());
#else
  setenv("ZOLOG_FILE", logFile.c_str(), 1);
#endif
  loadLogAndUnload();  // the C runtime's first-use state (the time zone, say)
#if defined(__GLIBC__)
  const std::size_t before = memoryInUse();
#endif
  for (int i = 0; i < kCycles && !testing::Test::HasFailure(); ++i) loadLogAndUnload();
#if defined(__GLIBC__)
  EXPECT_LT(memoryInUse(), before + 16 * 1024);
#endif
  // Each load opened the file anew: its lines are all there.
  std::ifstream in(logFile);
  int lines = 0;
  for (std::string line; std::getline(in, line);) lines += line.find(": to the file") != line.npos;
  EXPECT_EQ(lines, kCycles + 1);
  in.close();
  std::remove(logFile.c_str());
}

}  // namespace
