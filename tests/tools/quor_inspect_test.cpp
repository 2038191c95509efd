// quor-inspect run as a user runs it, in a temporary current directory of each
// test's own, against definition files and modules that the tests make: each
// case checks the exit status and what the output says, in order.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <zolog/zolog.h>

#if defined(_WIN32)
#include <windows.h>

#include <aclapi.h>
#else
#include <dlfcn.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "binary_headers.h"
#include "quor/manager_module.h"
#include "quor/quor.h"
#include "support/scratch_directory.h"

namespace {

namespace fs = std::filesystem;

// Made absolute while the current directory is still the build's (under Wine
// a path that begins with '/' is taken on the current drive), with the
// platform's separators, as the tool writes them.
fs::path absolute(const char* path) { return fs::canonical(path).make_preferred(); }
const fs::path kTool = absolute(QUOR_INSPECT_PATH);
const fs::path kLibraryDir = absolute(QUOR_LIBRARY_DIR);
const std::string kManager = absolute(QUOR_TEST_MODULE_PATH).string();
const std::string kVersioned = absolute(QUOR_VERSIONED_MODULE_PATH).string();
const std::string kNeedsDependency = absolute(QUOR_NEEDS_DEPENDENCY_PATH).string();
const std::string kCxxEntry = absolute(QUOR_CXX_ENTRY_PATH).string();
const std::string kNewer = absolute(QUOR_NEWER_MODULE_PATH).string();
const std::string kThrowing = absolute(QUOR_THROWING_MODULE_PATH).string();
const std::string kAborting = absolute(QUOR_ABORTING_MODULE_PATH).string();
const std::string kHanging = absolute(QUOR_HANGING_MODULE_PATH).string();
const fs::path kDependency = absolute(QUOR_DEPENDENCY_FILE);
#if defined(QUOR_OTHER_SYSTEM_MODULE)
const std::string kOtherSystem = absolute(QUOR_OTHER_SYSTEM_MODULE).string();
#endif

// The code of a file that the loader cannot load: ENOEXEC, ERROR_BAD_EXE_FORMAT;
// of a module that is not there: ENOENT, ERROR_MOD_NOT_FOUND.
#if defined(_WIN32)
const std::string kNotAModule = "193", kNotFound = "126";
#else
const std::string kNotAModule = "8", kNotFound = "2";
#endif

struct Result {
  int status;
  std::string out;
};

class QuorInspectTest : public quor_test::ScratchDirectoryTest {
 protected:
  // Runs the tool with `arguments`; its standard output goes through a file.
  Result run(const std::string& arguments) {
    const fs::path output = directory_ / "output.txt";
    std::string command =
        "\"" + kTool.string() + "\" " + arguments + " > \"" + output.string() + "\"";
#if defined(_WIN32)
    command = "\"" + command + "\"";  // cmd.exe takes the outer quotes away
    const int status = std::system(command.c_str());
#else
    const int result = std::system(command.c_str());
    const int status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
#endif
    std::stringstream out;
    out << std::ifstream(output, std::ios::binary).rdbuf();
    std::string text = out.str();
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return {status, text};
  }

  // Writes the provider's definition file into the current directory.
  void define(const std::string& bytes) { quor_test::writeFile(name_ + ".ini", bytes); }

