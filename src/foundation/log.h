// The logging facade: every line of the library goes through zologLog under
// the module name "PELLAPI", at one of five levels.
//
// Messages begin with the qualified function name, a colon and a blank;
// entry and exit lines are the bare function name. Formats use %ws for a wide
// string (pass c_str()), %d for an int and %llx for a handle (handleValue()).
#ifndef QUOR_SRC_FOUNDATION_LOG_H_
#define QUOR_SRC_FOUNDATION_LOG_H_

#include <zolog/zolog.h>

#include <cstdint>

#include "quor/platform.h"

namespace Quor {
namespace detail {

constexpr const wchar_t* kLogModule = L"PELLAPI";

enum LogLevel : int {
  kLogFailure = 1,  // failures and unexpected events
  kLogWarning = 2,  // attach and detach notices, warnings
  kLogDetail = 4,   // inputs, outputs, files and paths
  kLogEntry = 8,    // entry into a traced function
  kLogExit = 16,    // exit from a traced function
};

template <typename... Args>
void log(LogLevel level, const wchar_t* format, Args... args) {
  zologLog(kLogModule, level, format, args...);
}

// A module handle as a number, all of it, for "%llx".
inline unsigned long long handleValue(HINSTANCE module) {
  return reinterpret_cast<std::uintptr_t>(module);
}

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_LOG_H_
