// The manager loader end to end: ManagerFactory reads factory definition files
// that the tests write and loads a manager module built for the tests, and
// every line that it logs is checked through zolog's handler. Each test runs
// in a temporary directory of its own, the current directory for its duration.
#include <zolog/zolog.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>

#include <cerrno>
#endif

#include "quor/manager_module.h"
#include "quor/quor.h"
#include "support/dynamic_library.h"

namespace {

namespace fs = std::filesystem;
using Quor::HINSTANCE;
using Quor::ManagerFactory;
using Quor::Parameter;
using Params = Quor::Vector<Parameter>;
using namespace std::string_literals;
using Line = std::pair<int, std::wstring>;  // level, message
using Lines = std::vector<Line>;

// The code is ERROR_MOD_NOT_FOUND on Windows, ENOENT elsewhere. Windows looks
// for a relative module path along the search path, which begins with the
// program's directory, here the library's; elsewhere a relative path with a
// directory in it is taken from the current directory.
#if defined(_WIN32)
const wchar_t* const kNotLoaded = L"Unable to find or load library! (Error 126)";
const bool kRelativePathsSearched = true;
const int kNameTooLong = ERROR_FILENAME_EXCED_RANGE, kNotAModule = ERROR_BAD_EXE_FORMAT;
#else
const wchar_t* const kNotLoaded = L"Unable to find or load library! (Error 2)";
const bool kRelativePathsSearched = false;
const int kNameTooLong = ENAMETOOLONG, kNotAModule = ENOEXEC;
#endif

// Paths as the library logs them: canonical, with the platform's separator.
const fs::path kLibraryDir = fs::canonical(QUOR_LIBRARY_DIR).make_preferred();
const fs::path kModulePath = fs::canonical(QUOR_TEST_MODULE_PATH).make_preferred();
const std::wstring kModule = kModulePath.wstring();
const std::wstring kFactory = L"ManagerFactory::newManagerInstance";
const std::wstring kLookup = L"ManagerFactoryLookupService::getManagerInstanceImpl";

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring text(const Quor::TString& value) { return value.c_str(); }

std::wstring hex(HINSTANCE module) {
  wchar_t buffer[24];
  std::swprintf(buffer, 24, L"0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(module)));
  return buffer;
}

Lines join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A line that the lookup service logs.
Line logged(int level, const std::wstring& message) { return {level, kLookup + L": " + message}; }
Line fullPath(const std::wstring& name) {
  const std::wstring path = (kLibraryDir / "").wstring() + name;  // with a final separator
  return logged(4, L"Attempt to load with full path '" + path + L"'");
}
Lines noFile(const std::wstring& name) {
  return {fullPath(name), logged(1, L"No properties files found corresponding to " + name)};
}
Lines noKey(const std::wstring& keys, const std::wstring& file) {
  return {logged(2, keys + L" not found in " + file),
          logged(1, L"No keys where found in any of the properties files")};
}

Lines opening(const std::wstring& function, const std::wstring& definition,
              const std::wstring& provider, int items) {
  const std::wstring input = function + L": --> Input Param ";
  return {{8, function},
          {4, input + L"factoryDefinition = " + definition},
          {4, input + L"provider = " + provider},
          {4, input + L"params " + std::to_wstring(items) + L" items"}};
}

Line notLoaded(int error) {
  return logged(1, L"Unable to find or load library! (Error " + std::to_wstring(error) + L")");
}
Line notRegular(const std::wstring& path, const wchar_t* outcome) {
  return logged(2, L"'" + path + L"' is not a regular file; " + outcome);
}

// From "Loading library" on: `module` loaded at the first attempt, or at the
// second (beside the library) when `beside`, or nowhere when null.
Lines loading(const std::wstring& implementation, HINSTANCE module, bool beside = false) {
  Lines lines = {logged(4, L"Loading library '" + implementation + L"'")};
  if (beside || module == nullptr) lines.push_back(fullPath(implementation));
  if (module == nullptr) lines.push_back(logged(1, kNotLoaded));
  return join({lines, {logged(4, L"<-- Output Param hInstDll = " + hex(module)), {16, kLookup}}});
}

// The whole log of newManagerInstance(definition, provider, params) whose
// lookup reads `file`, `definition` unless given: `middle` follows the line
// "Loading factory definition file", and `result` is the handle returned.
Lines call(const std::wstring& file, const std::wstring& provider, int items, const Lines& middle,
           HINSTANCE result, const wchar_t* definition = nullptr) {
  return join({opening(kFactory, definition != nullptr ? definition : file, provider, items),
               opening(kLookup, file, provider, items),
               {logged(4, L"Loading factory definition file '" + file + L"'")},
               middle,
               {{4, kFactory + L": <-- Output Param hLib = " + hex(result)}, {16, kFactory}}});
}

std::string definitionText(const std::string& name, const std::string& implementation) {
  return "provider.name=" + name + "\nprovider.implementation=" + implementation + "\n";
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Keeps all but the library's thread attach and detach lines: the system
// starts threads of its own at times of its own on Windows.
void collect(void* context, const wchar_t* module, int level, const wchar_t* message) {
  EXPECT_STREQ(module, L"PELLAPI");
  static const std::wregex kThreadLine(
      L"quor-pell-interfaces::DllMain: Dll (Attach|Detach) thread .*");
  if (!std::regex_match(message, kThreadLine))
    static_cast<Lines*>(context)->emplace_back(level, message);
}

// The four provider parameters, after `first` others: strings, not encoded.
void expectProvider(Params& params, unsigned int first, const std::vector<std::wstring>& values) {
  static const wchar_t* const kIds[] = {L"provider.name", L"provider.description",
                                        L"provider.implementation", L"provider.service"};
  ASSERT_EQ(params.size(), first + 4);
  for (unsigned int i = 0; i < 4; ++i) {
    Parameter& parameter = params[first + i];
    EXPECT_EQ(text(parameter.getId()), kIds[i]);
    EXPECT_EQ(text(parameter.getValue()), values[i]);
    EXPECT_EQ(text(parameter.getType()), L"String");
    EXPECT_EQ(text(parameter.getEncoding()), L"NONE");
  }
}

Params twoParameters() {
  Params params;
  params.push_back(Parameter(L"client.first", L"1"));
  params.push_back(Parameter(L"client.second", L"2"));
  return params;
}

class ManagerLoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    const fs::path directory = ownPath(fs::temp_directory_path(), "quor-loader-");
    ASSERT_TRUE(fs::create_directory(directory));
    fs::current_path(directory);
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(collect, &lines_);
  }

  void TearDown() override {
    zologSetHandler(nullptr, nullptr);
    for (HINSTANCE module : modules_) quor_test::closeLibrary(module);
    fs::current_path(previous_);
    std::error_code ignored;
    for (const fs::path& path : removed_) fs::remove_all(path, ignored);
  }

  // A name of this test's own in `directory`, removed in TearDown.
  fs::path ownPath(const fs::path& directory, const std::string& prefix, const char* suffix = "") {
    removed_.push_back(directory / (prefix + unique_ + suffix));
    return removed_.back();
  }

  // The caller owns one reference per module returned: released in TearDown.
  HINSTANCE keep(HINSTANCE module) {
    if (module != nullptr) modules_.push_back(module);
    return module;
  }

  const std::string unique_ = std::to_string(std::random_device()());
  Lines lines_;
  std::vector<HINSTANCE> modules_;
  std::vector<fs::path> removed_;
  const fs::path previous_ = fs::current_path();
};

TEST_F(ManagerLoaderTest, MissingOrIncompleteDefinitionFileIsRefusedAndParamsAreLeftAlone) {
  // A name found in neither place, and an absolute one, joined to the
  // library's directory all the same; then files that lack keys, in the
  // current directory or only beside the library.
  const std::wstring absent = widen("absent-" + unique_ + ".ini");
  const std::wstring absolute = (fs::current_path() / "absent.ini").wstring();
  const fs::path beside = ownPath(kLibraryDir, "quor-loader-test-", ".ini");
  const std::wstring besideName = beside.filename().wstring();
  const std::wstring implementation = L"'provider.implementation' key or its value";
  const std::tuple<std::wstring, const char*, Lines> cases[] = {
      // name, content, log
      {absent, nullptr, noFile(absent)},  // null content: no such file
      {absolute, nullptr, noFile(absolute)},
      {L"a.ini", "provider.name=A\nprovider.implementation=\n", noKey(implementation, L"a.ini")},
      {L"a.ini", "provider.implementation=m\nprovider.name =  \n",
       noKey(L"'provider.name' key or its value", L"a.ini")},
      {L"a.ini", "; provider.name=A\n#provider.implementation=m\nprovider.service=s\n",
       noKey(L"'provider.name' and 'provider.implementation' keys or the values corresponding to "
             L"these keys, were",
             L"a.ini")},
      {besideName, "provider.name=A\n",
       join({{fullPath(besideName)}, noKey(implementation, besideName)})},
  };
  for (const auto& [name, content, middle] : cases) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    lines_.clear();
    if (content != nullptr) writeFile(name == besideName ? beside : fs::path(name), content);
    Params params = twoParameters();
    EXPECT_EQ(ManagerFactory::newManagerInstance(name.c_str(), L"Demo", &params), nullptr);
    EXPECT_EQ(lines_, call(name, L"Demo", 2, middle, nullptr));
    EXPECT_EQ(params.size(), 2u);
  }
}

