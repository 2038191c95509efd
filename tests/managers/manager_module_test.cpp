// Quor::ManagerModule as a client uses it: the factory's own road and log, the
// reason for each failure in the error's text, managers made by the module,
// and the module released by the last of its holders.
#include "quor/manager_module.h"

#include <zolog/zolog.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "quor/quor.h"
#include "support/dynamic_library.h"
#include "support/scratch_directory.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::pair<int, std::wstring>>;
using Params = Quor::Vector<Quor::Parameter>;
using Quor::ManagerModule;

const fs::path kModulePath = fs::canonical(QUOR_TEST_MODULE_PATH).make_preferred();
const fs::path kNoEntryPath = fs::canonical(QUOR_VERSIONED_MODULE_PATH).make_preferred();
const fs::path kLibraryDir = fs::canonical(QUOR_LIBRARY_DIR).make_preferred();

// The system's text for a module that is nowhere, as the loader gives it.
std::string notFoundText() {
#if defined(_WIN32)
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, ERROR_MOD_NOT_FOUND, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message(text, length);
  LocalFree(text);
  return message.substr(0, message.find_last_not_of(" \r\n") + 1);
#else
  return "cannot open shared object file: No such file or directory";
#endif
}

// Every line but the thread notices, which Windows gives at times of its own.
void collect(void* context, const wchar_t*, int level, const wchar_t* message) {
  static const std::wregex kThreadLine(L".*DllMain: Dll (Attach|Detach) thread .*");
  if (!std::regex_match(message, kThreadLine))
    static_cast<Lines*>(context)->emplace_back(level, message);
}

class ManagerModuleTest : public quor_test::ScratchDirectoryTest {
 protected:
  void SetUp() override {
    ScratchDirectoryTest::SetUp();
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(collect, &lines_);
  }
  void TearDown() override {
    zologSetHandler(nullptr, nullptr);
    ScratchDirectoryTest::TearDown();
  }

  // What the factory logs and appends for `provider`; its module is released.
  Lines factoryLog(const wchar_t* provider, unsigned int* appended) {
    lines_.clear();
    Params params;
    Quor::releaseManagerModule(Quor::ManagerFactory::newManagerInstance(provider, &params));
    *appended = params.size();
    return withoutHandles();
  }

  // The log, with the handle of a module loaded anew each time left out.
  Lines withoutHandles() const {
    Lines lines = lines_;
    for (auto& line : lines) line.second = std::regex_replace(line.second, kHandle, L"0x");
    return lines;
  }

  const std::wregex kHandle{L"0x[0-9a-f]+$"};

  Lines lines_;
};

