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

#if defined(__GLIBC__)
#include <fcntl.h>
#include <malloc.h>
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
    if (std::wstring(module) == L"OUTER")
      self->innerResult = zologLog(L"INNER", level, L"inside %ws", message);
    if (self->busy.exchange(true)) {
      ++self->overlaps;
      return;
    }
    self->lines.emplace_back(module, level, message);
    self->busy = false;
  }
  std::atomic<bool> busy{false};
  std::atomic<int> overlaps{0};
  int innerResult = 1;
  Lines lines;
};

// A line as the default output writes it: module name, level and message.
const std::regex kLine(R"(\d{4}-(0[1-9]|1[0-2])-[0-3]\d [0-2]\d:[0-5]\d:[0-6]\d\.\d{3} )"
                       R"((.*) \[(\d+)\] tid \d+: (.*)\n)");

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

TEST_F(ZologTest, HandlerGetsModuleOrLastNameSetLevelAndMessageAsFormatted) {
  // The long message overflows the formatter's first buffer of 512 characters.
  const std::wstring longText(600, L'\u00e9');
  zologLog(L"MODA", ZOLOG_DETAIL, L"%ws|%s|%hs|%S|%d %x %c %I64d|%ws|%d", L"w\u00e9", L"s",
           "narrow", "S", -42, 0xbeefu, L'\u00e9', 1LL << 40, longText.c_str(), 7);
  EXPECT_EQ(zologSetModuleName(L"SECOND") + zologSetModuleName(nullptr), 0);
  zologLog(nullptr, ZOLOG_EXIT, L"a");
  // Control characters reach the handler as they are; a positional directive
  // is rejected, so the line is the format text.
  zologLog(L"M\x1b", ZOLOG_FAILURE, L"\x1b[2J\r\n\u0085 %1$ws", L"x");
  EXPECT_EQ(recorder_.lines,
            (Lines{{L"MODA", ZOLOG_DETAIL,
                    L"w\u00e9|s|narrow|S|-42 beef \u00e9 1099511627776|" + longText + L"|7"},
                   {L"SECOND", ZOLOG_EXIT, L"a"},
                   {L"M\x1b", ZOLOG_FAILURE, L"\x1b[2J\r\n\u0085 %1$ws"}}));
}

TEST_F(ZologTest, LineLoggedFromInsideTheHandlerGoesToTheDefaultOutputNotToTheHandler) {
  if (std::getenv("ZOLOG_FILE") != nullptr) GTEST_SKIP() << "ZOLOG_FILE is set";
  testing::internal::CaptureStderr();
  EXPECT_EQ(zologLog(L"OUTER", ZOLOG_WARNING, L"b"), 0);
  const std::string output = testing::internal::GetCapturedStderr();
  EXPECT_EQ(recorder_.lines, (Lines{{L"OUTER", ZOLOG_WARNING, L"b"}}));
  EXPECT_EQ(recorder_.innerResult, 0);
  std::smatch line;
  ASSERT_TRUE(std::regex_match(output, line, kLine)) << output;
  EXPECT_EQ(line[2].str() + " " + line[3].str() + " " + line[4].str(), "INNER 2 inside b");
}

TEST_F(ZologTest, MaskedOutLevelsAreNeitherFormattedNorDelivered) {
  zologSetLevelMask(ZOLOG_WARNING | ZOLOG_ENTRY);
  for (int level : {ZOLOG_FAILURE, ZOLOG_WARNING, ZOLOG_DETAIL, ZOLOG_ENTRY, ZOLOG_EXIT})
    EXPECT_EQ(zologLog(L"M", level, L"%d", level), level == 2 || level == 8 ? 0 : 1) << level;
  // Formatting this argument would crash.
  EXPECT_EQ(zologLog(L"M", ZOLOG_DETAIL, L"%ws", reinterpret_cast<const wchar_t*>(8)), 1);
  EXPECT_EQ(recorder_.lines, (Lines{{L"M", ZOLOG_WARNING, L"2"}, {L"M", ZOLOG_ENTRY, L"8"}}));
}

TEST_F(ZologTest, DefaultOutputWritesOneUtf8LinePerCallWithControlCharactersEscaped) {
  if (std::getenv("ZOLOG_FILE") != nullptr) GTEST_SKIP() << "ZOLOG_FILE is set";
  zologSetHandler(nullptr, nullptr);
  const struct {
    const wchar_t* module;
    int level;
    const wchar_t* message;
    std::string written;  // module, level and message as written
  } cases[] = {
      {L"Z\u00e9", ZOLOG_WARNING, L"caf\u00e9 \u20ac \U0001F600 \t\\x41",
       "Z\xc3\xa9 2 caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \t\\x41"},
      {L"ZMOD", ZOLOG_EXIT, L"\x1b[2J\r", "ZMOD 16 \\x1B[2J\\x0D"},
      {L"M\n2", ZOLOG_WARNING, L"a\nb", "M\\x0A2 2 a\\x0Ab"},
      {L"M", ZOLOG_WARNING, L"\x08\t\x1f \x7e\x7f", "M 2 \\x08\t\\x1F ~\\x7F"},
      {L"M", ZOLOG_WARNING, L"\u0085\u009f\u00a0", "M 2 \\x85\\x9F\xc2\xa0"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(zologLog(c.module, c.level, L"%ws", c.message), 0);
    const std::string output = testing::internal::GetCapturedStderr();
    std::smatch line;
    ASSERT_TRUE(std::regex_match(output, line, kLine)) << output;
    EXPECT_EQ(line[2].str() + " " + line[3].str() + " " + line[4].str(), c.written);
  }
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

#if defined(__GLIBC__)
// The memory of a line many times longer than the bound on the kept line
// buffer is given back once the line is written.
TEST_F(ZologTest, BufferOfAVeryLongLineIsReleasedOnceItIsWritten) {
  if (std::getenv("ZOLOG_FILE") != nullptr) GTEST_SKIP() << "ZOLOG_FILE is set";
  zologSetHandler(nullptr, nullptr);
  const auto inUse = [] {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  const std::wstring longText(1 << 20, L'x');
  const int savedStderr = dup(2);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, 2);
  zologLog(L"M", ZOLOG_WARNING, L"short");  // the time zone and other first-use state
  const std::size_t before = inUse();
  const int result = zologLog(L"M", ZOLOG_WARNING, L"%ws", longText.c_str());
  const std::size_t after = inUse();
  dup2(savedStderr, 2);
  close(savedStderr);
  close(null);
  EXPECT_EQ(result, 0);
  EXPECT_LT(after, before + 64 * 1024) << "before " << before;
}
#endif

}  // namespace