TEST_F(ManagerLoaderTest, ModuleIsLoadedAsWrittenOrElseBesideTheLibraryAndParamsGetTheFilesValues) {
  // The module's own path, in a file saved as an editor elsewhere might:
  // byte-order mark, CR LF, a comment and a line that begins with NUL. Then a
  // relative path from the library's directory (a bare name would be found
  // along the search path at once), and a bare name and an absolute path that
  // exist nowhere. The provider argument is no name of any.
  const fs::path subdirectory = ownPath(kLibraryDir, "quor-loader-test-");
  fs::create_directory(subdirectory);
  fs::copy_file(kModulePath, subdirectory / kModulePath.filename());
  const std::string extension = kModulePath.extension().string();
  const std::tuple<std::string, bool, std::string> cases[] = {
      // path, loads, description
      {kModulePath.string(), true, "A demo"},
      {(subdirectory.filename() / kModulePath.filename()).string(), true, ""},
      {"quor-no-such-module-" + unique_ + extension, false, ""},
      {(fs::current_path() / ("no-such-module" + extension)).string(), false, ""}};
  for (const auto& [path, loads, description] : cases) {
    SCOPED_TRACE(path);
    lines_.clear();
    writeFile("m.ini", "\xEF\xBB\xBFprovider.name=M\r\n# comment\r\n\0provider.name=Other\r\n"s +
                           "Provider.Description = " + description +
                           " \r\nprovider.implementation=" + path +
                           "\r\nPROVIDER.SERVICE=https://s.example/a=b\r\n");
    Params params = twoParameters();
    const HINSTANCE module =
        keep(ManagerFactory::newManagerInstance(L"m.ini", L"Argument", &params));
    EXPECT_EQ(module != nullptr, loads);
    const std::wstring implementation = widen(path);
    const bool beside = fs::path(path).is_relative() && !kRelativePathsSearched;
    EXPECT_EQ(lines_,
              call(L"m.ini", L"Argument", 2, loading(implementation, module, beside), module));
    expectProvider(params, 2, {L"M", widen(description), implementation, L"https://s.example/a=b"});
  }
  // The first module's own handle.
  EXPECT_EQ(quor_test::loadedLibrary(kModulePath.string().c_str()), modules_.at(0));
}

