// zologu64 within one process: formatting, the level mask, delivery to a
// handler or to standard error, and logging from several threads at once.
// ZOLOG_LEVEL and ZOLOG_FILE are covered by the zolog_env_* tests.
#include <zolog/zolog.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Line = std::tuple<std::wstring, int, std::wstring>;  // module, level, message
using Lines = std::vector<Line>;

// Records each line; counts, and drops, a line delivered while another one is.
// A line of module OUTER makes it log a line of its own first.
struct Recorder {
  static void handle(void* context, const wchar_t* module, int level, const wchar_t* message) {
    auto* self = static_cast<Recorder*>(context);
    if (std::wstring(module) == L"OUTER") zologLog(L"INNER", level, L"inside %ws", message);
    if (self->busy.exchange(true)) {
      ++self->overlaps;
      return;
    }
    self->lines.emplace_back(module, level, message);
    self->busy = false;
  }
  std::atomic<bool> busy{false};
  std::atomic<int> overlaps{0};
  Lines lines;
};

// Each test starts with every level enabled and lines going to `recorder_`.
class ZologTest : public testing::Test {
 protected:
  void SetUp() override {
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(&Recorder::handle, &recorder_);
  }
  void TearDown() override { zologSetHandler(nullptr, nullptr); }
  Recorder recorder_;
};

TEST_F(ZologTest, HandlerGetsModuleOrLastNameSetLevelAndFormattedMessageAndMayLog) {
  // The long message overflows the formatter's first buffer of 512 characters.
  const std::wstring longText(600, L'\u00e9');
  zologLog(L"MODA", ZOLOG_DETAIL, L"%ws|%s|%hs|%S|%d %x %c %I64d|%ws|%d", L"w\u00e9", L"s",
           "narrow", "S", -42, 0xbeefu, L'\u00e9', 1LL << 40, longText.c_str(), 7);
  EXPECT_EQ(zologSetModuleName(L"SECOND") + zologSetModuleName(nullptr), 0);
  zologLog(nullptr, ZOLOG_EXIT, L"a");
  zologLog(L"OUTER", ZOLOG_WARNING, L"b");  // the handler logs a line of its own first
  EXPECT_EQ(recorder_.lines,
            (Lines{{L"MODA", ZOLOG_DETAIL,
                    L"w\u00e9|s|narrow|S|-42 beef \u00e9 1099511627776|" + longText + L"|7"},
                   {L"SECOND", ZOLOG_EXIT, L"a"},
                   {L"INNER", ZOLOG_WARNING, L"inside b"},
                   {L"OUTER", ZOLOG_WARNING, L"b"}}));
}

TEST_F(ZologTest, MaskedOutLevelsAreNeitherFormattedNorDelivered) {
  zologSetLevelMask(ZOLOG_WARNING | ZOLOG_ENTRY);
  for (int level : {ZOLOG_FAILURE, ZOLOG_WARNING, ZOLOG_DETAIL, ZOLOG_ENTRY, ZOLOG_EXIT})
    EXPECT_EQ(zologLog(L"M", level, L"%d", level), level == 2 || level == 8 ? 0 : 1) << level;
  // Formatting this argument would crash.
  EXPECT_EQ(zologLog(L"M", ZOLOG_DETAIL, L"%ws", reinterpret_cast<const wchar_t*>(8)), 1);
  EXPECT_EQ(recorder_.lines, (Lines{{L"M", ZOLOG_WARNING, L"2"}, {L"M", ZOLOG_ENTRY, L"8"}}));
}

