// Several threads at once: manager modules loaded through ManagerFactory and
// released, while other threads log, change zolog's level mask and handler,
// and copy the library's strings and vectors. Built with ThreadSanitizer
// (preset tsan), an unsynchronised access among them is reported; in every
// build each call must still give its whole result.
#include <zolog/zolog.h>

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <regex>
#include <set>
#endif

#include "quor/manager_module.h"
#include "quor/quor.h"
#include "support/dynamic_library.h"
#include "support/scratch_directory.h"

namespace {

namespace fs = std::filesystem;
using Quor::HINSTANCE;
using Params = Quor::Vector<Quor::Parameter>;
using namespace std::string_literals;

const fs::path kModulePath = fs::canonical(QUOR_TEST_MODULE_PATH).make_preferred();
constexpr int kRounds = 100;

// Counts the lines of module RACE. zolog delivers one line at a time, so the
// count needs no lock of its own.
void countLine(void* count, const wchar_t* module, int, const wchar_t*) {
  if (std::wcscmp(module, L"RACE") == 0) ++*static_cast<long*>(count);
}

class ConcurrencyTest : public quor_test::ScratchDirectoryTest {
 protected:
  void SetUp() override {
    ScratchDirectoryTest::SetUp();
    quor_test::writeFile(definition_,
                         "provider.name=Race\nprovider.description=raced\n"
                         "provider.implementation=" +
                             kModulePath.string() + "\nprovider.service=s\n");
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(countLine, &counts_[0]);
  }

  void TearDown() override {
    zologSetHandler(nullptr, nullptr);
    zologSetLevelMask(ZOLOG_FAILURE | ZOLOG_WARNING);
    ScratchDirectoryTest::TearDown();
  }

  HINSTANCE load(Params* params) const {
    return Quor::ManagerFactory::newManagerInstance(definition_.wstring().c_str(), L"Race", params);
  }