TEST_F(ManagerLoaderTest, ShortFormReadsProviderIniFromTheCurrentDirectoryOrElseBesideTheLibrary) {
  const fs::path beside = ownPath(kLibraryDir, "Short", ".ini");
  const std::wstring name = beside.filename().wstring(), provider = beside.stem().wstring();
  writeFile(beside, definitionText("Beside", kModulePath.string()));
  const HINSTANCE module = keep(ManagerFactory::newManagerInstance(provider.c_str(), nullptr));
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(lines_, call(name, provider, -1, join({{fullPath(name)}, loading(kModule, module)}),
                         module, L""));

  // The file here comes first, the provider argument only names it, and the
  // module's handle is the same again.
  writeFile(name, definitionText("Here", kModulePath.string()));
  Params params;
  EXPECT_EQ(keep(ManagerFactory::newManagerInstance(provider.c_str(), &params)), module);
  expectProvider(params, 0, {L"Here", L"", kModule, L""});
}

TEST_F(ManagerLoaderTest, LookupServiceCalledDirectlyHasNoDefaultFileName) {
  // Neither of these is read; the second place looked in is the library's
  // directory itself.
  for (const char* file : {".ini", "Demo.ini"})
    writeFile(file, definitionText("Demo", kModulePath.string()));
  Quor::ManagerFactoryLookupService lookup;
  EXPECT_EQ(keep(lookup.getManagerInstanceImpl(Quor::TString(), L"Demo", nullptr)), nullptr);
  EXPECT_EQ(lines_, join({opening(kLookup, L"", L"Demo", -1),
                          {logged(4, L"Loading factory definition file ''")},
                          noFile(L"")}));
}

