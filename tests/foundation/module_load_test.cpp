// Loads the shared library at run time, as a client that links it late does,
// and watches its log through zolog's handler.
#include <zolog/zolog.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/dynamic_library.h"

namespace {

using Lines = std::vector<std::tuple<std::wstring, int, std::wstring>>;

// On Windows, a thread that starts and ends is announced too, once each.
TEST(ModuleLoadTest, LoadingLogsExactlyTheAttachLinesUnloadingNothingAndReloadingAttachesAgain) {
  static Lines lines;  // outlives the test if an assertion ends it
  zologSetLevelMask(ZOLOG_ALL);
  zologSetHandler([](void*, const wchar_t* module, int level,
                     const wchar_t* message) { lines.emplace_back(module, level, message); },
                  nullptr);
  const std::string version = QUOR_LIBRARY_VERSION;  // not this program's 9.8.7.6
  const std::wstring dll = L"quor-pell-interfaces::DllMain: ";
  for (int round = 0; round < 2; ++round) {
    void* library = quor_test::openLibrary(QUOR_LIBRARY_PATH);
    ASSERT_NE(library, nullptr) << quor_test::libraryError();
    wchar_t handle[40];
    std::swprintf(handle, 40, L"(hModule=0x%llx)",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(library)));
    Lines expected = {{L"PELLAPI", ZOLOG_WARNING, dll + L"Dll Attach process " + handle},
                      {L"PELLAPI", ZOLOG_DETAIL,
                       dll + L"Client Version = " + std::wstring(version.begin(), version.end())}};
#if defined(_WIN32)
    std::thread([] {}).join();
    for (const wchar_t* change : {L"Attach", L"Detach"})
      expected.emplace_back(L"PELLAPI", ZOLOG_WARNING,
                            dll + L"Dll " + change + L" thread " + handle);
#endif
    EXPECT_EQ(lines, expected) << "round " << round;
    lines.clear();
    quor_test::closeLibrary(library);
    EXPECT_TRUE(lines.empty());
  }
  zologSetHandler(nullptr, nullptr);
}

}  // namespace
