// A logging library for tests: it exports zolog's functions and records every
// call instead of writing lines, so that a test can check exactly what the
// code under test logged, and in which order. Formats are expanded with the
// same conventions as zologu64's.
#ifndef QUOR_TESTS_SUPPORT_RECORDING_ZOLOG_H_
#define QUOR_TESTS_SUPPORT_RECORDING_ZOLOG_H_

#include <string>
#include <vector>

#if defined(_WIN32)
#if defined(ZOLOG_BUILDING_LIBRARY)
#define RECORDING_ZOLOG_API __declspec(dllexport)
#else
#define RECORDING_ZOLOG_API __declspec(dllimport)
#endif
#else
#define RECORDING_ZOLOG_API __attribute__((visibility("default")))
#endif

namespace quor_test {

struct LogEvent {
  enum Kind { kSetModuleName, kLine };
  Kind kind;
  std::wstring module;   // the name set, or the line's module
  int level;             // 0 for kSetModuleName
  std::wstring message;  // the formatted line; empty for kSetModuleName
};

// Every call since the last clearLogEvents(), in order.
RECORDING_ZOLOG_API std::vector<LogEvent> logEvents();
RECORDING_ZOLOG_API void clearLogEvents();

}  // namespace quor_test

#endif  // QUOR_TESTS_SUPPORT_RECORDING_ZOLOG_H_
