// Windows tells every loaded DLL when a thread starts and ends; the library
// logs each notification once, at level 2, with its module handle.
#include <windows.h>
#include <zolog/zolog.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "quor/quor.h"

namespace {

std::vector<std::wstring> lines;

void collect(void*, const wchar_t*, int level, const wchar_t* message) {
  if (level == ZOLOG_WARNING) lines.push_back(message);
}

TEST(ThreadNotificationTest, AThreadIsAnnouncedOnceWhenItStartsAndOnceWhenItEnds) {
  const Quor::TString name(L"quor-interfacesU.dll");
  HMODULE library = GetModuleHandleW(name.c_str());
  ASSERT_NE(library, nullptr);
  wchar_t handle[24];
  std::swprintf(handle, 24, L"0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(library)));

  zologSetLevelMask(ZOLOG_ALL);
  zologSetHandler(collect, nullptr);
  std::thread([] {}).join();
  zologSetHandler(nullptr, nullptr);

  const std::wstring prefix = L"quor-pell-interfaces::DllMain: Dll ";
  const std::wstring suffix = L" thread (hModule=" + std::wstring(handle) + L")";
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], prefix + L"Attach" + suffix);
  EXPECT_EQ(lines[1], prefix + L"Detach" + suffix);
}

}  // namespace
