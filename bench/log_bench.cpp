// zologLog beside the logging function a program would write for itself: a
// mask check, the C runtime's formatter into a buffer on the stack and one
// handler, without zolog's thread safety, format conventions or long lines.
// Both take a line as the library logs one: a function name and an input.
#include <zolog/zolog.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>

#include <benchmark/benchmark.h>

namespace {

const wchar_t kModule[] = L"PELLAPI";
const wchar_t kFunction[] = L"ManagerFactory::newManagerInstance";
const wchar_t kProvider[] = L"Demo";

void dropLine(void*, const wchar_t*, int, const wchar_t*) {}

std::atomic<int> rawMask{0};
ZologHandler rawHandler = dropLine;
void* rawContext = nullptr;

// Returns 1 when the level is masked out, as zologLog does.
__attribute__((noinline)) int rawLog(const wchar_t* module, int level, const wchar_t* format, ...) {
  if ((rawMask.load(std::memory_order_relaxed) & level) == 0) return 1;
  wchar_t message[512];
  va_list args;
  va_start(args, format);
  const int length = std::vswprintf(message, sizeof message / sizeof message[0], format, args);
  va_end(args);
  if (length < 0) return -1;
  rawHandler(rawContext, module, level, message);
  return 0;
}

void Zolog_Log(benchmark::State& state, int mask) {
  const int previousMask = zologGetLevelMask();
  zologSetHandler(dropLine, nullptr);
  zologSetLevelMask(mask);
  for (auto _ : state) {
    benchmark::DoNotOptimize(zologLog(kModule, ZOLOG_DETAIL, L"%ws: --> Input Param provider = %ws",
                                      kFunction, kProvider));
  }
  zologSetLevelMask(previousMask);
  zologSetHandler(nullptr, nullptr);
}
BENCHMARK_CAPTURE(Zolog_Log, masked, 0);
BENCHMARK_CAPTURE(Zolog_Log, handler, ZOLOG_ALL);

void Raw_Log(benchmark::State& state, int mask) {
  rawMask.store(mask);
  for (auto _ : state) {
    benchmark::DoNotOptimize(rawLog(kModule, ZOLOG_DETAIL, L"%ls: --> Input Param provider = %ls",
                                    kFunction, kProvider));
  }
  rawMask.store(0);
}
BENCHMARK_CAPTURE(Raw_Log, masked, 0);
BENCHMARK_CAPTURE(Raw_Log, handler, ZOLOG_ALL);

}  // namespace
