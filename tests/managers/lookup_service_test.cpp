// The manager loader end to end: ManagerFactory reads factory definition files
// that the tests write and loads a manager module built for the tests, and
// every line that it logs is checked through zolog's handler. Each test runs
// in a temporary directory of its own, the current directory for its duration.
#include <zolog/zolog.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <iterator>
#include <memory>
#include <new>
#include <regex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#endif

#include "quor/manager_module.h"
#include "quor/quor.h"
#include "support/dynamic_library.h"
#include "support/scratch_directory.h"

namespace {

namespace fs = std::filesystem;
using Quor::HINSTANCE;
using Quor::ManagerFactory;
using Params = Quor::Vector<Quor::Parameter>;
using namespace std::string_literals;
using Lines = std::vector<std::pair<int, std::wstring>>;  // level, message
using quor_test::writeFile;

// Windows looks for a relative module path along the search path, which
// begins with the program's directory, here the library's; elsewhere a
// relative path with a directory in it is taken from the current directory.
#if defined(_WIN32)
const int kNotFound = ERROR_MOD_NOT_FOUND, kNameTooLong = ERROR_FILENAME_EXCED_RANGE;
const int kNotAModule = ERROR_BAD_EXE_FORMAT;
const bool kRelativePathsSearched = true;
#else
const int kNotFound = ENOENT, kNameTooLong = ENAMETOOLONG, kNotAModule = ENOEXEC;
const bool kRelativePathsSearched = false;
#endif

// Paths as the library logs them: canonical, with the platform's separator.
const fs::path kLibraryDir = fs::canonical(QUOR_LIBRARY_DIR).make_preferred();
const fs::path kModulePath = fs::canonical(QUOR_TEST_MODULE_PATH).make_preferred();
const std::wstring kModule = kModulePath.wstring();
const fs::path kNoEntryPath = fs::canonical(QUOR_VERSIONED_MODULE_PATH).make_preferred();
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

// The expected log, step by step: each step is the lines that it logs.
Lines operator+(Lines lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}
Lines lookup(int level, const std::wstring& message) {
  return {{level, kLookup + L": " + message}};
}
Lines besideLibrary(const std::wstring& name) {
  const std::wstring path = (kLibraryDir / "").wstring() + name;  // with a final separator
  return lookup(4, L"Attempt to load with full path '" + path + L"'");
}
Lines noFile(const std::wstring& name) {
  return besideLibrary(name) + lookup(1, L"No properties files found corresponding to " + name);
}
Lines noKey(const std::wstring& keys, const std::wstring& file) {
  return lookup(2, keys + L" not found in " + file) +
         lookup(1, L"No keys where found in any of the properties files");
}
// The lines of `function` entered with these arguments: the factory's go on
// with the lookup's, which end with reading `file`.
Lines entered(const std::wstring& function, const std::wstring& definition,
              const std::wstring& provider, int items, const std::wstring& file) {
  const std::wstring input = function + L": --> Input Param ";
  const Lines lines = {{8, function},
                       {4, input + L"factoryDefinition = " + definition},
                       {4, input + L"provider = " + provider},
                       {4, input + L"params " + std::to_wstring(items) + L" items"}};
  if (function == kFactory) return lines + entered(kLookup, file, provider, items, file);
  return lines + lookup(4, L"Loading factory definition file '" + file + L"'");
}
// From "Loading library" on: `module` loaded as written, or beside the
// library when `beside`; or null, loaded nowhere, `error` logged. `refused`,
// a FIFO, is not handed to the system's loader.
Lines loading(const std::wstring& implementation, HINSTANCE module, bool beside,
              int error = kNotFound, bool refused = false) {
  const std::wstring code = L"Unable to find or load library! (Error " + std::to_wstring(error);
  return lookup(4, L"Loading library '" + implementation + L"'") +
         (refused ? lookup(2, L"'" + implementation + L"' is not a regular file; not loaded")
                  : Lines{}) +
         (beside || module == nullptr ? besideLibrary(implementation) : Lines{}) +
         (module == nullptr ? lookup(1, code + L")") : Lines{}) +
         lookup(4, L"<-- Output Param hInstDll = " + hex(module)) + Lines{{16, kLookup}};
}
// The whole log of newManagerInstance(definition, provider, params) whose
// lookup reads `file`: `steps` follow its "Loading factory definition file",
// and `result` is the handle returned.
Lines call(const std::wstring& file, const std::wstring& provider, int items, const Lines& steps,
           HINSTANCE result, const wchar_t* definition = nullptr) {
  return entered(kFactory, definition != nullptr ? definition : file, provider, items, file) +
         steps + Lines{{4, kFactory + L": <-- Output Param hLib = " + hex(result)}, {16, kFactory}};
}

// The system's description of its error `code`, as the library logs it.
std::wstring systemText(int code) {
#if defined(_WIN32)
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text, length);
  LocalFree(text);
  return message.substr(0, message.find_last_not_of(L" \r\n") + 1);
#else
  return widen(std::strerror(code));
#endif
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
  const wchar_t* const ids[] = {L"name", L"description", L"implementation", L"service"};
  ASSERT_EQ(params.size(), first + 4);
  for (unsigned int i = 0; i < 4; ++i) {
    Quor::Parameter& p = params[first + i];
    EXPECT_EQ(text(p.getId()) + L"=" + text(p.getValue()) + L" " + text(p.getType()) +
                  text(p.getEncoding()),
              L"provider." + (ids[i] + (L"=" + values[i])) + L" StringNONE");
  }
}

