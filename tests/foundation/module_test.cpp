// The module frame's answer to each loader notification, seen through a
// logging library that records every call.
#include "foundation/module.h"

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "platform/platform.h"
#include "support/recording_zolog.h"

extern "C" int quorTestVersionedModule();

namespace {

using quor_test::LogEvent;

Quor::HINSTANCE thisProgram() {
  return Quor::platform::moduleContaining(reinterpret_cast<const void*>(&thisProgram));
}

std::wstring withHandle(const wchar_t* text, Quor::HINSTANCE module) {
  wchar_t handle[16];
  std::swprintf(handle, 16, L"0x%x", Quor::detail::handleBits(module));
  return std::wstring(text) + handle + L")";
}

class ModuleTest : public testing::Test {
 protected:
  void SetUp() override { quor_test::clearLogEvents(); }
};

TEST_F(ModuleTest, ProcessAttachNamesTheLogModuleLogsAttachStoresHandleAndVersion) {
  const Quor::HINSTANCE module = thisProgram();
  ASSERT_NE(module, nullptr);

  EXPECT_EQ(Quor::detail::moduleEntry(module, Quor::detail::kProcessAttach, nullptr), 1);

  const std::vector<LogEvent> events = quor_test::logEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, LogEvent::kSetModuleName);
  EXPECT_EQ(events[0].module, L"PELLAPI");
  EXPECT_EQ(events[1].kind, LogEvent::kLine);
  EXPECT_EQ(events[1].module, L"PELLAPI");
  EXPECT_EQ(events[1].level, 2);
  EXPECT_EQ(events[1].message,
            withHandle(L"quor-pell-interfaces::DllMain: Dll Attach process (hModule=", module));
  EXPECT_EQ(events[2].level, 4);
  EXPECT_EQ(events[2].message, L"quor-pell-interfaces::DllMain: Client Version = 3.1.4.15");
  EXPECT_EQ(Quor::detail::moduleHandle(), module);
  EXPECT_EQ(Quor::detail::clientVersion(), Quor::TString(L"3.1.4.15"));
}

TEST_F(ModuleTest, ThreadNotificationsLogOneWarningEach) {
  const Quor::HINSTANCE module = thisProgram();
  EXPECT_EQ(Quor::detail::moduleEntry(module, Quor::detail::kThreadAttach, nullptr), 1);
  EXPECT_EQ(Quor::detail::moduleEntry(module, Quor::detail::kThreadDetach, nullptr), 1);

  const std::vector<LogEvent> events = quor_test::logEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].level, 2);
  EXPECT_EQ(events[0].message,
            withHandle(L"quor-pell-interfaces::DllMain: Dll Attach thread (hModule=", module));
  EXPECT_EQ(events[1].level, 2);
  EXPECT_EQ(events[1].message,
            withHandle(L"quor-pell-interfaces::DllMain: Dll Detach thread (hModule=", module));
}

TEST_F(ModuleTest, ProcessDetachLogsNothingAndUnknownReasonsLogAFailure) {
  EXPECT_EQ(Quor::detail::moduleEntry(thisProgram(), Quor::detail::kProcessDetach, nullptr), 1);
  EXPECT_TRUE(quor_test::logEvents().empty());

  EXPECT_EQ(Quor::detail::moduleEntry(thisProgram(), 7, nullptr), 1);
  const std::vector<LogEvent> events = quor_test::logEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].level, 1);
  EXPECT_EQ(events[0].message, L"quor-pell-interfaces::DllMain: Dll Unknown Reason 7");
}

TEST(ModuleVersionTest, ReadsTheRecordOfTheModuleAskedFor) {
  // A null handle stands for the main program.
  EXPECT_EQ(Quor::detail::getModuleVersion(nullptr), Quor::TString(L"3.1.4.15"));
  EXPECT_EQ(Quor::detail::getModuleVersion(thisProgram()), Quor::TString(L"3.1.4.15"));
  // Stamped with the short form "2.5".
  const Quor::HINSTANCE versioned =
      Quor::platform::moduleContaining(reinterpret_cast<const void*>(&quorTestVersionedModule));
  ASSERT_NE(versioned, nullptr);
  EXPECT_EQ(Quor::detail::getModuleVersion(versioned), Quor::TString(L"2.5.0.0"));
}

TEST(ModuleVersionTest, ModuleWithoutRecordGivesZeros) {
  const Quor::HINSTANCE unstamped =
      Quor::platform::moduleContaining(reinterpret_cast<const void*>(&quor_test::logEvents));
  ASSERT_NE(unstamped, nullptr);
  EXPECT_EQ(Quor::detail::getModuleVersion(unstamped), Quor::TString(L"0.0.0.0"));
}

}  // namespace