  // The tool run with `options` to load `module`, which the definition file names.
  Result load(const std::string& module, const std::string& options = "") {
    define("provider.name=M\nprovider.implementation=" + module + "\n");
    return run(options + "--load " + name_);
  }
};

// The status, when not kAnyStatus, and each of `parts` in the output, in this
// order. A listing's status also depends on the files that other tests write
// beside the library meanwhile.
const int kAnyStatus = -1;
void expectInOrder(const Result& run, int status, const std::vector<std::string>& parts) {
  if (status != kAnyStatus) {
    EXPECT_EQ(run.status, status) << run.out;
  }
  std::size_t from = 0;
  for (const std::string& part : parts) {
    from = run.out.find(part, from);
    ASSERT_NE(from, std::string::npos) << "no '" << part << "' in order in:\n" << run.out;
  }
}

TEST_F(QuorInspectTest, MissingFileOrKeyIsADefinitionProblemAndNothingIsLoaded) {
  const std::string beside = (kLibraryDir / (name_ + ".ini")).string();
  expectInOrder(
      run(name_), 1,
      {"[as given] " + name_ + ".ini: no file", "[beside the library] " + beside + ": no file",
       "no definition file " + name_ + ".ini", "Status 1"});
  const std::string sub =
      "sub" + std::string(1, static_cast<char>(fs::path::preferred_separator)) + name_;
  expectInOrder(run(sub), 1, {"the provider name \"" + sub + "\" is a path"});
  // Passed over unread, as the factory does, and the search goes on.
  const std::string special = specialFile().string();
  expectInOrder(run("--file " + special), 1,
                {"[as given] " + special + ": not a regular file: not read",
                 "[beside the library] ", "no definition file"});
#if !defined(_WIN32)
  expectInOrder(run("--list"), 1, {"special.ini: not a regular file: not read"});
#endif
  define("provider.name=A\nprovider.service=s\n");
  expectInOrder(run("--load " + name_), 1,
                {"provider.implementation is not set", "the factory loads none", "Status 1"});
  define("provider.name=\nprovider.implementation=" + kManager + "\n");
  const Result empty = run("--load --file " + name_ + ".ini");
  expectInOrder(empty, 1, {"provider.name is empty (line 1)"});
  EXPECT_EQ(empty.out.find("Loading"), std::string::npos);
}

TEST_F(QuorInspectTest, EveryLineIsExplainedAndSuspiciousOnesAreWarnedAbout) {
  define(std::string("\xEF\xBB\xBF; c\r\nprovider.name=O\x1b[2J\r\x07\xC2\x9B\\ld\n") +
         "  # provider.service=x\nno equals\n" +
         "=v\nProvider.Name = New\xFF\nprovider.implementation=m\nprovider.service=\nother=1\n" +
         std::string(1, '\0') + "provider.description=d");
  expectInOrder(
      run(name_), 0,
      {"1: ; c\n     comment",
       "2: provider.name=O\\x1b[2J\\x0d\\x07\\u009b\\ld\n"
       "     sets provider.name to \"O\\x1b[2J\\x0d\\x07\\u009b\\ld\", overridden by line 6",
       "3:   # provider.service=x\n     ignored: unknown key \"# provider.service\"",
       "4: no equals\n     ignored: no '='", "5: =v\n     ignored: nothing before the '='",
       "sets provider.name to \"New\xC3\xBF\"", "9: other=1\n     ignored: unknown key \"other\"",
       "10: \n     ignored: begins with a NUL character",
       "provider.name = \"New\xC3\xBF\" (line 6)", "provider.description = \"\" (not set)",
       "provider.implementation = \"m\" (line 7)", "provider.service = \"\" (line 8)",
       "Warnings:\n  the file begins with a UTF-8 byte-order mark",
       "line 3 is not a comment: blanks come before its '#'",
       "line 6 holds bytes that are not valid UTF-8",
       "line 8 gives provider.service an empty value", "Status 0"});
}

TEST_F(QuorInspectTest, CopyInTheCurrentDirectoryShadowsTheOneBesideTheLibraryAndBothAreListed) {
  define("provider.name=Here\nprovider.implementation=h\n");
  const fs::path besidePath = ownPath(kLibraryDir, ".ini");
  const std::string beside = besidePath.string();
  std::ofstream(besidePath) << "provider.name=There\n";
  expectInOrder(run(name_), 0,
                {"[as given] " + name_ + ".ini: found, read",
                 "[beside the library] " + beside + ": found, not read",
                 name_ + ".ini (as given) shadows " + beside + " beside the library"});
  expectInOrder(run("--list"), kAnyStatus,
                {"[current directory] " + (directory_ / (name_ + ".ini")).string() +
                     ": provider \"Here\", module \"h\"\n",
                 "[beside the library] " + beside +
                     ": provider \"There\", module \"\" (incomplete) (shadowed by the file in the "
                     "current directory)"});
  // A file too large is passed over unread, as the factory does: it shadows nothing.
  define(std::string(1024 * 1024 + 1, ';'));
  expectInOrder(run(name_), 1,
                {"[as given] " + name_ + ".ini: larger than 1 MiB: not a definition file",
                 "[beside the library] " + beside + ": found, read"});
  expectInOrder(run("--list"), 1, {beside + ": provider \"There\", module \"\" (incomplete)\n"});
}

#if !defined(_WIN32)
// A definition file whose name is not UTF-8 (Latin-1 "café") is found, read
// and listed; its name is shown with U+FFFD for the byte, as valid UTF-8.
TEST_F(QuorInspectTest, AFileNameThatIsNotUtf8IsFoundReadAndListed) {
  std::ofstream("caf\xe9.ini") << "provider.name=Caf\nprovider.implementation=" + kManager;
  expectInOrder(run("--load caf\xe9"), 0,
                {"[as given] caf\xef\xbf\xbd.ini: found, read", kManager + ": loaded"});
  expectInOrder(run("--list"), kAnyStatus, {"caf\xef\xbf\xbd.ini: provider \"Caf\""});
}
#endif

TEST_F(QuorInspectTest, LoadReportsTheModulesVersionsAndEntryPoint) {
  const Result manager = load(kManager);
  expectInOrder(manager, 0,
                {"[as written] " + kManager + ": loaded", "Module " + kManager, "version: none",
                 "built against a version it does not record, this library is 1.",
                 "entry point quorManagerInstance: exported", "Status 0"});
  EXPECT_EQ(manager.out.find("Warnings:"), std::string::npos) << manager.out;
  expectInOrder(load(kVersioned), 2,
                {"version: 2.5.0.0", "entry point quorManagerInstance: not exported",
                 "it is not a manager module", "Status 2"});
  expectInOrder(load(kNewer), 2,
                {"Warnings:\n  the module was built against quor-interfaces 65535.1.0.0, a newer "
                 "major version than this library's 1.",
                 "built against 65535.1.0.0, this library is 1."});
  expectInOrder(load(kNewer, "--json "), 2,
                {"\"kind\":\"newer-major\"", "\"builtAgainst\":\"65535.1.0.0\""});
}

TEST_F(QuorInspectTest, LoadTellsAMissingModuleFromAModuleWhoseDependencyIsMissing) {
  const std::string absent = (directory_ / "absent-module").string();
  expectInOrder(load(absent), 2,
                {"[as written] " + absent + ": no such file (error " + kNotFound + ": ",
                 "[beside the library] " + (kLibraryDir / "").string() + absent + ": no such file",
                 "the module did not load: ", " (error " + kNotFound + ")\nStatus 2"});
  const Result needs = load(kNeedsDependency);
  expectInOrder(needs, 2,
                {"[as written] " + kNeedsDependency +
                     ": found, but a module that it needs is missing or its initialisation failed",
                 "Status 2"});
  // The second attempt finds nothing beside the library: the first tells why.
  const std::string file = (directory_ / (name_ + ".ini")).string();
  const std::string notAModule =
      file + ": found, but not a loadable module for this process (error " + kNotAModule;
  expectInOrder(
      load(file), 2,
      {"[as written] " + notAModule + ": ", "the module did not load: " + notAModule + ")"});
  const std::string special = specialFile().string();
  expectInOrder(
      load(special), 2,
      {"[as written] " + special + ": not a regular file: not loaded (error " + kNotAModule + ": ",
       "the module did not load: " + special + ": not a regular file"});
#if !defined(_WIN32)
  // The system's own message names the missing module.
  EXPECT_NE(needs.out.find("libquor_inspect_dependency.so: cannot open"), std::string::npos);
#endif
}

// Mistakes that the factory does not forgive, each with what to write or
// rename instead; a definition without them gets no hint.
TEST_F(QuorInspectTest, HintsSayWhatToWriteForAModuleBesideTheFileAMisnamedFileOrACxxEntryPoint) {
  // Not beside the library, where the factory would find it.
  const std::string module = "echo-module" + fs::path(kManager).extension().string();
  fs::create_directory("sub");
  fs::copy_file(kManager, fs::path("sub") / module);
  quor_test::writeFile("sub/P.ini", "provider.name=P\nprovider.implementation=" + module);
  const std::string beside = (directory_ / "sub" / module).string();
  expectInOrder(run("--load --file " + (fs::path("sub") / "P.ini").string()), 2,
                {"Hints:\n  " + beside + " lies beside the definition file, where the factory",
                 "write provider.implementation=" + beside + ", or install", "Status 2"});

  define("provider.name=Other\nprovider.implementation=m\n");
  const std::string looksFor =
      "a client that asks for the provider \"Other\" has the factory look for Other.ini";
  expectInOrder(run(name_), 0,
                {"Hints:\n  provider.name is \"Other\", but " + looksFor + ", not " + name_ +
                 ".ini: give the file and the provider"});
  expectInOrder(run("--list"), kAnyStatus,
                {name_ + ".ini: provider \"Other\", module \"m\"\n    warning: " + looksFor});
#if !defined(_WIN32)
  quor_test::writeFile("CASE.ini", "provider.name=CASE\n");
  expectInOrder(run("case"), 1,
                {"CASE.ini differs from case.ini only in letter case", "rename it case.ini"});
#endif

  const Result cxx = load(kCxxEntry, "--json ");
  expectInOrder(cxx, 2,
                {"\"cppEntryPoint\":\"_Z19quorManagerInstancev\"}", "\"hints\":[",
                 "only under the C++ name _Z19quorManagerInstancev, which clients do not look for: "
                 "declare it extern \\\"C\\\", or define it with QUOR_DEFINE_MANAGER_INSTANCE"});
  EXPECT_EQ(load(kVersioned).out.find("C++ name"), std::string::npos);
  define("provider.name=" + name_ + "\nprovider.implementation=" + kManager + "\n");
  const Result clean = run("--load " + name_);
  EXPECT_EQ(clean.out.find("Hints:"), std::string::npos) << clean.out;
  const std::string listed = run("--list").out;
  EXPECT_EQ(listed.find(kManager + "\"\n    warning"), std::string::npos) << listed;
}

// Runs the current test again in a child process as the unprivileged user
// 65534 when this process is root, whom permissions do not stop: returns true
// in the parent, which has then checked the child's result.
bool rerunUnprivileged() {
#if defined(_WIN32)
  return false;
#else
  if (geteuid() != 0) return false;
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter =
      std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
  // The link's target, not the link: valgrind gives its client's here.
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(77);
    execl(self.c_str(), self.c_str(), filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
    ADD_FAILURE() << "cannot take the user 65534; run the test as a user who is not root";
  } else {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the unprivileged run failed";
  }
  return true;
#endif
}

// Collects the factory's log, one line after another, each after its level
// ("[2] ").
void collectLog(void* context, const wchar_t*, int level, const wchar_t* message) {
  std::string& log = *static_cast<std::string*>(context);
  log += "[" + std::to_string(level) + "] ";
  for (const wchar_t* c = message; *c != L'\0'; ++c) log += static_cast<char>(*c);
  log += '\n';
}

// newManagerInstance(definition) in this process, its log and the four
// parameters it hands back in `params`.
Quor::HINSTANCE loadHere(const std::string& definition, std::string& log,
                         Quor::Vector<Quor::Parameter>* params = nullptr) {
  zologSetHandler(collectLog, &log);
  zologSetLevelMask(ZOLOG_ALL);
  const std::wstring wide(definition.begin(), definition.end());
  const Quor::HINSTANCE module =
      Quor::ManagerFactory::newManagerInstance(wide.c_str(), L"M", params);
  zologSetHandler(nullptr, nullptr);
  return module;
}

// What the system refuses to open, as a definition file or as a module (what
// the factory passes over or does not find is checked against its log in the
// loader's tests, and against the tool's output above).
TEST_F(QuorInspectTest, FactoryAndToolGiveTheSameReasonForWhatCannotBeOpened) {
  if (rerunUnprivileged()) return;
  const std::string here = directory_.string() + std::string(1, fs::path::preferred_separator);
  quor_test::writeFile("definition.ini", "provider.name=D\n");
  std::vector<std::tuple<std::string, bool, std::string>> cases;  // path, module, system's code
#if defined(_WIN32)
  quor_test::writeFile("module.dll", "held\n");
  const HANDLE held =
      CreateFileA("definition.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE heldModule =
      CreateFileA("module.dll", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  cases = {{here + "definition.ini", false, "32"}, {here + "module.dll", true, "32"}};
#else
  // A directory that cannot be searched, a file that cannot be read, a loop.
  fs::create_directory("closed");
  fs::copy_file(kManager, "closed/m.so");
  fs::copy_file(kManager, "unreadable.so");
  for (const char* path : {"unreadable.so", "definition.ini", "closed"})
    fs::permissions(path, fs::perms::none);
  fs::create_symlink("loop", "loop");
  const std::string eacces = std::to_string(EACCES), eloop = std::to_string(ELOOP);
  for (const bool module : {false, true}) {
    cases.emplace_back(here + "closed/m.so", module, eacces);
    cases.emplace_back(here + "loop", module, eloop);
  }
  cases.emplace_back(here + "definition.ini", false, eacces);
  cases.emplace_back(here + "unreadable.so", true, eacces);
#endif
  for (const auto& [path, module, code] : cases) {
    const std::string definition = module ? here + "m.ini" : path;
    if (module)
      quor_test::writeFile(definition, "provider.name=M\nprovider.implementation=" + path);
    std::string log;
    EXPECT_EQ(loadHere(definition, log), nullptr);
    const Result tool = run("--load --file \"" + definition + "\"");
    SCOPED_TRACE(path + "\n" + log + tool.out);
    EXPECT_EQ(log.find("cannot be opened") != std::string::npos, !module);
    const std::string reason = module ? "Unable to find or load library! (Error " + code + ")"
                                      : "cannot be opened (Error " + code + ": ";
    const std::size_t at = log.find(reason);
    ASSERT_NE(at, std::string::npos);
    if (module) {
      expectInOrder(tool, 2, {"the module did not load: ", " (error " + code + ")\nStatus 2"});
    } else {
      // The system's words too, as the factory's log gives them.
      const std::size_t from = log.find("(Error ", at) + 7;
      const std::string words = log.substr(from, log.find(')', from) - from);
      expectInOrder(tool, 1,
                    {"[as given] " + path + ": there, but it cannot be opened for reading (error " +
                     words + ")\n"});
    }
  }
#if defined(_WIN32)
  CloseHandle(held);
  CloseHandle(heldModule);
#else
  fs::permissions("closed", fs::perms::owner_all);
#endif
}

// The path of the file of `module`, as the module itself finds it.
std::string moduleOwnPath(Quor::HINSTANCE module) {
#if defined(_WIN32)
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  return path;
#else
  Dl_info info = {};
  dladdr(dlsym(module, QUOR_MANAGER_INSTANCE_FUNCTION), &info);
  return fs::canonical(info.dli_fname).string();
#endif
}

// --pin writes the module's SHA-256 digest (a known one for known bytes).
// Pinned by it, in either case, the module loads in the factory and in the
// tool, from a file that keeps the module's own path, and the client gets
// the four parameters only. A bare name is not searched for, only taken
// beside the library; bytes of the digest that are no module reach the
// loader, which names the file. Another digest, or a value that is no
// digest, loads nothing, and no other place is tried.
TEST_F(QuorInspectTest, PinnedModuleLoadsOnlyWhenItsDigestIsTheOnePinned) {
  const std::string text = (directory_ / "text.dll").string(),
                    lookup = "ManagerFactoryLookupService::getManagerInstanceImpl: ";
  quor_test::writeFile(text, "not a module\n");
  define("provider.name=M\nprovider.implementation=" + text);
  const std::string textDigest = "93cd816056f28ae55b76347862480044f74c9324a813d8c6825d53ace5cc18f2";
  EXPECT_EQ(run("--pin " + name_).out, "provider.sha256=" + textDigest + "\n");
  define("provider.name=M\nprovider.implementation=" + kManager);
  const std::string digest = run("--pin " + name_).out.substr(16, 64);
  std::string upper = digest;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  const std::string zeros(64, '0'), notHex = digest.substr(1) + "g";
  const std::string bare = fs::path(kManager).filename().string();
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      // implementation, provider.sha256, the factory's line (none: it loads), the tool's
      {kManager, digest, "", "found:    " + digest + " (" + kManager + ")\n"},
      {kManager, upper, "", "expected: " + upper},
      {bare, digest, "", "[beside the library] " + kManager + ": loaded"},
      {text, textDigest,
       "[1] " + lookup + "Unable to find or load library! (Error " + kNotAModule + ")",
       "[as written] " + text + ": found, but not a loadable module"},
      {kManager, zeros,
       "[1] " + lookup + "'" + kManager +
           "' is not the module that provider.sha256 pins (expected " + zeros + ", found " +
           digest + "); not loaded\n",
       "[as written] " + kManager +
           ": found, but not loaded: its SHA-256 digest is not the one that provider.sha256 pins"},
      {kManager, notHex,
       "[1] " + lookup + "'provider.sha256' value '" + notHex +
           "' is not 64 hexadecimal digits; not loaded\n",
       "provider.sha256 is not 64 hexadecimal digits: the factory loads no module"}};
  for (const auto& [implementation, sha256, line, tool] : cases) {
    define("provider.name=M\nprovider.implementation=" + implementation +
           "\nprovider.sha256=" + sha256);
    std::string log;
    Quor::Vector<Quor::Parameter> params;
    const Quor::HINSTANCE module = loadHere(name_ + ".ini", log, &params);
    SCOPED_TRACE(sha256 + "\n" + log);
    EXPECT_EQ(module != nullptr, line.empty());
    EXPECT_EQ(module != nullptr ? moduleOwnPath(module) : kManager, kManager);
    EXPECT_EQ(params.size(), 4u);
    EXPECT_NE(log.find(line), std::string::npos);
    EXPECT_EQ(log.find("Attempt to load with full path") != std::string::npos,
              implementation != kManager);
    const Result inspected = run("--load " + name_);
    expectInOrder(inspected,
                  line.empty()           ? 0
                  : sha256 == textDigest ? 2
                                         : 1,
                  {"provider.sha256 = \"" + sha256 + "\"", tool,
                   line.empty() ? "Module " + kManager : "Status "});
    EXPECT_EQ(inspected.out.find("/proc/self/fd"), std::string::npos);
  }
}

#if defined(_WIN32)
// Grants `group` write access to the file at `path`.
void grantWriting(const fs::path& path, WELL_KNOWN_SID_TYPE group) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  ASSERT_TRUE(CreateWellKnownSid(group, nullptr, sid, &size));
  EXPLICIT_ACCESSW access = {};
  access.grfAccessPermissions = GENERIC_READ | GENERIC_WRITE;
  access.grfAccessMode = GRANT_ACCESS;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(sid);
  PACL list = nullptr, granted = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring name = path.wstring();
  ASSERT_EQ(GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &list, nullptr, &descriptor),
            ERROR_SUCCESS);
  ASSERT_EQ(SetEntriesInAclW(1, &access, list, &granted), ERROR_SUCCESS);
  EXPECT_EQ(SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, granted, nullptr),
            ERROR_SUCCESS);
  LocalFree(granted);
  LocalFree(descriptor);
}
#endif

