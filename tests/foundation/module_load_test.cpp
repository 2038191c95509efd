// Loads the shared library at run time, as a client that links it late does,
// and watches its log through zolog's handler.
#include <zolog/zolog.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/dynamic_library.h"

namespace {

struct Line {
  std::wstring module;
  int level;
  std::wstring message;
};

void collect(void* context, const wchar_t* module, int level, const wchar_t* message) {
  static_cast<std::vector<Line>*>(context)->push_back({module, level, message});
}

std::wstring hexHandle(void* library) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%x",
                static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(library)));
  return text;
}

std::wstring widen(const char* text) { return std::wstring(text, text + std::string(text).size()); }

class ModuleLoadTest : public testing::Test {
 protected:
  void SetUp() override {
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(collect, &lines_);
  }
  void TearDown() override { zologSetHandler(nullptr, nullptr); }

  std::vector<Line> lines_;
};

TEST_F(ModuleLoadTest, LoadingLogsAttachThenTheLibrarysOwnVersion) {
  void* library = quor_test::openLibrary(QUOR_LIBRARY_PATH);
  ASSERT_NE(library, nullptr) << quor_test::libraryError();

  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_EQ(lines_[0].module, L"PELLAPI");
  EXPECT_EQ(lines_[0].level, ZOLOG_WARNING);
  EXPECT_EQ(lines_[0].message, L"quor-pell-interfaces::DllMain: Dll Attach process (hModule=" +
                                   hexHandle(library) + L")");
  EXPECT_EQ(lines_[1].module, L"PELLAPI");
  EXPECT_EQ(lines_[1].level, ZOLOG_DETAIL);
  // The library's version, not that of this program (9.8.7.6).
  EXPECT_EQ(lines_[1].message,
            L"quor-pell-interfaces::DllMain: Client Version = " + widen(QUOR_LIBRARY_VERSION));

  quor_test::closeLibrary(library);
}

TEST_F(ModuleLoadTest, UnloadingLogsNothingAndReloadingAttachesAgain) {
  void* library = quor_test::openLibrary(QUOR_LIBRARY_PATH);
  ASSERT_NE(library, nullptr) << quor_test::libraryError();
  quor_test::closeLibrary(library);
  ASSERT_EQ(lines_.size(), 2u);

  library = quor_test::openLibrary(QUOR_LIBRARY_PATH);
  ASSERT_NE(library, nullptr) << quor_test::libraryError();
  ASSERT_EQ(lines_.size(), 4u);
  EXPECT_EQ(lines_[2].message, L"quor-pell-interfaces::DllMain: Dll Attach process (hModule=" +
                                   hexHandle(library) + L")");
  quor_test::closeLibrary(library);
}

TEST_F(ModuleLoadTest, MaskedOutAttachLinesAreNotDelivered) {
  zologSetLevelMask(ZOLOG_FAILURE);
  void* library = quor_test::openLibrary(QUOR_LIBRARY_PATH);
  ASSERT_NE(library, nullptr) << quor_test::libraryError();
  EXPECT_TRUE(lines_.empty());
  quor_test::closeLibrary(library);
}

}  // namespace
