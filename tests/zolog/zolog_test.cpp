// zologu64 within one process: formatting, the level mask, delivery to a
// handler or to standard error, and logging from several threads at once.
// ZOLOG_LEVEL and ZOLOG_FILE are covered by the zolog_env_* tests.
#include <zolog/zolog.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

struct Line {
  std::wstring module;
  int level;
  std::wstring message;
};

struct Recorder {
  static void handle(void* context, const wchar_t* module, int level, const wchar_t* message) {
    auto* self = static_cast<Recorder*>(context);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->lines.push_back({module, level, message});
  }
  std::mutex mutex;
  std::vector<Line> lines;
};

// Each test starts with every level enabled and lines going to `recorder_`,
// and leaves the default output and the mask it found.
class ZologTest : public testing::Test {
 protected:
  void SetUp() override {
    savedMask_ = zologGetLevelMask();
    zologSetLevelMask(ZOLOG_ALL);
    zologSetHandler(&Recorder::handle, &recorder_);
  }
  void TearDown() override {
    zologSetHandler(nullptr, nullptr);
    zologSetLevelMask(savedMask_);
  }
  // The message of the only line recorded since the last call.
  std::wstring lastMessage() {
    EXPECT_EQ(recorder_.lines.size(), 1u);
    const std::wstring message = recorder_.lines.empty() ? L"" : recorder_.lines.back().message;
    recorder_.lines.clear();
    return message;
  }

  Recorder recorder_;
  int savedMask_ = 0;
};

TEST_F(ZologTest, HandlerReceivesModuleLevelAndFormattedMessage) {
  EXPECT_EQ(zologLog(L"MODA", ZOLOG_DETAIL, L"plain"), 0);
  ASSERT_EQ(recorder_.lines.size(), 1u);
  EXPECT_EQ(recorder_.lines[0].module, L"MODA");
  EXPECT_EQ(recorder_.lines[0].level, ZOLOG_DETAIL);
  EXPECT_EQ(lastMessage(), L"plain");

  zologLog(L"M", ZOLOG_FAILURE, L"%ws|%s|%hs|%S", L"w\u00e9", L"plain-s", "narrow", "upper-S");
  EXPECT_EQ(lastMessage(), L"w\u00e9|plain-s|narrow|upper-S");
  zologLog(L"M", ZOLOG_FAILURE, L"%d %x %c %5.2ws%% %I64d", -42, 0xbeefu, L'\u00e9', L"abc",
           static_cast<long long>(1) << 40);
  EXPECT_EQ(lastMessage(), L"-42 beef \u00e9    ab% 1099511627776");

  // A format the C runtime rejects (a narrow string that does not convert) is
  // logged as the format text; a null format logs nothing.
  EXPECT_EQ(zologLog(L"M", ZOLOG_FAILURE, L"bad %hs %d", "\xff\xfe", 7), 0);
  EXPECT_EQ(lastMessage(), L"bad %hs %d");
  EXPECT_EQ(zologLog(L"M", ZOLOG_FAILURE, nullptr), -1);
  EXPECT_TRUE(recorder_.lines.empty());
}

TEST_F(ZologTest, LongMessagesAreDeliveredWhole) {
  // Around the size of the formatter's first buffer, and far beyond it, with
  // arguments after the long one.
  for (std::size_t length : {510u, 511u, 512u, 513u, 5000u}) {
    std::wstring text(length, L'x');
    text[length / 2] = L'\u00e9';
    EXPECT_EQ(zologLog(L"M", ZOLOG_FAILURE, L"%ws", text.c_str()), 0);
    EXPECT_EQ(lastMessage(), text) << length;
    zologLog(L"M", ZOLOG_FAILURE, L"[%ws|%d|%hs]", text.c_str(), 42, "tail");
    EXPECT_EQ(lastMessage(), L"[" + text + L"|42|tail]") << length;
  }
}

