// quor-inspect run as a user runs it, in a temporary current directory of each
// test's own, against definition files and modules that the tests make: each
// case checks the exit status and what the output says, in order.
#include <algorithm>
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
#else
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

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
void expectInOrder(const Result& run, int status, std::initializer_list<std::string> parts) {
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

// Collects the factory's log, one line after another.
void collectLog(void* context, const wchar_t*, int, const wchar_t* message) {
  std::string& log = *static_cast<std::string*>(context);
  for (const wchar_t* c = message; *c != L'\0'; ++c) log += static_cast<char>(*c);
  log += '\n';
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
    zologSetHandler(collectLog, &log);
    zologSetLevelMask(ZOLOG_ALL);
    const std::wstring wide(definition.begin(), definition.end());
    EXPECT_EQ(Quor::ManagerFactory::newManagerInstance(wide.c_str(), L"M", nullptr), nullptr);
    zologSetHandler(nullptr, nullptr);
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

}  // namespace