TEST_F(ManagerLoaderTest, LoadedModuleGivesAManagerThatAnswers) {
  writeFile("answer.ini", definitionText("Answer", kModulePath.string()));
  Params params;
  const HINSTANCE module = keep(ManagerFactory::newManagerInstance(L"answer.ini", L"", &params));
  ASSERT_NE(module, nullptr);
  const auto entry = reinterpret_cast<QuorManagerInstanceFunction>(
      quor_test::findSymbol(module, QUOR_MANAGER_INSTANCE_FUNCTION));
  ASSERT_NE(entry, nullptr) << quor_test::libraryError();
  Quor::ManagerInstance* instance = entry();
  ASSERT_NE(instance, nullptr);
  Quor::Manager* manager = instance->createManager(&params);
  ASSERT_NE(manager, nullptr);
  Quor::ExternalOperation request;
  Quor::ExternalOperation* answer = manager->execute(&request);
  ASSERT_NE(answer, nullptr);
  Params* responses = answer->getResponseParameters();
  ASSERT_TRUE(responses != nullptr && responses->size() == 1u);
  EXPECT_EQ(text((*responses)[0].getId()), L"answer");
  EXPECT_EQ(text((*responses)[0].getValue()), L"42");
  responses->destroy();
  answer->destroy();
  manager->destroy();
}

// Files that are not what they claim: a FIFO or named pipe, a device, a file
// far larger than any definition file, in the place of the definition file;
// a name longer than any path, a text file and a FIFO in the place of the
// module. None may block the call or take the process's memory, and the log
// tells what each was.
TEST_F(ManagerLoaderTest, WhatIsNotADefinitionFileOrAModuleIsRefusedWithoutBlocking) {
  const std::wstring here = fs::current_path().wstring();
#if defined(_WIN32)
  const std::wstring special = L"\\\\.\\pipe\\quor-loader-" + widen(unique_);
  const HANDLE pipe = CreateNamedPipeW(special.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                                       PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  const std::vector<std::wstring> specialFiles = {special};
#else
  const std::wstring special = here + L"/fifo";
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  fs::create_symlink("/dev/zero", "zero.ini");
  const std::vector<std::wstring> specialFiles = {L"fifo", L"zero.ini"};
#endif
  for (const std::wstring& file : specialFiles) {
    SCOPED_TRACE(std::string(file.begin(), file.end()));
    lines_.clear();
    EXPECT_EQ(ManagerFactory::newManagerInstance(file.c_str(), L"Demo", nullptr), nullptr);
    EXPECT_EQ(lines_, call(file, L"Demo", -1, join({{notRegular(file, L"ignored")}, noFile(file)}),
                           nullptr));
  }

  // Over the limit by one byte: one line of "provider.name=...".
  writeFile("big.ini", "provider.name=" + std::string(1024 * 1024 - 14 + 1, 'n'));
  lines_.clear();
  EXPECT_EQ(ManagerFactory::newManagerInstance(L"big.ini", L"Demo", nullptr), nullptr);
  EXPECT_EQ(lines_, call(L"big.ini", L"Demo", -1,
                         join({{logged(2,
                                       L"'big.ini' is larger than 1048576 bytes: not a "
                                       L"definition file; ignored")},
                               noFile(L"big.ini")}),
                         nullptr));

  // A module path is tried as written and beside the library, and the code
  // logged is that of the attempt that found something.
  writeFile("text.txt", "not a module\n");
  const std::wstring longName(200000, L'm'), textFile = here + L"/text.txt";
  const std::tuple<std::wstring, int, bool> modules[] = {
      // implementation, error, special
      {longName, kNameTooLong, false},
      {fs::path(textFile).make_preferred().wstring(), kNotAModule, false},
      {fs::path(special).make_preferred().wstring(), kNotAModule, true}};
  for (const auto& [implementation, error, isSpecial] : modules) {
    SCOPED_TRACE(implementation.size() > 100
                     ? "long name"
                     : std::string(implementation.begin(), implementation.end()));
    writeFile("m.ini", definitionText("M", fs::path(implementation).string()));
    lines_.clear();
    Params params;
    EXPECT_EQ(ManagerFactory::newManagerInstance(L"m.ini", L"M", &params), nullptr);
    Lines loading = {logged(4, L"Loading library '" + implementation + L"'")};
    if (isSpecial) loading.push_back(notRegular(implementation, L"not loaded"));
    loading.push_back(fullPath(implementation));
    loading.push_back(notLoaded(error));
    EXPECT_EQ(lines_,
              call(L"m.ini", L"M", 0,
                   join({loading, {logged(4, L"<-- Output Param hInstDll = 0x0"), {16, kLookup}}}),
                   nullptr));
    EXPECT_EQ(params.size(), 4u);
  }
#if defined(_WIN32)
  CloseHandle(pipe);
#endif
}

}  // namespace