// The process's open files on Linux; 0 on Windows, whose handles serve more
// than files (under Wine /proc/self/fd would count Wine's own).
long openFiles() {
#if defined(_WIN32)
  return 0;
#else
  return static_cast<long>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
#endif
}

class ManagerLoaderTest : public quor_test::ScratchDirectoryTest {
 protected:
  void SetUp() override {
    ScratchDirectoryTest::SetUp();
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(collect, &lines_);
  }

  void TearDown() override {
    zologSetHandler(nullptr, nullptr);
    for (HINSTANCE module : modules_) quor_test::closeLibrary(module);
    EXPECT_EQ(openFiles(), openFiles_) << "a file was left open";
    ScratchDirectoryTest::TearDown();
  }

  // newManagerInstance, its short form when `file` is null, with the log
  // cleared first. The reference to the module returned is released in
  // TearDown.
  HINSTANCE load(const wchar_t* file, const wchar_t* provider, Params* params) {
    lines_.clear();
    const HINSTANCE module = file != nullptr
                                 ? ManagerFactory::newManagerInstance(file, provider, params)
                                 : ManagerFactory::newManagerInstance(provider, params);
    if (module != nullptr) modules_.push_back(module);
    return module;
  }

  const long openFiles_ = openFiles();
  Lines lines_;
  std::vector<HINSTANCE> modules_;
};

