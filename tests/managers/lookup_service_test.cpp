// The manager loader end to end: ManagerFactory reads factory definition files
// that the tests write and loads a manager module built for the tests, and
// every line that it logs is checked through zolog's handler. Each test runs
// in a temporary directory of its own, which is the current directory for its
// duration.
#include <zolog/zolog.h>

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "quor/manager_module.h"
#include "quor/quor.h"
#include "support/dynamic_library.h"

namespace {

namespace fs = std::filesystem;
using Quor::HINSTANCE;
using Quor::ManagerFactory;
using Quor::Parameter;
using Quor::TString;

struct Line {
  int level;
  std::wstring message;
  bool operator==(const Line& other) const {
    return level == other.level && message == other.message;
  }
};

void PrintTo(const Line& line, std::ostream* out) {
  *out << "[" << line.level << "] " << std::string(line.message.begin(), line.message.end());
}

using Lines = std::vector<Line>;

const std::wstring kFactory = L"ManagerFactory::newManagerInstance";
const std::wstring kLookup = L"ManagerFactoryLookupService::getManagerInstanceImpl";

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring text(const TString& value) { return value.c_str(); }

std::wstring hex(HINSTANCE module) {
  wchar_t buffer[16];
  std::swprintf(buffer, 16, L"0x%x",
                static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(module)));
  return buffer;
}

Lines join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Lines opening(const std::wstring& function, const std::wstring& definition,
              const std::wstring& provider, int items) {
  return {{8, function},
          {4, function + L": --> Input Param factoryDefinition = " + definition},
          {4, function + L": --> Input Param provider = " + provider},
          {4, function + L": --> Input Param params " + std::to_wstring(items) + L" items"}};
}

Line lookupLine(int level, const std::wstring& message) {
  return {level, kLookup + L": " + message};
}
Line fullPath(const std::wstring& path) {
  return lookupLine(4, L"Attempt to load with full path '" + path + L"'");
}
Line loadingLibrary(const std::wstring& path) {
  return lookupLine(4, L"Loading library '" + path + L"'");
}
Lines lookupClosing(HINSTANCE module) {
  return {lookupLine(4, L"<-- Output Param hInstDll = " + hex(module)), {16, kLookup}};
}
// "Loading library" and the closing lines of a first attempt that loads.
Lines loads(const std::wstring& implementation, HINSTANCE module) {
  return join({{loadingLibrary(implementation)}, lookupClosing(module)});
}
const Line kNoKeys = lookupLine(1, L"No keys where found in any of the properties files");
const std::wstring kModule = widen(QUOR_TEST_MODULE_PATH);

// The whole log of newManagerInstance(definition, provider, params), whose
// getManagerInstanceImpl receives `file`: `middle` are the lines after the
// "Loading factory definition file" line, `result` the handle returned.
Lines call(const std::wstring& definition, const std::wstring& file, const std::wstring& provider,
           int items, const Lines& middle, HINSTANCE result) {
  return join({opening(kFactory, definition, provider, items),
               opening(kLookup, file, provider, items),
               {lookupLine(4, L"Loading factory definition file '" + file + L"'")},
               middle,
               {{4, kFactory + L": <-- Output Param hLib = " + hex(result)}, {16, kFactory}}});
}

