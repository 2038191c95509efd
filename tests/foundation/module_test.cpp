// The module frame's answer to each loader notification, seen through zolog's
// handler.
#include "foundation/module.h"

#include <zolog/zolog.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "platform/platform.h"
#include "support/dynamic_library.h"

// Imported explicitly on Windows, so that its address is the module's own
// function and not a jump stub in this program.
#if defined(_WIN32)
extern "C" __declspec(dllimport) int quorTestVersionedModule();
#else
extern "C" int quorTestVersionedModule();
#endif

namespace {

using namespace Quor::detail;
using Lines = std::vector<std::tuple<std::wstring, int, std::wstring>>;  // module, level, message

Quor::HINSTANCE moduleOf(const void* address) { return Quor::platform::moduleContaining(address); }

TEST(ModuleTest, EachNotificationLogsItsLinesAndReturnsOneAttachStoresHandleAndVersion) {
  const Quor::HINSTANCE module = moduleOf(reinterpret_cast<const void*>(&moduleOf));
  // Thread notifications only log the handle they are given: one above 4 GiB
  // shows whole.
  const Quor::HINSTANCE high = reinterpret_cast<Quor::HINSTANCE>(std::uintptr_t{0x7ffe12345678});
  static Lines lines;
  zologSetLevelMask(ZOLOG_ALL);
  zologSetHandler([](void*, const wchar_t* module, int level,
                     const wchar_t* message) { lines.emplace_back(module, level, message); },
                  nullptr);
  zologSetModuleName(L"OTHER");
  EXPECT_EQ(moduleEntry(module, kProcessAttach, nullptr), 1);
  for (ModuleNotification reason :
       {kThreadAttach, kThreadDetach, kProcessDetach, static_cast<ModuleNotification>(7)})
    EXPECT_EQ(moduleEntry(high, reason, nullptr), 1) << reason;
  zologLog(nullptr, ZOLOG_DETAIL, L"unnamed");  // under the name that the attach set
  zologSetHandler(nullptr, nullptr);

  wchar_t handle[24];
  std::swprintf(handle, 24, L"0x%llx)", handleValue(module));
  const std::wstring dll = L"quor-pell-interfaces::DllMain: Dll ";
  EXPECT_EQ(lines,
            (Lines{{L"PELLAPI", 2, dll + L"Attach process (hModule=" + handle},
                   {L"PELLAPI", 4, L"quor-pell-interfaces::DllMain: Client Version = 3.1.4.15"},
                   {L"PELLAPI", 2, dll + L"Attach thread (hModule=0x7ffe12345678)"},
                   {L"PELLAPI", 2, dll + L"Detach thread (hModule=0x7ffe12345678)"},
                   {L"PELLAPI", 1, dll + L"Unknown Reason 7"},
                   {L"PELLAPI", 4, L"unnamed"}}));
  EXPECT_EQ(moduleHandle(), module);
}

TEST(ModuleTest, ModuleVersionAndFileAreThoseOfTheModuleAskedForOrOfTheMainProgram) {
  EXPECT_EQ(getModuleVersion(nullptr), Quor::TString(L"3.1.4.15"));
  const std::filesystem::path program = Quor::platform::moduleFileName(nullptr).c_str();
  EXPECT_TRUE(program.is_absolute() && std::filesystem::is_regular_file(program)) << program;
  EXPECT_EQ(program.stem(), "quor_internal_tests");
  // Stamped with the short form "2.5".
  EXPECT_EQ(getModuleVersion(moduleOf(reinterpret_cast<const void*>(&quorTestVersionedModule))),
            Quor::TString(L"2.5.0.0"));
  // The test manager module carries no record.
  void* const unversioned = quor_test::openLibrary(QUOR_TEST_MODULE_PATH);
  EXPECT_EQ(getModuleVersion(static_cast<Quor::HINSTANCE>(unversioned)), Quor::TString(L"0.0.0.0"));
  quor_test::closeLibrary(unversioned);
}

}  // namespace