// Names found in neither place (an absolute one is joined to the library's
// directory all the same), files that lack keys, here or only beside the
// library, and files that are not what they claim: a FIFO or named pipe, a
// device, a file far larger than any definition file, one that does not open.
// None may block the call or take the process's memory; the log tells what
// each was, and the client's params are left alone.
TEST_F(ManagerLoaderTest, WhatIsNoCompleteDefinitionFileIsRefusedWithoutBlockingOrChangingParams) {
  const std::wstring absent = widen("absent-" + name_ + ".ini");
  const std::wstring absolute = (fs::current_path() / "absent.ini").wstring();
  const fs::path beside = ownPath(kLibraryDir, ".ini");
  const std::wstring besideName = beside.filename().wstring();
  const std::wstring implementation = L"'provider.implementation' key or its value";
  const auto refused = [](const std::wstring& file, const std::wstring& why) {
    return lookup(2, L"'" + file + L"' " + why + L"; ignored");
  };
  // A file that is there but does not open is named with the system's reason.
  const auto cannotOpen = [](int code) {
    return L"cannot be opened (Error " + std::to_wstring(code) + L": " + systemText(code) + L")";
  };
  const std::wstring special = specialFile().wstring();
  // Over the limit by one byte: one line of "provider.name=...".
  writeFile("big.ini", "provider.name=" + std::string(1024 * 1024 - 14 + 1, 'n'));
  std::vector<std::tuple<std::wstring, const char*, Lines>> cases = {
      // name, content (null: made beforehand, or no such file), log
      {absent, nullptr, noFile(absent)},
      {absolute, nullptr, noFile(absolute)},
      {L"a.ini", "provider.name=A\nprovider.implementation=\n", noKey(implementation, L"a.ini")},
      {L"a.ini", "provider.implementation=m\nprovider.name =  \n",
       noKey(L"'provider.name' key or its value", L"a.ini")},
      {L"a.ini", "; provider.name=A\n#provider.implementation=m\nprovider.service=s\n",
       noKey(L"'provider.name' and 'provider.implementation' keys or the values corresponding to "
             L"these keys, were",
             L"a.ini")},
      {besideName, "provider.name=A\n",
       besideLibrary(besideName) + noKey(implementation, besideName)},
      {L"big.ini", nullptr,
       refused(L"big.ini", L"is larger than 1048576 bytes: not a definition file") +
           noFile(L"big.ini")},
      {special, nullptr, refused(special, L"is not a regular file") + noFile(special)}};
#if defined(_WIN32)
  writeFile("held.ini", "provider.name=H\n");
  const HANDLE held = CreateFileW(L"held.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  cases.emplace_back(
      L"held.ini", nullptr,
      refused(L"held.ini", cannotOpen(ERROR_SHARING_VIOLATION)) + noFile(L"held.ini"));
#else
  fs::create_symlink("/dev/zero", "zero.ini");
  fs::create_symlink("loop.ini", "loop.ini");
  // A file is in both places, for valgrind lets the system look for a file
  // before it counts descriptors.
  const fs::path manyBeside = ownPath(kLibraryDir, "-many.ini");
  const std::wstring many = manyBeside.filename().wstring();
  writeFile(manyBeside, "provider.name=M\n");
  writeFile(many, "provider.name=M\n");
  cases.emplace_back(L"zero.ini", nullptr,
                     refused(L"zero.ini", L"is not a regular file") + noFile(L"zero.ini"));
  cases.emplace_back(L"loop.ini", nullptr,
                     refused(L"loop.ini", cannotOpen(ELOOP)) + noFile(L"loop.ini"));
  // Opened while every descriptor is taken: the place beside the library does not open either.
  cases.emplace_back(many, nullptr,
                     refused(many, cannotOpen(EMFILE)) + besideLibrary(many) +
                         refused(manyBeside.wstring(), cannotOpen(EMFILE)) +
                         lookup(1, L"No properties files found corresponding to " + many));
#endif
  for (const auto& [name, content, steps] : cases) {
    if (content != nullptr) writeFile(name == besideName ? beside : fs::path(name), content);
    Params params;
    params.push_back(Quor::Parameter(L"client", L"1"));
#if defined(_WIN32)
    EXPECT_EQ(load(name.c_str(), L"Demo", &params), nullptr);
#else
    std::vector<int> taken;
    for (int descriptor; name == many && (descriptor = dup(0)) >= 0;) taken.push_back(descriptor);
    EXPECT_EQ(load(name.c_str(), L"Demo", &params), nullptr);
    for (const int descriptor : taken) close(descriptor);
#endif
    EXPECT_EQ(lines_, call(name, L"Demo", 1, steps, nullptr));
    EXPECT_EQ(params.size(), 1u);
  }
#if defined(_WIN32)
  CloseHandle(held);
#endif
  // The lookup service called directly has no default name: neither ".ini"
  // nor "Demo.ini" is read, and the second place looked in is the library's
  // directory itself.
  writeFile(".ini", "provider.name=Demo\nprovider.implementation=" + kModulePath.string());
  fs::copy_file(".ini", "Demo.ini");
  lines_.clear();
  EXPECT_EQ(Quor::ManagerFactoryLookupService().getManagerInstanceImpl(L"", L"Demo", nullptr),
            nullptr);
  EXPECT_EQ(lines_, entered(kLookup, L"", L"Demo", -1, L"") + noFile(L""));
}

