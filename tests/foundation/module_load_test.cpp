// Loads the shared library at run time, as a client that links it late does,
// and watches its log through zolog's handler.
#include <zolog/zolog.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/dynamic_library.h"

namespace {

using Lines = std::vector<std::tuple<std::wstring, int, std::wstring>>;

TEST(ModuleLoadTest, LoadingLogsExactlyTheAttachLinesUnloadingNothingAndReloadingAttachesAgain) {
  static Lines lines;  // outlives the test if an assertion ends it
  zologSetLevelMask(ZOLOG_ALL);
  zologSetHandler([](void*, const wchar_t* module, int level,
                     const wchar_t* message) { lines.emplace_back(module, level, message); },
                  nullptr);
  const std::string version = QUOR_LIBRARY_VERSION;  // not this program's 9.8.7.6
  const std::wstring clientVersion = L"quor-pell-interfaces::DllMain: Client Version = " +
                                     std::wstring(version.begin(), version.end());
  for (int round = 0; round < 2; ++round) {
    void* library = quor_test::openLibrary(QUOR_LIBRARY_PATH);
    ASSERT_NE(library, nullptr) << quor_test::libraryError();
    wchar_t attach[100];
    std::swprintf(attach, 100,
                  L"quor-pell-interfaces::DllMain: Dll Attach process (hModule=0x%llx)",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(library)));
    EXPECT_EQ(lines, (Lines{{L"PELLAPI", ZOLOG_WARNING, attach},
                            {L"PELLAPI", ZOLOG_DETAIL, clientVersion}}))
        << "round " << round;
    lines.clear();
    quor_test::closeLibrary(library);
    EXPECT_TRUE(lines.empty());
  }
  zologSetHandler(nullptr, nullptr);
}

}  // namespace