// A definition file or module that others than root and this user can
// change, or whose directory they can change, is named with what lets them:
// the factory warns and loads all the same, the tool calls it a problem. A
// sticky directory that all can write to keeps others from replacing it. A
// module loaded through a symbolic link is named by its real path.
TEST_F(QuorInspectTest, FilesThatOthersCanChangeAreNamedAndLoadedAllTheSame) {
  const std::string extension = fs::path(kManager).extension().string();
  const std::string changedBy = " can be changed by others than root and this process's user (";
#if defined(_WIN32)
  const std::vector<std::tuple<bool, std::string>> cases = {{false, "writable by Everyone"},
                                                            {true, "writable by Everyone"}};
#else
  const std::vector<std::tuple<bool, std::string>> cases = {
      // the module or else the definition file changed, and what tells so
      {false, "writable by its group"},
      {true, "writable by others"},
      {true, "its directory is writable by its group, its directory is writable by others"},
      {true, ""},
      {false, "owned by user 65534"},
      {true, "its directory is writable by its group"}};
#endif
  for (std::size_t row = 0; row < cases.size(); ++row) {
    const auto& [module, reasons] = cases[row];
    const fs::path folder = directory_ / ("m" + std::to_string(row));
    const fs::path copy = folder / ("m" + extension);
    const fs::path definition = directory_ / ("d" + std::to_string(row) + ".ini");
    fs::create_directory(folder);
    fs::copy_file(kManager, copy);
    const bool link = row == 5;
    if (link) fs::create_symlink(copy, directory_ / "link");
    quor_test::writeFile(definition, "provider.name=M\nprovider.implementation=" +
                                         (link ? directory_ / "link" : copy).string());
    const fs::path& changed = module ? copy : definition;
#if defined(_WIN32)
    grantWriting(changed, WinWorldSid);
#else
    const fs::perms modes[] = {fs::perms::group_write,
                               fs::perms::others_write,
                               fs::perms::group_write | fs::perms::others_write,
                               fs::perms::all | fs::perms::sticky_bit,
                               fs::perms::none,
                               fs::perms::group_write};
    fs::permissions(row < 2 ? changed : folder, modes[row], fs::perm_options::add);
    if (row == 4 && chown(changed.c_str(), 65534, 65534) != 0) continue;  // not root
#endif
    std::string log;
    const Quor::HINSTANCE loaded = loadHere(definition.string(), log);
    SCOPED_TRACE(changed.string() + "\n" + log);
    EXPECT_NE(loaded, nullptr);
    const std::string line = "[2] ManagerFactoryLookupService::getManagerInstanceImpl: '" +
                             changed.string() + "'" + changedBy + reasons + "); " +
                             (module ? "loaded" : "read") + " all the same\n";
    EXPECT_EQ(log.find(line) != std::string::npos, !reasons.empty());
    EXPECT_EQ(log.find("[2]") != std::string::npos, !reasons.empty());
    if (link) continue;  // the tool examines the path as written
    const Result tool = run("--file \"" + definition.string() + "\"");
    if (reasons.empty()) {
      EXPECT_EQ(tool.status, 0) << tool.out;
    } else {
      expectInOrder(tool, 1,
                    {"Problems:\n  " + changed.string() +
                     " can be changed by others than root and this user (" + reasons + ")\n"});
    }
  }
}