// The module's own path, in a file saved as an editor elsewhere might:
// byte-order mark, CR LF, a comment and a line that begins with NUL. Then a
// relative path from the library's directory (a bare name would be found along
// the search path at once); a bare name and an absolute path that exist
// nowhere; a name longer than any path, a text file and a FIFO, which is not
// handed to the system's loader. A path is tried as written and beside the
// library, and the code logged is that of the attempt that found something.
// The provider argument is no name of any.
TEST_F(ManagerLoaderTest, ModuleIsLoadedAsWrittenOrElseBesideTheLibraryAndParamsGetTheFilesValues) {
  const fs::path subdirectory = ownPath(kLibraryDir);
  fs::create_directory(subdirectory);
  fs::copy_file(kModulePath, subdirectory / kModulePath.filename());
  const std::wstring extension = kModulePath.extension().wstring();
  writeFile("text.txt", "not a module\n");
  std::vector<std::tuple<std::wstring, int, bool>> cases = {
      // implementation, error (0: loaded), refused as no regular file
      {kModule, 0, false},
      {(subdirectory.filename() / kModulePath.filename()).wstring(), 0, false},
      {widen("no-such-module-" + name_) + extension, kNotFound, false},
      {(fs::current_path() / (L"no-such-module" + extension)).wstring(), kNotFound, false},
      {std::wstring(200000, L'm'), kNameTooLong, false},
      {(fs::current_path() / "text.txt").wstring(), kNotAModule, false},
      {specialFile().make_preferred().wstring(), kNotAModule, true}};
#if !defined(_WIN32)
  // Both attempts find something: a text file here, a directory beside the
  // library; the second one's code is logged.
  const fs::path both = ownPath(kLibraryDir, "-both");
  fs::create_directories(both / "m");
  fs::create_directory(both.filename());
  writeFile(both.filename() / "m", "not a module\n");
  cases.emplace_back((both.filename() / "m").wstring(), EISDIR, false);
#endif
  for (const auto& [implementation, error, refused] : cases) {
    const std::string description = error == 0 ? "A demo" : "";
    writeFile("m.ini", "\xEF\xBB\xBFprovider.name=M\r\n# comment\r\n\0provider.name=Other\r\n"s +
                           "Provider.Description = " + description +
                           " \r\nprovider.implementation=" + fs::path(implementation).string() +
                           "\r\nPROVIDER.SERVICE=https://s.example/a=b\r\n");
    Params params;
    params.push_back(Quor::Parameter(L"client", L"1"));
    const HINSTANCE module = load(L"m.ini", L"Argument", &params);
    EXPECT_EQ(module != nullptr, error == 0);
    const bool beside = fs::path(implementation).is_relative() && !kRelativePathsSearched;
    EXPECT_EQ(lines_, call(L"m.ini", L"Argument", 1,
                           loading(implementation, module, beside, error, refused), module));
    expectProvider(params, 1, {L"M", widen(description), implementation, L"https://s.example/a=b"});
  }
  EXPECT_EQ(quor_test::loadedLibrary(kModulePath.string().c_str()), modules_.at(0));
}

