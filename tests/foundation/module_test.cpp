// The module frame's answer to each loader notification, seen through a
// logging library that records every call.
#include "foundation/module.h"

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "platform/platform.h"
#include "support/recording_zolog.h"

// Imported explicitly on Windows, so that its address is the module's own
// function and not a jump stub in this program.
#if defined(_WIN32)
extern "C" __declspec(dllimport) int quorTestVersionedModule();
#else
extern "C" int quorTestVersionedModule();
#endif

namespace {

using namespace Quor::detail;
using quor_test::LogEvent;
using Event = std::tuple<LogEvent::Kind, std::wstring, int, std::wstring>;

Quor::HINSTANCE moduleOf(const void* address) { return Quor::platform::moduleContaining(address); }

TEST(ModuleTest, EachNotificationLogsItsLinesAndReturnsOneAttachStoresHandleAndVersion) {
  const Quor::HINSTANCE module = moduleOf(reinterpret_cast<const void*>(&moduleOf));
  // Thread notifications only log the handle they are given: one above 4 GiB
  // shows whole.
  const Quor::HINSTANCE high = reinterpret_cast<Quor::HINSTANCE>(std::uintptr_t{0x7ffe12345678});
  quor_test::clearLogEvents();
  EXPECT_EQ(moduleEntry(module, kProcessAttach, nullptr), 1);
  for (ModuleNotification reason :
       {kThreadAttach, kThreadDetach, kProcessDetach, static_cast<ModuleNotification>(7)})
    EXPECT_EQ(moduleEntry(high, reason, nullptr), 1) << reason;

  wchar_t handle[24];
  std::swprintf(handle, 24, L"0x%llx)", handleValue(module));
  const std::wstring dll = L"quor-pell-interfaces::DllMain: Dll ";
  const std::vector<Event> expected = {
      {LogEvent::kSetModuleName, L"PELLAPI", 0, L""},
      {LogEvent::kLine, L"PELLAPI", 2, dll + L"Attach process (hModule=" + handle},
      {LogEvent::kLine, L"PELLAPI", 4, L"quor-pell-interfaces::DllMain: Client Version = 3.1.4.15"},
      {LogEvent::kLine, L"PELLAPI", 2, dll + L"Attach thread (hModule=0x7ffe12345678)"},
      {LogEvent::kLine, L"PELLAPI", 2, dll + L"Detach thread (hModule=0x7ffe12345678)"},
      {LogEvent::kLine, L"PELLAPI", 1, dll + L"Unknown Reason 7"}};
  std::vector<Event> events;
  for (const LogEvent& e : quor_test::logEvents())
    events.emplace_back(e.kind, e.module, e.level, e.message);
  EXPECT_EQ(events, expected);
  EXPECT_EQ(moduleHandle(), module);
  EXPECT_EQ(clientVersion(), Quor::TString(L"3.1.4.15"));
}

TEST(ModuleTest, ModuleVersionAndFileAreThoseOfTheModuleAskedForOrOfTheMainProgram) {
  EXPECT_EQ(getModuleVersion(nullptr), Quor::TString(L"3.1.4.15"));
  const std::filesystem::path program = Quor::platform::moduleFileName(nullptr).c_str();
  EXPECT_TRUE(program.is_absolute() && std::filesystem::is_regular_file(program)) << program;
  EXPECT_EQ(program.stem(), "quor_internal_tests");
  // Stamped with the short form "2.5".
  EXPECT_EQ(getModuleVersion(moduleOf(reinterpret_cast<const void*>(&quorTestVersionedModule))),
            Quor::TString(L"2.5.0.0"));
  // The recording logging library carries no record.
  EXPECT_EQ(getModuleVersion(moduleOf(reinterpret_cast<const void*>(&quor_test::logEvents))),
            Quor::TString(L"0.0.0.0"));
}

}  // namespace