std::string definitionText(const std::string& name, const std::string& implementation,
                           const std::string& description = "", const std::string& service = "") {
  return "provider.name=" + name + "\nprovider.description=" + description +
         "\nprovider.implementation=" + implementation + "\nprovider.service=" + service + "\n";
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

void collect(void* context, const wchar_t* module, int level, const wchar_t* message) {
  EXPECT_STREQ(module, L"PELLAPI");
  static_cast<Lines*>(context)->push_back({level, message});
}

void expectParameter(Parameter& parameter, const wchar_t* id, const std::wstring& value) {
  EXPECT_EQ(text(parameter.getId()), id);
  EXPECT_EQ(text(parameter.getValue()), value);
  EXPECT_EQ(text(parameter.getType()), L"String");
  EXPECT_EQ(text(parameter.getEncoding()), L"NONE");
}

class ManagerLoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    char current[PATH_MAX];
    ASSERT_NE(getcwd(current, sizeof current), nullptr);
    previous_ = current;
    char pattern[] = "/tmp/quor-loader-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    ASSERT_EQ(chdir(pattern), 0);
    // The library names its directory as the resolved path of its file.
    char* resolved = realpath(QUOR_LIBRARY_DIR, nullptr);
    ASSERT_NE(resolved, nullptr);
    libraryDir_ = resolved;
    std::free(resolved);
    pid_ = std::to_string(getpid());
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(collect, &lines_);
  }

  void TearDown() override {
    zologSetHandler(nullptr, nullptr);
    for (HINSTANCE module : modules_) dlclose(module);
    std::error_code ignored;
    for (const std::string& path : besideLibrary_) fs::remove_all(path, ignored);
    if (!previous_.empty()) {
      EXPECT_EQ(chdir(previous_.c_str()), 0);
    }
    if (!directory_.empty()) fs::remove_all(directory_, ignored);
  }

  // The caller owns one reference per module returned: released in TearDown.
  HINSTANCE keep(HINSTANCE module) {
    if (module != nullptr) modules_.push_back(module);
    return module;
  }

  // `name` in the library's directory, removed in TearDown.
  std::string besideLibrary(const std::string& name) {
    besideLibrary_.push_back(libraryDir_ + "/" + name);
    return besideLibrary_.back();
  }

  std::wstring inLibraryDir(const std::wstring& name) const {
    return widen(libraryDir_) + L"/" + name;
  }

  Lines lines_;
  std::vector<HINSTANCE> modules_;
  std::vector<std::string> besideLibrary_;
  std::string previous_;
  std::string directory_;
  std::string libraryDir_;
  std::string pid_;
};

Quor::Vector<Parameter> twoParameters() {
  Quor::Vector<Parameter> params;
  params.push_back(Parameter(L"client.first", L"1"));
  params.push_back(Parameter(L"client.second", L"2"));
  return params;
}

TEST_F(ManagerLoaderTest, MissingDefinitionFileIsLookedForBesideTheLibraryThenRefused) {
  // An absolute name is joined to the library's directory all the same.
  for (const std::wstring& name :
       {widen("absent-" + pid_ + ".ini"), widen(directory_) + L"/absent.ini"}) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    lines_.clear();
    Quor::Vector<Parameter> params = twoParameters();
    EXPECT_EQ(ManagerFactory::newManagerInstance(name.c_str(), L"Absent", &params), nullptr);
    EXPECT_EQ(lines_, call(name, name, L"Absent", 2,
                           {fullPath(inLibraryDir(name)),
                            lookupLine(1, L"No properties files found corresponding to " + name)},
                           nullptr));
    EXPECT_EQ(params.size(), 2u);
  }
}

