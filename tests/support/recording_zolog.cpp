#include "support/recording_zolog.h"

#include <zolog/zolog.h>

#include <cstdarg>
#include <mutex>

#include "quor_text/wide_format.h"

namespace quor_test {

namespace {

std::mutex mutex;
std::vector<LogEvent> events;
int levelMask = ZOLOG_ALL;

void record(LogEvent event) {
  std::lock_guard<std::mutex> lock(mutex);
  events.push_back(std::move(event));
}

}  // namespace

std::vector<LogEvent> logEvents() {
  std::lock_guard<std::mutex> lock(mutex);
  return events;
}

void clearLogEvents() {
  std::lock_guard<std::mutex> lock(mutex);
  events.clear();
}

}  // namespace quor_test

extern "C" {

int zologSetModuleName(const wchar_t* moduleName) {
  quor_test::record({quor_test::LogEvent::kSetModuleName, moduleName, 0, L""});
  return 0;
}

int zologLog(const wchar_t* moduleName, int level, const wchar_t* format, ...) {
  std::wstring isoFormat(Quor::text::translatedFormatCapacity(format), L'\0');
  Quor::text::translateFormat(format, &isoFormat[0]);
  va_list args;
  va_start(args, format);
  va_list measureArgs;
  va_copy(measureArgs, args);
  const int length = Quor::text::measureFormatted(isoFormat.c_str(), measureArgs);
  va_end(measureArgs);
  std::wstring message(length < 0 ? 0 : static_cast<std::size_t>(length), L'\0');
  if (length >= 0) {
    Quor::text::writeFormatted(&message[0], message.size() + 1, isoFormat.c_str(), args);
  }
  va_end(args);
  quor_test::record({quor_test::LogEvent::kLine, moduleName, level, message});
  return 0;
}

void zologSetLevelMask(int mask) { quor_test::levelMask = mask; }

int zologGetLevelMask(void) { return quor_test::levelMask; }

void zologSetHandler(ZologHandler, void*) {}

}  // extern "C"