TEST_F(QuorInspectTest, LoadTellsHowAModuleWhoseInitialisationDoesNotReturnEnded) {
  // Windows's loader catches an exception of the initialisation and fails the
  // load with the exception's code.
#if defined(_WIN32)
  const std::string thrown = "not loaded (error ",
                    aborted = "loading ended the process: exit code 3";
#else
  const std::string aborted = "loading ended the process: signal SIGABRT (Aborted)",
                    thrown = aborted;
#endif
  const std::pair<std::string, std::string> cases[] = {
      {kThrowing, thrown}, {kAborting, aborted}, {kHanging, "still loading after 1 s: stopped"}};
  for (const auto& [module, ending] : cases) {
    expectInOrder(load(module, "--timeout 1 "), 2,
                  {"[as written] " + module + ": " + ending,
                   "the module did not load: " + module + ": " + ending, "Status 2"});
  }
  expectInOrder(run("--json --timeout 1 --load " + name_), 2,
                {"\"outcome\":\"timed-out\",\"ending\":\"1 s: stopped\"}"});
  EXPECT_EQ(run("--timeout 0 --load " + name_).status, 3);
}

TEST_F(QuorInspectTest, RunsOfAlikeLinesAreShownOnceWithTheirRange) {
  define("provider.name=A\nprovider.name=A\n\n\n\n  # c\n  # c\n;\n");
  expectInOrder(
      run("--file " + name_ + ".ini"), 1,
      {"1: provider.name=A\n     sets provider.name to \"A\", overridden by line 2\n",
       "2: provider.name=A\n", "3-5 (3 lines): \n     ignored: empty\n", "6-7 (2 lines):   # c\n",
       "8: ;\n     comment\n", "lines 6-7 are not comments: blanks come before their '#'"});
  expectInOrder(run("--json --file " + name_ + ".ini"), 1,
                {"{\"number\":3,\"lastNumber\":5,\"text\":\"\",", "{\"number\":8,\"text\":\";\"",
                 "\"line\":6,\"lastLine\":7,\"message\":\"lines 6-7 are not comments"});
}