TEST_F(ManagerLoaderTest, DefinitionWithoutNameOrImplementationIsRefusedWithTwoLines) {
  struct Case {
    std::string content;
    std::wstring warning;
  };
  const Case cases[] = {
      {"provider.name=Demo\nprovider.implementation=\n",
       L"'provider.implementation' key or its value not found in incomplete.ini"},
      {"provider.implementation=" QUOR_TEST_MODULE_PATH "\nprovider.name =  \n",
       L"'provider.name' key or its value not found in incomplete.ini"},
      {"; provider.name=Demo\n#provider.implementation=x.so\nprovider.service=s\n",
       L"'provider.name' and 'provider.implementation' keys or the values corresponding to these "
       L"keys, were not found in incomplete.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    lines_.clear();
    writeFile("incomplete.ini", c.content);
    Quor::Vector<Parameter> params = twoParameters();
    EXPECT_EQ(ManagerFactory::newManagerInstance(L"incomplete.ini", L"Demo", &params), nullptr);
    EXPECT_EQ(lines_, call(L"incomplete.ini", L"incomplete.ini", L"Demo", 2,
                           {lookupLine(2, c.warning), kNoKeys}, nullptr));
    EXPECT_EQ(params.size(), 2u);
  }
}

TEST_F(ManagerLoaderTest, ModuleUnderThePathFromTheFileLoadsAndParamsGetTheProviderValues) {
  // Saved as an editor elsewhere might: byte-order mark, CR LF, a comment and
  // a line that begins with NUL.
  writeFile("demo.ini", std::string("\xEF\xBB\xBFprovider.name=Demo\r\n# comment\r\n") +
                            std::string(1, '\0') + "provider.name=Other\r\n" +
                            "Provider.Description = A demo provider \r\n"
                            "provider.implementation=" QUOR_TEST_MODULE_PATH
                            "\r\n"
                            "PROVIDER.SERVICE=https://svc.example/a=b\r\n");
  Quor::Vector<Parameter> params = twoParameters();
  const HINSTANCE module = keep(ManagerFactory::newManagerInstance(L"demo.ini", L"Demo", &params));
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(lines_, call(L"demo.ini", L"demo.ini", L"Demo", 2, loads(kModule, module), module));

  // It is the module's own handle.
  void* loaded = dlopen(QUOR_TEST_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(loaded, module);
  if (loaded != nullptr) dlclose(loaded);

  ASSERT_EQ(params.size(), 6u);
  EXPECT_EQ(text(params[0].getId()), L"client.first");
  EXPECT_EQ(text(params[1].getId()), L"client.second");
  expectParameter(params[2], L"provider.name", L"Demo");
  expectParameter(params[3], L"provider.description", L"A demo provider");
  expectParameter(params[4], L"provider.implementation", kModule);
  expectParameter(params[5], L"provider.service", L"https://svc.example/a=b");
}

TEST_F(ManagerLoaderTest, ModuleFoundOnlyBesideTheLibraryLoadsAtTheSecondAttempt) {
  // A subdirectory: a bare name would already be found by the first attempt,
  // through the search path of the test program.
  const std::string subdirectory = "quor-loader-test-" + pid_;
  const std::string copy = besideLibrary(subdirectory) + "/test-module.so";
  fs::create_directory(libraryDir_ + "/" + subdirectory);
  fs::copy_file(QUOR_TEST_MODULE_PATH, copy);
  const std::string relative = subdirectory + "/test-module.so";
  writeFile("beside.ini", definitionText("Beside", relative));

  const HINSTANCE module =
      keep(ManagerFactory::newManagerInstance(L"beside.ini", L"Beside", nullptr));
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(
      lines_,
      call(L"beside.ini", L"beside.ini", L"Beside", -1,
           join({{loadingLibrary(widen(relative)), fullPath(widen(copy))}, lookupClosing(module)}),
           module));
}

TEST_F(ManagerLoaderTest, ModuleThatLoadsNowhereGivesNullWithParamsFilledAnyway) {
  const std::string bare = "quor-no-such-module-" + pid_ + ".so";
  const std::string absolute = directory_ + "/no-such-module.so";
  for (const std::string& implementation : {bare, absolute}) {
    SCOPED_TRACE(implementation);
    lines_.clear();
    writeFile("nowhere.ini", definitionText("Nowhere", implementation));
    Quor::Vector<Parameter> params = twoParameters();
    EXPECT_EQ(ManagerFactory::newManagerInstance(L"nowhere.ini", L"Nowhere", &params), nullptr);
    EXPECT_EQ(lines_, call(L"nowhere.ini", L"nowhere.ini", L"Nowhere", 2,
                           join({{loadingLibrary(widen(implementation)),
                                  fullPath(inLibraryDir(widen(implementation))),
                                  lookupLine(1, L"Unable to find or load library! (Error 2)")},
                                 lookupClosing(nullptr)}),
                           nullptr));
    ASSERT_EQ(params.size(), 6u);
    expectParameter(params[2], L"provider.name", L"Nowhere");
    expectParameter(params[3], L"provider.description", L"");
    expectParameter(params[4], L"provider.implementation", widen(implementation));
    expectParameter(params[5], L"provider.service", L"");
  }
}

TEST_F(ManagerLoaderTest, ShortFormReadsProviderIniAndLogsNoParamsAsMinusOne) {
  const std::string provider = "Short" + pid_;
  writeFile(provider + ".ini", definitionText(provider, QUOR_TEST_MODULE_PATH));
  const HINSTANCE module =
      keep(ManagerFactory::newManagerInstance(widen(provider).c_str(), nullptr));
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(lines_, call(L"", widen(provider + ".ini"), widen(provider), -1, loads(kModule, module),
                         module));
}

TEST_F(ManagerLoaderTest, SameProviderTwiceGivesTheSameHandle) {
  writeFile("twice.ini", definitionText("Twice", QUOR_TEST_MODULE_PATH));
  const HINSTANCE first = keep(ManagerFactory::newManagerInstance(L"twice.ini", L"Twice", nullptr));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(keep(ManagerFactory::newManagerInstance(L"twice.ini", L"Twice", nullptr)), first);
}

TEST_F(ManagerLoaderTest, DefinitionFileFoundOnlyBesideTheLibraryIsRead) {
  const std::string name = "quor-loader-test-" + pid_ + ".ini";
  writeFile(besideLibrary(name), definitionText("Beside", QUOR_TEST_MODULE_PATH));
  const HINSTANCE module =
      keep(ManagerFactory::newManagerInstance(widen(name).c_str(), L"Beside", nullptr));
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(lines_,
            call(widen(name), widen(name), L"Beside", -1,
                 join({{fullPath(inLibraryDir(widen(name)))}, loads(kModule, module)}), module));

  // A file found there that lacks a key: the full-path line, then the refusal.
  lines_.clear();
  writeFile(besideLibrary_.back(), "provider.name=Beside\n");
  EXPECT_EQ(ManagerFactory::newManagerInstance(widen(name).c_str(), L"Beside", nullptr), nullptr);
  EXPECT_EQ(lines_,
            call(widen(name), widen(name), L"Beside", -1,
                 {fullPath(inLibraryDir(widen(name))),
                  lookupLine(
                      2, L"'provider.implementation' key or its value not found in " + widen(name)),
                  kNoKeys},
                 nullptr));
}

TEST_F(ManagerLoaderTest, ProviderArgumentOnlyNamesTheDefaultFile) {
  writeFile("named.ini", definitionText("FromFile", QUOR_TEST_MODULE_PATH, "d", "s"));
  Quor::Vector<Parameter> params;
  const HINSTANCE module =
      keep(ManagerFactory::newManagerInstance(L"named.ini", L"Argument", &params));
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(lines_,
            call(L"named.ini", L"named.ini", L"Argument", 0, loads(kModule, module), module));
  ASSERT_EQ(params.size(), 4u);
  expectParameter(params[0], L"provider.name", L"FromFile");

  // The short form takes the file's name from the argument, and still hands
  // back the name that the file gives.
  const std::string provider = "Argument" + pid_;
  writeFile(provider + ".ini", definitionText("FromFile", QUOR_TEST_MODULE_PATH));
  params.clear();
  EXPECT_EQ(keep(ManagerFactory::newManagerInstance(widen(provider).c_str(), &params)), module);
  ASSERT_EQ(params.size(), 4u);
  expectParameter(params[0], L"provider.name", L"FromFile");
}

TEST_F(ManagerLoaderTest, LookupServiceCalledDirectlyHasNoDefaultFileName) {
  writeFile(".ini", definitionText("Demo", QUOR_TEST_MODULE_PATH));
  writeFile("Demo.ini", definitionText("Demo", QUOR_TEST_MODULE_PATH));
  Quor::ManagerFactoryLookupService lookup;
  EXPECT_EQ(keep(lookup.getManagerInstanceImpl(TString(), L"Demo", nullptr)), nullptr);
  // The second place looked in is the library's directory itself.
  EXPECT_EQ(lines_, join({opening(kLookup, L"", L"Demo", -1),
                          {lookupLine(4, L"Loading factory definition file ''"),
                           fullPath(inLibraryDir(L"")),
                           lookupLine(1, L"No properties files found corresponding to ")}}));
}

TEST_F(ManagerLoaderTest, LoadedModuleGivesAManagerThatAnswers) {
  writeFile("answer.ini", definitionText("Answer", QUOR_TEST_MODULE_PATH));
  Quor::Vector<Parameter> params;
  const HINSTANCE module = keep(ManagerFactory::newManagerInstance(L"answer.ini", L"", &params));
  ASSERT_NE(module, nullptr);
  const QuorManagerInstanceFunction entry =
      reinterpret_cast<QuorManagerInstanceFunction>(dlsym(module, QUOR_MANAGER_INSTANCE_FUNCTION));
  ASSERT_NE(entry, nullptr) << quor_test::libraryError();
  Quor::ManagerInstance* instance = entry();
  ASSERT_NE(instance, nullptr);
  Quor::Manager* manager = instance->createManager(&params);
  ASSERT_NE(manager, nullptr);
  Quor::ExternalOperation request;
  request.setExternalOperationId(L"op-1");
  request.setType(L"rotate");
  Quor::ExternalOperation* answer = manager->execute(&request);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(text(answer->getExternalOperationId()), L"op-1");
  EXPECT_EQ(text(answer->getType()), L"rotate");
  Quor::Vector<Parameter>* responses = answer->getResponseParameters();
  ASSERT_NE(responses, nullptr);
  ASSERT_EQ(responses->size(), 1u);
  EXPECT_EQ(text((*responses)[0].getId()), L"answer");
  EXPECT_EQ(text((*responses)[0].getValue()), L"42");
  responses->destroy();
  answer->destroy();
  manager->destroy();
}

}  // namespace