TEST_F(ZologTest, DefaultOutputWritesUtf8LinesToStandardError) {
  if (std::getenv("ZOLOG_FILE") != nullptr) GTEST_SKIP() << "ZOLOG_FILE is set";
  zologSetHandler(nullptr, nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(zologLog(L"Z\u00e9", ZOLOG_WARNING, L"caf\u00e9 \u20ac \U0001F600 %d", 7), 0);
  zologLog(L"ZMOD", ZOLOG_EXIT, L"second");
  const std::string output = testing::internal::GetCapturedStderr();
  const std::string stamp = R"(\d{4}-(0[1-9]|1[0-2])-[0-3]\d [0-2]\d:[0-5]\d:[0-6]\d\.\d{3} )";
  EXPECT_TRUE(std::regex_match(
      output,
      std::regex(stamp +
                 "Z\xc3\xa9 \\[2\\] tid \\d+: caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 7\n" +
                 stamp + "ZMOD \\[16\\] tid \\d+: second\n")))
      << output;
}

TEST_F(ZologTest, ConcurrentLinesAreDeliveredOneAtATimeOnceEachAndWhole) {
  // Thread t's payload; some are longer than the formatter's first buffer.
  const auto payload = [](int t) { return std::wstring(100 + t * 150, wchar_t(L'a' + t)); };
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t, payload] {
      for (int i = 0; i < 500; ++i)
        zologLog(L"T", ZOLOG_WARNING, L"%d %d %ws", t, i, payload(t).c_str());
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(recorder_.overlaps, 0);
  ASSERT_EQ(recorder_.lines.size(), 4000u);
  int next[8] = {};  // each thread's lines arrive in order
  for (const Line& line : recorder_.lines) {
    const std::wstring& message = std::get<2>(line);
    const int t = message[0] - L'0';
    ASSERT_TRUE(t >= 0 && t < 8) << "bad line";
    EXPECT_EQ(message, std::to_wstring(t) + L" " + std::to_wstring(next[t]++) + L" " + payload(t));
  }
}

// Threads keep logging while the handler is replaced again and again; each
// handler is called before the next replaces it. Several loggers make it
// likelier that one is in the middle of a line whenever the handler changes.
// The wait blocks rather than spins, so that the loggers run even where threads
// take turns (valgrind), and is bounded, so that loggers that stop fail the
// test instead of hanging it.
TEST_F(ZologTest, ReplacedHandlerIsNeverCalledAgain) {
  static std::atomic<std::uintptr_t> installed{0};
  static std::atomic<int> lateCalls{0};
  static std::mutex mutex;
  static std::condition_variable called;
  static std::uintptr_t lastCalled = 0;
  std::atomic<bool> stop{false};
  std::vector<std::thread> loggers;
  for (int i = 0; i < 3; ++i)
    loggers.emplace_back([&stop] {
      while (!stop) zologLog(L"T", ZOLOG_FAILURE, L"line");
    });
  bool eachCalled = true;
  for (std::uintptr_t id = 1; id <= 200 && eachCalled; ++id) {
    zologSetHandler(
        [](void* context, const wchar_t*, int, const wchar_t*) {
          const auto id = reinterpret_cast<std::uintptr_t>(context);
          if (id < installed) ++lateCalls;
          std::lock_guard<std::mutex> lock(mutex);
          lastCalled = id;
          called.notify_one();
        },
        reinterpret_cast<void*>(id));
    installed = id;
    std::unique_lock<std::mutex> lock(mutex);
    eachCalled = called.wait_for(lock, std::chrono::minutes(2), [id] { return lastCalled == id; });
  }
  stop = true;
  for (auto& logger : loggers) logger.join();
  EXPECT_TRUE(eachCalled);
  EXPECT_EQ(lateCalls, 0);
}

#if !defined(_WIN32)
// zolog remembers each thread's id; the only thread of a forked child is
// another thread, whose lines carry its own id.
TEST_F(ZologTest, ForkedChildLinesCarryTheChildsThreadId) {
  if (std::getenv("ZOLOG_FILE") != nullptr) GTEST_SKIP() << "ZOLOG_FILE is set";
  zologSetHandler(nullptr, nullptr);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  testing::internal::CaptureStderr();
  zologLog(L"P", ZOLOG_FAILURE, L"parent");
  testing::internal::GetCapturedStderr();
  const pid_t child = fork();
  if (child == 0) {
    dup2(ends[1], 2);
    zologLog(L"C", ZOLOG_FAILURE, L"child");
    _exit(0);
  }
  close(ends[1]);
  std::string output;
  char buffer[256];
  for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(ends[0]);
  waitpid(child, nullptr, 0);
  EXPECT_NE(output.find(" C [1] tid " + std::to_string(child) + ": child\n"), std::string::npos)
      << output;
}
#endif

}  // namespace