TEST_F(QuorInspectTest, JsonCarriesTheReportWithItsStringsEscaped) {
  define(
      "provider.name=J\nprovider.description=say \"hi\" \\ "
      "\xC3\xA9\t\xC2\x9B\x7F!\nprovider.implementation=" +
      kManager + "\n");
  expectInOrder(
      run("--json --load " + name_), 0,
      {"{\"definition\":\"" + name_ + ".ini\"", "\"state\":\"read\"",
       "\"value\":\"say \\\"hi\\\" \\\\ \\u00e9\\t\\u009b\\u007f!\"",
       "\"sets\":\"provider.description\"", "\"values\":{\"provider.name\":\"J\"",
       "\"outcome\":\"loaded\"", "\"entryPoint\":true", "\"problems\":[],\"status\":0}\n"});
  expectInOrder(run("--list --json"), kAnyStatus, {"\"name\":\"J\"", "\"status\":"});
}

TEST_F(QuorInspectTest, HelpDescribesTheExitStatusAndAWrongCommandLineIsRefused) {
  expectInOrder(run("--help"), 0, {"--load", "--list", "--json", "Exit status:", "  2  a load"});
  for (const char* wrong : {"", "--list x", "--unknown"}) EXPECT_EQ(run(wrong).status, 3);
}