TEST_F(ManagerModuleTest, EachFailureNamesTheProviderAndItsReasonAfterTheFactorysOwnLog) {
  const std::string missing = "missing-" + name_;
  const std::string besideLibrary = (kLibraryDir / fs::u8path(u8"Prov\u00e9.ini")).u8string();
  struct Case {
    const char* definition;  // null: no file
    Quor::ManagerLoadFailure failure;
    std::vector<std::string> what;  // the first right after the provider, then the others
  };
  const Case cases[] = {
      {nullptr,
       Quor::MANAGER_NO_DEFINITION_FILE,
       {"no definition file ('Prov\xC3\xA9.ini': no file; '" + besideLibrary + "': no file)"}},
      {"provider.name=P\n",
       Quor::MANAGER_INCOMPLETE_DEFINITION,
       {"definition file 'Prov\xC3\xA9.ini' names no provider.implementation"}},
      {"provider.implementation=m\n",
       Quor::MANAGER_INCOMPLETE_DEFINITION,
       {"definition file 'Prov\xC3\xA9.ini' names no provider.name"}},
      {"provider.service=s\n",
       Quor::MANAGER_INCOMPLETE_DEFINITION,
       {"definition file 'Prov\xC3\xA9.ini' names neither provider.name nor "
        "provider.implementation"}},
      {"provider.name=P\nprovider.implementation=missing\n",
       Quor::MANAGER_MODULE_NOT_LOADED,
       {"module '" + missing + "' not loaded ('" + missing + "': ", notFoundText(),
        "'" + (kLibraryDir / missing).string() + "': "}},
      {"provider.name=P\nprovider.implementation=no-entry\n",
       Quor::MANAGER_NO_ENTRY_POINT,
       {"module '" + kNoEntryPath.string() +
        "' exports no entry point quorManagerInstance (define it with "
        "QUOR_DEFINE_MANAGER_INSTANCE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what[0]);
    if (c.definition != nullptr) {
      std::string definition =
          std::regex_replace(c.definition, std::regex("=missing"), "=" + missing);
      definition =
          std::regex_replace(definition, std::regex("=no-entry"), "=" + kNoEntryPath.string());
      quor_test::writeFile(fs::u8path(u8"Prov\u00e9.ini"), definition);
    }
    unsigned int appended = 0;
    const Lines expected = factoryLog(L"Prov\u00e9", &appended);
    lines_.clear();
    Params params;
    try {
      ManagerModule::load(L"Prov\u00e9", &params);
      ADD_FAILURE() << "loaded";
    } catch (const Quor::ManagerLoadError& error) {
      const std::string what = error.what();
      EXPECT_EQ(error.failure(), c.failure);
      EXPECT_EQ(
          what.rfind("manager module of provider \"Prov\xC3\xA9\" not loaded: " + c.what[0], 0), 0u)
          << what;
      for (const std::string& piece : c.what)
        EXPECT_NE(what.find(piece), std::string::npos) << what;
    }
    EXPECT_EQ(withoutHandles(), expected);
    EXPECT_EQ(params.size(), appended);
  }
  // The module without an entry point was given back.
  EXPECT_EQ(quor_test::loadedLibrary(kNoEntryPath.string().c_str()), nullptr);
}

TEST_F(ManagerModuleTest, ModuleMakesManagersAndIsUnloadedWhenItsLastHolderGoes) {
  quor_test::writeFile(
      "Echo.ini", "provider.name=Echo\nprovider.implementation=" + kModulePath.string() + "\n");
  {
    // Loaded by the factory first and kept, so that both logs give one handle.
    Params factoryParams;
    const Quor::HINSTANCE held = Quor::ManagerFactory::newManagerInstance(L"Echo", &factoryParams);
    const Lines expected = lines_;
    lines_.clear();
    Params params;
    ManagerModule module = ManagerModule::load(L"Echo", &params);
    Quor::releaseManagerModule(held);
    EXPECT_EQ(lines_, expected);
    ASSERT_EQ(params.size(), 4u);
    EXPECT_EQ(params[2].getValue(), Quor::TString(kModulePath.wstring().c_str()));
    EXPECT_EQ(module.handle(), held);

    ASSERT_NE(module.instance(), nullptr);
    EXPECT_FALSE(module.createManager(nullptr));  // the module makes none without params
    Quor::Owned<Quor::Manager> manager = module.createManager(&params);
    ASSERT_TRUE(manager);
    Quor::ExternalOperation request;
    request.setExternalOperationId(L"op-1");
    const Quor::Owned<Quor::ExternalOperation> answer(manager->execute(&request));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->getExternalOperationId(), Quor::TString(L"op-1"));
    manager.reset();

    // Moved from: holds nothing and makes nothing. Assigned over: the
    // reference held before is given back.
    ManagerModule moved(std::move(module));
    EXPECT_TRUE(module.handle() == nullptr && module.instance() == nullptr);
    EXPECT_FALSE(module.createManager(&params));
    ManagerModule second = ManagerModule::load(L"Echo", nullptr);
    second = std::move(moved);
    EXPECT_EQ(second.handle(), held);
    EXPECT_TRUE(second.createManager(&params));
  }
  EXPECT_EQ(quor_test::loadedLibrary(kModulePath.string().c_str()), nullptr);
}

}  // namespace