TEST_F(ManagerLoaderTest, ShortFormReadsProviderIniFromTheCurrentDirectoryOrElseBesideTheLibrary) {
  const fs::path beside = ownPath(kLibraryDir, ".ini");
  const std::wstring name = beside.filename().wstring(), provider = beside.stem().wstring();
  writeFile(beside, "provider.name=Beside\nprovider.implementation=" + kModulePath.string());
  const HINSTANCE module = load(nullptr, provider.c_str(), nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(lines_, call(name, provider, -1, besideLibrary(name) + loading(kModule, module, false),
                         module, L""));

  // The file here comes first, the provider argument only names it, and the
  // module's handle is the same again.
  writeFile(name, "provider.name=Here\nprovider.implementation=" + kModulePath.string());
  Params params;
  EXPECT_EQ(load(nullptr, provider.c_str(), &params), module);
  expectProvider(params, 0, {L"Here", L"", kModule, L""});
}

// A client's vector whose push_back throws what the row gives.
class ThrowingParams : public Params {
 public:
  explicit ThrowingParams(int row) : row_(row) {}
  void push_back(const Quor::Parameter&) override {
    if (row_ == 0) throw std::bad_alloc();
    if (row_ == 1) throw std::bad_array_new_length();
    if (row_ == 2) throw std::runtime_error("client's own");
    throw 42;
  }

 private:
  int row_;
};

TEST_F(ManagerLoaderTest, AnyExceptionFromTheClientsVectorIsCaughtAndLoggedWithItsText) {
  writeFile("m.ini", "provider.name=M\nprovider.implementation=" + kModulePath.string());
  const wchar_t* const texts[] = {L"bad allocation", L"bad array new length", L"client's own",
                                  L"not a std::exception"};
  for (int row = 0; row < 4; ++row) {
    ThrowingParams params(row);
    EXPECT_EQ(load(L"m.ini", L"M", &params), nullptr);
    EXPECT_EQ(lines_, call(L"m.ini", L"M", 0, lookup(1, L"Stopped by an exception: "s + texts[row]),
                           nullptr));
  }
}

#if !defined(_WIN32)
// Runs `client` with `definition` as the user 65534 and returns what it
// writes to its standard output and error.
std::string runAsNobody(const char* client, const std::string& definition) {
  const pid_t child = fork();
  if (child == 0) {
    const int output = open("output.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output < 0 || dup2(output, 1) < 0 || dup2(output, 2) < 0 || setgroups(0, nullptr) != 0 ||
        setgid(65534) != 0 || setuid(65534) != 0)
      _exit(77);
    setenv("ZOLOG_LEVEL", "7", 1);
    setenv("ZOLOG_FILE", "chosen-by-the-user.log", 1);
    execl(client, client, definition.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << client << " " << status;
  std::stringstream out;
  out << std::ifstream("output.txt").rdbuf();
  return out.str();
}

// A set-user-ID copy of a client, run by a user who is not root from a
// directory where a definition file and a module were planted, reads no
// definition file and loads no module by a relative path; the same client
// without the bit reads and loads both, and logs nothing of privileges.
TEST_F(ManagerLoaderTest, PrivilegedProcessTakesNoRelativePathFromItsCurrentDirectory) {
  if (geteuid() != 0) GTEST_SKIP() << "a set-user-ID copy run by another user needs root";
  fs::create_directory("planted");
  fs::copy_file(kModulePath, "planted/m.so");
  writeFile("trust.ini", "provider.name=T\nprovider.implementation=" + kModulePath.string());
  const std::string absolute = (fs::current_path() / "relative.ini").string();
  writeFile(absolute, "provider.name=T\nprovider.implementation=planted/m.so\n");
  fs::copy_file(QUOR_PRIVILEGED_CLIENT_PATH, "client");
  fs::copy_file("client", "setuid-client");
  fs::permissions("setuid-client", fs::perms::set_uid, fs::perm_options::add);
  const std::string privileged = "is a relative path in a privileged process: ";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      // client, definition, what it writes
      {"./client", "trust.ini", "loaded"},
      {"./client", absolute, "loaded"},
      {"./setuid-client", "trust.ini",
       "[2] 'trust.ini' " + privileged + "not read from the current directory|null"},
      {"./setuid-client", absolute,
       "[2] 'planted/m.so' " + privileged + "not loaded as written|null"}};
  for (const auto& [client, definition, expected] : cases) {
    const std::string out = runAsNobody(client, definition);
    // The lines of privileges, as "[level] message|", and the client's answer.
    std::string seen;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t level = line.find(" ["), message = line.find("Impl: ");
      if (line.find(privileged) != std::string::npos)
        seen += line.substr(level + 1, 4) + line.substr(message + 6) + "|";
      if (line == "loaded" || line == "null") seen += line;
    }
    EXPECT_EQ(seen, expected) << client << " " << definition << "\n" << out;
    // The privileged client ignores ZOLOG_FILE; 65534 may not create files here.
    EXPECT_FALSE(fs::exists("chosen-by-the-user.log")) << client;
  }
}
#endif

// ManagerModule::load takes the factory's road, with the same log and params,
// and throws each failure's reason after the provider's name; a module
// without the entry point is given back.
TEST_F(ManagerLoaderTest, ManagerModuleLoadThrowsTheProviderAndTheReasonAfterTheFactorysOwnLog) {
  const std::string missing = "missing-" + name_, besideMissing = (kLibraryDir / missing).string();
  const std::wstring notFound = systemText(kNotFound);
  // As the system's loader gives it: on Linux after the path.
  const auto reason = [&]([[maybe_unused]] const std::string& path) {
    const std::string text(notFound.begin(), notFound.end());
#if defined(_WIN32)
    return text;
#else
    return path + ": cannot open shared object file: " + text;
#endif
  };
  const std::string named = "provider.name=P\nprovider.implementation=";
  const std::vector<std::tuple<std::string, Quor::ManagerLoadFailure, std::string>> cases = {
      // definition file (empty: none), failure, what() after the provider
      {"", Quor::MANAGER_NO_DEFINITION_FILE,
       "no definition file ('P\xC3\xA9.ini': no file; '" +
           (kLibraryDir / fs::u8path("P\xC3\xA9.ini")).u8string() + "': no file)"},
      {"provider.name=P", Quor::MANAGER_INCOMPLETE_DEFINITION,
       "definition file 'P\xC3\xA9.ini' names no provider.implementation"},
      {"provider.implementation=m", Quor::MANAGER_INCOMPLETE_DEFINITION,
       "definition file 'P\xC3\xA9.ini' names no provider.name"},
      {"provider.service=s", Quor::MANAGER_INCOMPLETE_DEFINITION,
       "definition file 'P\xC3\xA9.ini' names neither provider.name nor provider.implementation"},
      {named + missing, Quor::MANAGER_MODULE_NOT_LOADED,
       "module '" + missing + "' not loaded ('" + missing + "': " + reason(missing) + "; '" +
           besideMissing + "': " + reason(besideMissing) + ")"},
      {named + kNoEntryPath.string(), Quor::MANAGER_NO_ENTRY_POINT,
       "module '" + kNoEntryPath.string() +
           "' exports no entry point quorManagerInstance (define it with "
           "QUOR_DEFINE_MANAGER_INSTANCE, which gives it C linkage)"},
      {named + missing, Quor::MANAGER_LOAD_STOPPED, "stopped by an exception: client's own"}};
  for (const auto& [definition, failure, what] : cases) {
    if (!definition.empty()) writeFile(fs::u8path("P\xC3\xA9.ini"), definition);
    const auto fresh = [failure = failure]() -> std::unique_ptr<Params> {
      if (failure == Quor::MANAGER_LOAD_STOPPED) return std::make_unique<ThrowingParams>(2);
      return std::make_unique<Params>();
    };
    const std::unique_ptr<Params> factoryParams = fresh(), params = fresh();
    load(nullptr, L"P\u00e9", factoryParams.get());  // the module is held till the test ends
    const Lines expected = lines_;
    lines_.clear();
    try {
      Quor::ManagerModule::load(L"P\u00e9", params.get());
      ADD_FAILURE() << what;
    } catch (const Quor::ManagerLoadError& error) {
      EXPECT_EQ(error.failure(), failure);
      EXPECT_EQ(error.what(), "manager module of provider \"P\xC3\xA9\" not loaded: " + what);
    }
    EXPECT_EQ(lines_, expected);
    EXPECT_EQ(params->size(), factoryParams->size());
  }
  quor_test::closeLibrary(modules_.at(0));
  modules_.clear();
  EXPECT_EQ(quor_test::loadedLibrary(kNoEntryPath.string().c_str()), nullptr);
}

TEST_F(ManagerLoaderTest, ManagerModuleMakesManagersAndIsUnloadedWhenItsLastHolderGoes) {
  writeFile("Echo.ini", "provider.name=Echo\nprovider.implementation=" + kModulePath.string());
  {
    Params factoryParams, params;
    const HINSTANCE held = load(nullptr, L"Echo", &factoryParams);  // both logs show one handle
    const Lines expected = lines_;
    lines_.clear();
    Quor::ManagerModule module = Quor::ManagerModule::load(L"Echo", &params);
    EXPECT_EQ(lines_, expected);
    expectProvider(params, 0, {L"Echo", L"", kModule, L""});
    EXPECT_EQ(module.handle(), held);
    quor_test::closeLibrary(held);
    modules_.clear();

    EXPECT_FALSE(module.createManager(nullptr));  // the test module makes none without params
    Quor::Owned<Quor::Manager> manager = module.createManager(&params);
    ASSERT_TRUE(manager);
    Quor::ExternalOperation request;
    request.setExternalOperationId(L"op-1");
    const Quor::Owned<Quor::ExternalOperation> answer(manager->execute(&request));
    EXPECT_EQ(text(answer->getExternalOperationId()), L"op-1");
    manager.reset();

    // Moved from: holds and makes nothing. Assigned over: gives back its reference.
    Quor::ManagerModule moved(std::move(module));
    EXPECT_TRUE(module.handle() == nullptr && module.instance() == nullptr);
    EXPECT_FALSE(module.createManager(&params));
    Quor::ManagerModule second = Quor::ManagerModule::load(L"Echo", nullptr);
    second = std::move(moved);
    EXPECT_TRUE(second.handle() == held && second.createManager(&params));
  }
  EXPECT_EQ(quor_test::loadedLibrary(kModulePath.string().c_str()), nullptr);
}

}  // namespace