// Puts `width` bytes of `value` at `at`, in the byte order given.
void put(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t width,
         bool big = false) {
  for (std::size_t i = 0; i < width; ++i) {
    bytes[at + (big ? width - 1 - i : i)] = static_cast<char>(value >> (8 * i));
  }
}

// An ELF shared object (or `type`) whose dynamic section gives each of
// `strings` (a tag and its text) and lies, with its strings, in one segment.
std::string craftElf(unsigned machine, const std::vector<std::pair<int, std::string>>& strings,
                     bool wide = true, bool big = false, unsigned type = 3) {
  const std::size_t header = wide ? 64 : 52, program = wide ? 56 : 32, entry = wide ? 16 : 8;
  const std::size_t word = wide ? 8 : 4;
  std::string table(1, '\0');
  std::vector<std::pair<std::uint64_t, std::uint64_t>> dynamic;
  for (const auto& [tag, text] : strings) {
    dynamic.emplace_back(tag, table.size());
    table += text + '\0';
  }
  const std::size_t tableAt = header + 2 * program, dynamicAt = tableAt + table.size();
  dynamic.insert(dynamic.end(), {{5, tableAt}, {10, table.size()}, {0, 0}});
  std::string out(dynamicAt + entry * dynamic.size(), '\0');
  out.replace(tableAt, table.size(), table);
  out.replace(0, 7, {'\x7f', 'E', 'L', 'F', wide ? '\2' : '\1', big ? '\2' : '\1', '\1'});
  put(out, 16, type, 2, big);
  put(out, 18, machine, 2, big);
  put(out, wide ? 32 : 28, header, word, big);
  put(out, wide ? 54 : 42, program, 2, big);
  put(out, wide ? 56 : 44, 2, 2, big);
  for (std::size_t i = 0; i < 2; ++i) {  // PT_LOAD of the whole file, PT_DYNAMIC
    const std::size_t at = header + i * program, offset = i == 0 ? 0 : dynamicAt;
    put(out, at, i + 1, 4, big);
    put(out, at + word, offset, word, big);
    put(out, at + 2 * word, offset, word, big);
    put(out, at + (wide ? 32 : 16), out.size() - offset, word, big);
  }
  for (std::size_t i = 0; i < dynamic.size(); ++i) {
    put(out, dynamicAt + i * entry, dynamic[i].first, word, big);
    put(out, dynamicAt + i * entry + word, dynamic[i].second, word, big);
  }
  return out;
}