TEST_F(ZologTest, MaskedOutLevelsAreNotDelivered) {
  zologSetLevelMask(ZOLOG_WARNING | ZOLOG_ENTRY);
  EXPECT_EQ(zologGetLevelMask(), ZOLOG_WARNING | ZOLOG_ENTRY);
  for (int level : {ZOLOG_FAILURE, ZOLOG_WARNING, ZOLOG_DETAIL, ZOLOG_ENTRY, ZOLOG_EXIT}) {
    const bool passes = level == ZOLOG_WARNING || level == ZOLOG_ENTRY;
    EXPECT_EQ(zologLog(L"M", level, L"level %d", level), passes ? 0 : 1) << level;
  }
  ASSERT_EQ(recorder_.lines.size(), 2u);
  EXPECT_EQ(recorder_.lines[0].message, L"level 2");
  EXPECT_EQ(recorder_.lines[1].message, L"level 8");
  recorder_.lines.clear();

  // A change of mask applies to the next line.
  zologSetLevelMask(0);
  EXPECT_EQ(zologLog(L"M", ZOLOG_WARNING, L"off"), 1);
  zologSetLevelMask(ZOLOG_EXIT);
  EXPECT_EQ(zologLog(L"M", ZOLOG_EXIT, L"on"), 0);
  EXPECT_EQ(lastMessage(), L"on");

#if !defined(_WIN32)
  // A masked-out line is not formatted: its argument is never read.
  const long pageSize = sysconf(_SC_PAGESIZE);
  void* page = mmap(nullptr, pageSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(page, MAP_FAILED);
  EXPECT_EQ(zologLog(L"M", ZOLOG_DETAIL, L"%ws", static_cast<const wchar_t*>(page)), 1);
  munmap(page, pageSize);
#endif
  EXPECT_TRUE(recorder_.lines.empty());
}

TEST_F(ZologTest, NullModuleNameUsesTheLastNameSet) {
  EXPECT_EQ(zologSetModuleName(L"FIRST"), 0);
  EXPECT_EQ(zologSetModuleName(L"SECOND"), 0);
  EXPECT_EQ(zologSetModuleName(nullptr), 0);
  zologLog(nullptr, ZOLOG_FAILURE, L"a");
  zologLog(L"OTHER", ZOLOG_FAILURE, L"b");
  ASSERT_EQ(recorder_.lines.size(), 2u);
  EXPECT_EQ(recorder_.lines[0].module, L"SECOND");
  EXPECT_EQ(recorder_.lines[1].module, L"OTHER");
}

TEST_F(ZologTest, DefaultOutputWritesUtf8LinesToStandardError) {
  if (std::getenv("ZOLOG_FILE") != nullptr) GTEST_SKIP() << "ZOLOG_FILE is set";
  testing::internal::CaptureStderr();
  zologLog(L"HANDLED", ZOLOG_FAILURE, L"to the handler");
  zologSetHandler(nullptr, nullptr);
  EXPECT_EQ(zologLog(L"Z\u00e9", ZOLOG_WARNING, L"caf\u00e9 \u20ac \U0001F600 %d", 7), 0);
  std::thread([] { zologLog(L"ZMOD", ZOLOG_EXIT, L"other thread"); }).join();
  zologLog(L"ZMOD", ZOLOG_DETAIL, L"same thread");
  const std::string output = testing::internal::GetCapturedStderr();
  EXPECT_EQ(recorder_.lines.size(), 1u);

  const std::string stamp = R"(\d{4}-(0[1-9]|1[0-2])-[0-3]\d [0-2]\d:[0-5]\d:[0-6]\d\.\d{3} )";
  std::smatch match;
  ASSERT_TRUE(std::regex_match(
      output, match,
      std::regex(stamp +
                 "Z\xc3\xa9 \\[2\\] tid (\\d+): caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 7\n" +
                 stamp + "ZMOD \\[16\\] tid (\\d+): other thread\n" +  //
                 stamp + "ZMOD \\[4\\] tid (\\d+): same thread\n")))
      << output;
  EXPECT_NE(match[2].str(), match[4].str());
  EXPECT_EQ(match[2].str(), match[6].str());
}

#if !defined(_WIN32)
TEST_F(ZologTest, LineThatCannotBeWrittenReturnsMinusOne) {
  const int full = open("/dev/full", O_WRONLY);
  if (full < 0 || std::getenv("ZOLOG_FILE") != nullptr)
    GTEST_SKIP() << "no /dev/full, or ZOLOG_FILE is set";
  zologSetHandler(nullptr, nullptr);
  std::fflush(stderr);
  const int saved = dup(2);
  dup2(full, 2);
  const int result = zologLog(L"M", ZOLOG_FAILURE, L"lost");
  dup2(saved, 2);
  close(saved);
  close(full);
  std::clearerr(stderr);
  EXPECT_EQ(result, -1);
}
#endif

TEST_F(ZologTest, HandlerMayLog) {
  struct Nested {
    static void handle(void* context, const wchar_t* module, int level, const wchar_t* message) {
      auto* recorder = static_cast<Recorder*>(context);
      if (level == ZOLOG_FAILURE) zologLog(L"INNER", ZOLOG_WARNING, L"inside %ws", message);
      Recorder::handle(recorder, module, level, message);
    }
  };
  zologSetHandler(&Nested::handle, &recorder_);
  EXPECT_EQ(zologLog(L"OUTER", ZOLOG_FAILURE, L"outer"), 0);
  ASSERT_EQ(recorder_.lines.size(), 2u);
  EXPECT_EQ(recorder_.lines[0].module, L"INNER");
  EXPECT_EQ(recorder_.lines[0].message, L"inside outer");
  EXPECT_EQ(recorder_.lines[1].message, L"outer");
}

// Several threads log at once; the handler checks that no two lines are
// delivered at the same time.
TEST_F(ZologTest, ConcurrentLinesAreDeliveredOnceEachAndWhole) {
  constexpr int kThreads = 8;
  constexpr int kLines = 500;
  struct Checker {
    static void handle(void* context, const wchar_t* module, int level, const wchar_t* message) {
      auto* self = static_cast<Checker*>(context);
      if (self->busy.exchange(true)) self->overlaps++;
      Recorder::handle(&self->recorder, module, level, message);
      self->busy = false;
    }
    std::atomic<bool> busy{false};
    std::atomic<int> overlaps{0};
    Recorder recorder;
  } checker;
  zologSetHandler(&Checker::handle, &checker);

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::wstring payload(100 + t * 150, static_cast<wchar_t>(L'a' + t));
      for (int i = 0; i < kLines; ++i)
        zologLog(L"T", ZOLOG_WARNING, L"%d %d %ws", t, i, payload.c_str());
    });
  }
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(checker.overlaps, 0);
  ASSERT_EQ(checker.recorder.lines.size(), static_cast<std::size_t>(kThreads * kLines));
  std::vector<int> next(kThreads, 0);  // each thread's lines arrive in order
  for (const Line& line : checker.recorder.lines) {
    int t = -1, i = -1, consumed = 0;
    ASSERT_EQ(swscanf(line.message.c_str(), L"%d %d %n", &t, &i, &consumed), 2) << "bad line";
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(i, next[t]++);
    EXPECT_EQ(line.message.substr(consumed),
              std::wstring(100 + t * 150, static_cast<wchar_t>(L'a' + t)));
  }
}

// Threads keep logging while the handler is replaced again and again: a
// handler is never called once its replacement has been installed.
TEST_F(ZologTest, ReplacedHandlerIsNeverCalledAgain) {
  struct Slot {
    static void handle(void* context, const wchar_t*, int, const wchar_t*) {
      auto* self = static_cast<Slot*>(context);
      if (self->retired) self->lateCalls++;
      self->calls++;
    }
    std::atomic<bool> retired{false};
    std::atomic<int> lateCalls{0};
    std::atomic<int> calls{0};
  };
  std::vector<Slot> slots(200);
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&stop] {
      while (!stop) zologLog(L"T", ZOLOG_FAILURE, L"line %d", 1);
    });
  }
  for (Slot& slot : slots) {
    zologSetHandler(&Slot::handle, &slot);
    if (&slot != &slots.front()) (&slot - 1)->retired = true;
    while (slot.calls == 0) std::this_thread::yield();
  }
  zologSetHandler(&Recorder::handle, &recorder_);
  slots.back().retired = true;
  stop = true;
  for (auto& thread : threads) thread.join();

  for (const Slot& slot : slots) EXPECT_EQ(slot.lateCalls, 0);
}

}  // namespace
