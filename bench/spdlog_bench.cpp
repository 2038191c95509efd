// zolog beside spdlog, each writing the same line content to a file of its
// own, synchronously, flushed after every line as zolog flushes: a time stamp
// with milliseconds, the module name, the level, the thread id and a message
// formatted from a wide format with a wide and a narrow argument.
//
//   zolog:  2026-12-06 06:47:38.123 PELLAPI [1] tid 4242: <message>
//   spdlog: 2026-12-06 06:47:38.123 PELLAPI [error] tid 4242: <message>
//
// spdlog's side is its own narrow call, as a program on this platform writes
// it (LogSpdlog_). A further pair (LogZologWide_ beside LogSpdlogWide_) gives
// spdlog the road of its wide interface, which it has on Windows only: fmt
// formats the wide format into a wide memory buffer, which is converted to
// UTF-8 and logged. fmt takes no narrow argument in a wide format, so the
// narrow argument is first converted as the C runtime converts zolog's %hs.
//
// Lines per second are wall-clock rates over all threads (real time), since a
// thread that waits for the other's lock uses no CPU time.
#include <zolog/zolog.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <fmt/xchar.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include "log_files.h"

namespace {

const wchar_t kModule[] = L"PELLAPI";
const char kModuleNarrow[] = "PELLAPI";
const wchar_t kFunction[] = L"ManagerFactory::newManagerInstance";
const char kFunctionNarrow[] = "ManagerFactory::newManagerInstance";
const char kReason[] = "bad allocation";

// The UTF-8 form of wide text, as spdlog's wide interface converts it.
void appendUtf8(spdlog::memory_buf_t& out, const wchar_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
}

// spdlog's wide log call: the level checks first, then the formatting.
template <typename... Args>
void logWide(spdlog::logger& logger, spdlog::level::level_enum level, const wchar_t* format,
             const Args&... args) {
  if (!logger.should_log(level) && !logger.should_backtrace()) return;
  fmt::wmemory_buffer wide;
  fmt::vformat_to(std::back_inserter(wide), fmt::wstring_view(format),
                  fmt::make_wformat_args(args...));
  spdlog::memory_buf_t text;
  appendUtf8(text, wide.data(), wide.size());
  logger.log(spdlog::source_loc{}, level, spdlog::string_view_t(text.data(), text.size()));
}

// One line of each library; the narrow argument is converted on the spdlog
// side within the time.
int zologLine() {
  return zologLog(kModule, ZOLOG_FAILURE, L"%ws: Stopped by an exception: %hs", kFunction, kReason);
}

void spdlogWideLine(spdlog::logger& logger) {
  wchar_t reason[64];
  std::mbstowcs(reason, kReason, sizeof reason / sizeof reason[0]);
  logWide(logger, spdlog::level::err, L"{}: Stopped by an exception: {}", kFunction, reason);
}

spdlog::logger& fileLogger() {
  static const std::shared_ptr<spdlog::logger> logger = [] {
    auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(bench::spdlogFilePath(), true);
    auto made = std::make_shared<spdlog::logger>(kModuleNarrow, sink);
    made->set_pattern("%Y-%m-%d %H:%M:%S.%e %n [%l] tid %t: %v");
    made->set_level(spdlog::level::trace);
    made->flush_on(spdlog::level::trace);
    return made;
  }();
  return *logger;
}

// Lines written to ZOLOG_FILE with every level on. The first thread sets the
// mask before the others start and restores it after they stop.
int savedMask = 0;

void LogZolog_FileLine(benchmark::State& state) {
  const std::string& path = bench::zologFilePath();
  if (state.thread_index() == 0) {
    bench::emptyFile(path);
    savedMask = zologGetLevelMask();
    zologSetLevelMask(ZOLOG_ALL);
  }
  for (auto _ : state) {
    if (zologLine() != 0) {
      state.SkipWithError("zologLog could not write the line");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    zologSetLevelMask(savedMask);
    if (bench::fileSize(path) == 0) {
      state.SkipWithError(
          "zolog wrote no line to ZOLOG_FILE: a line went to standard error before it was set");
    }
    bench::emptyFile(path);
  }
}
BENCHMARK(LogZolog_FileLine)->Threads(1)->Threads(2)->UseRealTime();

BENCHMARK(LogZolog_FileLine)->Name("LogZologWide_FileLine")->Threads(1)->Threads(2)->UseRealTime();

template <void (*line)(spdlog::logger&)>
void spdlogFileLines(benchmark::State& state) {
  spdlog::logger& logger = fileLogger();
  if (state.thread_index() == 0) bench::emptyFile(bench::spdlogFilePath());
  for (auto _ : state) line(logger);
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) bench::emptyFile(bench::spdlogFilePath());
}

void spdlogLine(spdlog::logger& logger) {
  logger.error("{}: Stopped by an exception: {}", kFunctionNarrow, kReason);
}

void LogSpdlog_FileLine(benchmark::State& state) { spdlogFileLines<spdlogLine>(state); }
BENCHMARK(LogSpdlog_FileLine)->Threads(1)->Threads(2)->UseRealTime();

void LogSpdlogWide_FileLine(benchmark::State& state) { spdlogFileLines<spdlogWideLine>(state); }
BENCHMARK(LogSpdlogWide_FileLine)->Threads(1)->Threads(2)->UseRealTime();

// A call whose level is masked out: zolog's mask without the line's level,
// spdlog's logger at a level above the line's. spdlog's call is its own
// (narrow) debug(): its level check is inline in the caller, then it asks the
// library whether a backtrace is kept.
void LogZolog_Masked(benchmark::State& state) {
  const int previousMask = zologGetLevelMask();
  zologSetLevelMask(ZOLOG_ALL & ~ZOLOG_DETAIL);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        zologLog(kModule, ZOLOG_DETAIL, L"%ws: Stopped by an exception: %hs", kFunction, kReason));
  }
  zologSetLevelMask(previousMask);
}
BENCHMARK(LogZolog_Masked);

void LogSpdlog_Masked(benchmark::State& state) {
  spdlog::logger& logger = fileLogger();
  logger.set_level(spdlog::level::info);
  for (auto _ : state) logger.debug("{}: Stopped by an exception: {}", kFunctionNarrow, kReason);
  logger.set_level(spdlog::level::trace);
}
BENCHMARK(LogSpdlog_Masked);

}  // namespace