// A PE DLL whose import table, in its one section, names `imports`.
std::string craftPe(unsigned machine, bool wide, const std::vector<std::string>& imports) {
  const std::size_t optional = wide ? 240 : 224, directories = 88 + (wide ? 112 : 96);
  const std::size_t section = 88 + optional, raw = section + 40;
  std::string body((imports.size() + 1) * 20, '\0');
  for (std::size_t i = 0; i < imports.size(); ++i) {
    put(body, i * 20 + 12, 0x1000 + body.size(), 4);
    body += imports[i] + '\0';
  }
  std::string out(raw, '\0');
  out.replace(0, 2, "MZ");
  put(out, 0x3c, 64, 4);
  out.replace(64, 4, std::string("PE\0\0", 4));
  put(out, 68, machine, 2);
  put(out, 70, 1, 2);
  put(out, 84, optional, 2);
  put(out, 86, 0x2022, 2);
  put(out, 88, wide ? 0x20b : 0x10b, 2);
  put(out, directories - 4, 16, 4);
  put(out, directories + 8, 0x1000, 4);
  put(out, section + 12, 0x1000, 4);
  put(out, section + 16, body.size(), 4);
  put(out, section + 20, raw, 4);
  return out + body;
}

std::vector<std::string> cached(const std::string& bytes, const std::string& name) {
  quor_inspect::MemorySource source(bytes.data(), bytes.size());
  return quor_inspect::cachedLibrary(source, name);
}

TEST(BinaryHeadersTest, FormatNamesAndRunPathsAreReadAndDamageIsNamed) {
  using quor_inspect::describe;
  const std::string elf = craftElf(
      62, {{1, "liba.so.1"}, {29, "$ORIGIN/x:"}, {1, "b"}, {15, "/r"}, {14, "libself.so"}});
  const std::string pe = craftPe(0x8664, true, {"KERNEL32.dll", "dep.dll"});
  struct Row {
    std::string bytes, format;
    std::vector<std::string> needed, runPath, rPath;
    bool library;
    std::string damage;  // a part of it
  } rows[] = {
      {elf, "ELF 64-bit x86-64", {"liba.so.1", "b"}, {"$ORIGIN/x", ""}, {"/r"}, true, ""},
      {craftElf(8, {{1, "n"}}, false, true), "ELF 32-bit big-endian MIPS", {"n"}, {}, {}, true, ""},
      {craftElf(999, {}, true, false, 2), "ELF 64-bit machine 999", {}, {}, {}, false, ""},
      {pe, "PE32+ x86-64", {"KERNEL32.dll", "dep.dll"}, {}, {}, true, ""},
      {craftPe(0x14c, false, {"x.dll"}), "PE32 i386", {"x.dll"}, {}, {}, true, ""},
      {"#!/bin/sh\n", "neither ELF nor PE", {}, {}, {}, false, ""},
      {elf.substr(0, 100), "ELF 64-bit x86-64", {}, {}, {}, true, "program headers"},
      {elf.substr(0, elf.size() - 60), "ELF 64-bit x86-64", {}, {}, {}, true, "dynamic section"},
      {pe.substr(0, pe.size() - 75), "PE32+ x86-64", {}, {}, {}, true, "import table"},
      {pe.substr(0, pe.size() - 3), "PE32+ x86-64", {"KERNEL32.dll"}, {}, {}, true, "name"},
  };
  for (const Row& row : rows) {
    quor_inspect::MemorySource source(row.bytes.data(), row.bytes.size());
    const quor_inspect::BinaryHeaders headers = quor_inspect::readBinaryHeaders(source);
    SCOPED_TRACE(row.format + " " + row.damage);
    EXPECT_EQ(describe(headers.format), std::wstring(row.format.begin(), row.format.end()));
    EXPECT_EQ(headers.needed, row.needed);
    EXPECT_EQ(headers.runPath, row.runPath);
    if (row.damage.empty()) {
      EXPECT_EQ(headers.hasRunPath, !row.runPath.empty());
    }
    EXPECT_EQ(headers.rPath, row.rPath);
    EXPECT_EQ(headers.library, row.library && row.format != "neither ELF nor PE");
    EXPECT_EQ(headers.damage.empty(), row.damage.empty()) << headers.damage;
    EXPECT_NE(headers.damage.find(row.damage), std::string::npos) << headers.damage;
  }
  // The loader's cache: every file of a name, in order; nothing from another format.
  std::string cache = "glibc-ld.so.cache1.1" + std::string(28 + 3 * 24, '\0');
  put(cache, 20, 3, 4);
  const char* const entries[3][2] = {
      {"libc.so.6", "/a/libc.so.6"}, {"libm.so.6", "/m"}, {"libc.so.6", "/b/libc.so.6"}};
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t k = 0; k < 2; ++k) {
      put(cache, 48 + i * 24 + 4 + 4 * k, cache.size(), 4);
      cache += std::string(entries[i][k]) + '\0';
    }
  }
  EXPECT_EQ(cached(cache, "libc.so.6"), (std::vector<std::string>{"/a/libc.so.6", "/b/libc.so.6"}));
  EXPECT_EQ(cached(cache, "libm.so.6"), std::vector<std::string>{"/m"});
  put(cache, 48 + 4, cache.size(), 4);
  EXPECT_TRUE(cached(cache, "libc.so.6").empty());
  EXPECT_TRUE(cached("ld.so-1.7.0" + cache, "libc.so.6").empty());
}

// Sets the variable that the loader searches (LD_LIBRARY_PATH, PATH) to
// `directory` first while it lives.
class SearchVariable {
 public:
  explicit SearchVariable(const fs::path& directory) {
    const char* old = std::getenv(kName);
    old_ = old != nullptr ? old : "";
    set(directory.string() + (kSeparator + old_));
  }
  ~SearchVariable() { set(old_); }

 private:
#if defined(_WIN32)
  static constexpr const char* kName = "PATH";
  static constexpr char kSeparator = ';';
  static void set(const std::string& value) { _putenv_s(kName, value.c_str()); }
#else
  static constexpr const char* kName = "LD_LIBRARY_PATH";
  static constexpr char kSeparator = ':';
  static void set(const std::string& value) { setenv(kName, value.c_str(), 1); }
#endif
  std::string old_;
};