  const fs::path definition_ = directory_ / "race.ini";
  long counts_[2] = {0, 0};
};

TEST_F(ConcurrencyTest, LoadsGiveTheirResultsWhileOthersLogSetMaskAndHandlerAndCopyValues) {
  // A reference held throughout: every load gives this handle.
  void* const held = quor_test::openLibrary(kModulePath.string().c_str());
  ASSERT_NE(held, nullptr) << quor_test::libraryError();
  const std::wstring expected = L"Race raced " + kModulePath.wstring() + L" s ";
  const Quor::TString text(L"copied by two threads at once");
  Params values;
  for (int i = 0; i < 8; ++i) values.push_back(Quor::Parameter(L"id", text));

  // The threads begin together, once all of them exist: `count` threads that
  // each run `body` `rounds` times.
  std::promise<void> go;
  const std::shared_future<void> begun = go.get_future().share();
  std::vector<std::thread> threads;
  const auto start = [&](int count, int rounds, std::function<void(int)> body) {
    for (int t = 0; t < count; ++t)
      threads.emplace_back([begun, rounds, body] {
        begun.wait();
        for (int i = 0; i < rounds; ++i) body(i);
      });
  };
  start(8, kRounds, [&](int) {
    Params params;
    const HINSTANCE module = load(&params);
    if (module != nullptr) quor_test::closeLibrary(module);
    EXPECT_EQ(module, held);
    std::wstring got;
    for (unsigned int p = 0; p < params.size(); ++p) got += params[p].getValue().c_str() + L" "s;
    EXPECT_EQ(got, expected);
  });
  start(1, 10 * kRounds, [](int i) { zologLog(L"RACE", ZOLOG_FAILURE, L"line %d", i); });
  start(1, 10 * kRounds, [](int i) { zologSetLevelMask(i % 2 ? ZOLOG_ALL : ZOLOG_FAILURE); });
  start(1, 10 * kRounds, [this](int i) { zologSetHandler(countLine, &counts_[i % 2]); });
  start(2, kRounds, [&](int) {
    const Quor::TString copy(text);
    const Params copies(values);
    EXPECT_TRUE(copy == text && copies.size() == 8u && copies[7].getValue() == text);
  });
  go.set_value();
  for (std::thread& thread : threads) thread.join();
  quor_test::closeLibrary(held);
  // Each line reached one handler, once.
  EXPECT_EQ(counts_[0] + counts_[1], 10 * kRounds);
}

TEST_F(ConcurrencyTest, LoadRacingTheReleaseOfTheLastReferenceGivesAUsableModule) {
  for (int i = 0; i < kRounds; ++i) {
    const HINSTANCE last = load(nullptr);
    ASSERT_NE(last, nullptr);
    std::thread release([last] { quor_test::closeLibrary(last); });
    const HINSTANCE module = load(nullptr);
    release.join();
    ASSERT_NE(module, nullptr);
    const auto entry = reinterpret_cast<QuorManagerInstanceFunction>(
        quor_test::findSymbol(module, QUOR_MANAGER_INSTANCE_FUNCTION));
    ASSERT_NE(entry, nullptr) << quor_test::libraryError();
    EXPECT_NE(entry(), nullptr);
    quor_test::closeLibrary(module);
  }
  // The references released were the last: the module was unloaded each time.
  EXPECT_EQ(quor_test::loadedLibrary(kModulePath.string().c_str()), nullptr);
}

#if !defined(_WIN32)
// Children forked while other threads are in the middle of lines, theirs and
// the factory's, log and load the module at once; one that hangs is killed at
// the time limit. The lines go to a file (ZOLOG_FILE, and standard error in
// case this process chose its output before), which the loggers write under
// zolog's lock. The factory's thread reads an absent definition file: a child
// forked while another thread is inside glibc's loader may hang in its own
// load, which no lock of the library's can prevent.
TEST_F(ConcurrencyTest, ForkedChildLogsAndLoadsWhileOtherThreadsLog) {
  const fs::path logFile = directory_ / "race.log";
  const std::wstring absent = (directory_ / "absent.ini").wstring();
  const int savedStderr = dup(2);
  const int file = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  ASSERT_GE(file, 0);
  dup2(file, 2);
  setenv("ZOLOG_FILE", logFile.c_str(), 1);
  zologSetHandler(nullptr, nullptr);

  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&stop] {
      while (!stop) zologLog(L"PARENT", ZOLOG_FAILURE, L"line");
    });
  threads.emplace_back([&] {
    while (!stop) Quor::ManagerFactory::newManagerInstance(absent.c_str(), L"Race", nullptr);
  });
  std::vector<pid_t> children;
  bool hung = false;
  for (int i = 0; i < kRounds && !hung; ++i) {
    const pid_t child = fork();
    if (child == 0) {
      // The child reports through its lines, and ends without the memory
      // checks of valgrind, which would count the parent's threads' memory as
      // lost; the alarm ends one that hangs.
      alarm(30);
      zologLog(L"CHILD", ZOLOG_FAILURE, L"child %d", i);
      Params params;
      const HINSTANCE module = load(&params);
      zologLog(L"CHILD", ZOLOG_FAILURE, L"child %d loaded %d", i,
               module != nullptr && params.size() == 4);
      kill(getpid(), SIGKILL);
    }
    children.push_back(child);
    int status = 0;
    waitpid(child, &status, 0);
    hung = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
    EXPECT_FALSE(hung) << "child " << i;
  }
  stop = true;
  for (std::thread& thread : threads) thread.join();
  dup2(savedStderr, 2);
  close(savedStderr);
  close(file);
  unsetenv("ZOLOG_FILE");

  // Each child's lines, whole and with the child's own thread id.
  std::ifstream in(logFile);
  const std::regex childLine(
      R"([-0-9]+ [:.0-9]+ CHILD \[1\] tid (\d+): child (\d+)( loaded [01])?)");
  std::set<int> logged, loaded;
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (line.find(" CHILD ") == std::string::npos) continue;
    ASSERT_TRUE(std::regex_match(line, m, childLine)) << line;
    const int i = std::stoi(m[2]);
    if (std::stoi(m[1]) != children[i]) continue;
    (m[3] == " loaded 1" ? loaded : logged).insert(i);
  }
  EXPECT_EQ(logged.size(), children.size());
  EXPECT_EQ(loaded.size(), children.size());
}
#endif

}  // namespace