TEST_F(QuorInspectTest, HeadersTellWhyAModuleWillNotLoadWithoutLoadingIt) {
#if defined(_WIN32)
  const std::string own = "PE32+ x86-64", other = "an ELF module", variable = "PATH";
  quor_test::writeFile("narrow.dll", craftPe(0x14c, false, {}));
  const std::string narrow = "a module for PE32 i386, not for this process (" + own;
#else
  const std::string own = "ELF 64-bit x86-64", other = "a Windows module",
                    variable = "LD_LIBRARY_PATH";
  quor_test::writeFile("narrow.dll", craftElf(40, {}, false));
  const std::string narrow = "a module for ELF 32-bit ARM, not for this process (" + own;
#endif
  quor_test::writeFile("text.dll", "text\n");
  const std::string here = (directory_ / "").string();
  const std::string dependency = "needs " + kDependency.filename().string();
  const std::string notThere = " is not where the system looks\n";
  expectInOrder(run(name_), 1, {"Status 1"});
  std::vector<std::tuple<std::string, int, std::vector<std::string>>> rows = {
      {kManager,
       0,
       {"Headers of " + kManager + ", read without loading it:\n  " + own +
        ", a module for this process\n"}},
      {here + "narrow.dll",
       2,
       {"the module " + here + "narrow.dll will not load: it is " + narrow + ")\n"}},
      {here + "text.dll",
       2,
       {"the module " + here + "text.dll will not load: it is not a module: neither ELF"}},
      {kNeedsDependency, 2, {dependency + ": not found; looked for ", notThere, "Status 2"}},
  };
#if !defined(_WIN32)
  // A position-independent program is ET_DYN, and no library all the same.
  rows.push_back({kTool.string(), 2, {"will not load: it is not a shared library"}});
#endif
#if defined(QUOR_OTHER_SYSTEM_MODULE)
  rows.push_back({kOtherSystem, 2, {"will not load: it is " + other}});
#endif
  for (const auto& [module, status, parts] : rows) {
    define("provider.name=H\nprovider.implementation=" + module + "\n");
    SCOPED_TRACE(module);
    expectInOrder(run(name_), status, parts);
  }
  // Loaded, the module is the truth; without the load the headers tell.
  expectInOrder(load(kNeedsDependency), 2, {"the module did not load", notThere, "Status 2"});
  expectInOrder(run("--json " + name_), 2, {"\"headers\":{\"path\":", "\"state\":\"missing\""});
  const SearchVariable search(kDependency.parent_path());
  expectInOrder(run(name_), 0, {dependency + ": ", "(" + variable + ")\n", "Status 0"});
}

#if !defined(_WIN32)
// DT_RPATH counts only while the module that names the dependency has no
// DT_RUNPATH, $ORIGIN is the folder of the module that names it, a module for
// another word size is passed over, and what a dependency needs is looked for
// too.
TEST_F(QuorInspectTest, RunPathsFindDependenciesAsTheLoaderDoes) {
  char self[20] = {};
  std::ifstream("/proc/self/exe", std::ios::binary).read(self, sizeof self);
  const unsigned machine = static_cast<unsigned char>(self[18]) | self[19] << 8;
  for (const char* folder : {"r", "run", "narrow"}) fs::create_directory(folder);
  quor_test::writeFile("r/libdep.so", craftElf(machine, {}));
  quor_test::writeFile("run/libdep.so", craftElf(machine, {{1, "libgone.so"}}));
  quor_test::writeFile("narrow/libdep.so", craftElf(machine, {}, false));
  quor_test::writeFile("r/libmid.so", craftElf(machine, {{1, "libdep2.so"}, {29, "$ORIGIN/no"}}));
  quor_test::writeFile("r/libdep2.so", craftElf(machine, {}));
  const std::string here = directory_.string() + "/", needs = "needs libdep.so: ";
  const std::tuple<std::vector<std::pair<int, std::string>>, int, std::vector<std::string>> rows[] =
      {
          {{{15, "$ORIGIN/r"}}, 0, {needs + here + "r/libdep.so (DT_RPATH)\n"}},
          {{{15, "$ORIGIN/r"}, {29, "${ORIGIN}/no"}},
           2,
           {needs + "not found; looked for ", here + "no/libdep.so (DT_RUNPATH), "}},
          {{{29, "$ORIGIN/narrow:$ORIGIN/run"}},
           2,
           {needs + here + "run/libdep.so (DT_RUNPATH)\n  libgone.so (needed by " + here +
            "run/libdep.so): not found"}},
          {{{1, "libmid.so"}, {15, "$ORIGIN/r"}},
           2,
           {"libdep2.so (needed by " + here + "r/libmid.so): not found; looked for ",
            here + "r/no/libdep2.so (DT_RUNPATH)"}},
          {{{15, "$ORIGIN/narrow"}},
           2,
           {needs + here + "narrow/libdep.so: a module for ELF 32-bit"}},
      };
  for (const auto& [paths, status, parts] : rows) {
    std::vector<std::pair<int, std::string>> strings = {{1, "libdep.so"}};
    strings.insert(strings.end(), paths.begin(), paths.end());
    quor_test::writeFile("m.so", craftElf(machine, strings));
    define("provider.name=R\nprovider.implementation=" + here + "m.so\n");
    expectInOrder(run(name_), status, parts);
  }
}
#endif

}  // namespace
