// zolog's operating-system functions on Windows.
#include "platform.h"

#include <windows.h>

#include <cstdlib>

namespace zolog_platform {

unsigned long threadId() { return GetCurrentThreadId(); }

std::tm localTime(std::time_t time) {
  std::tm local{};
  localtime_s(&local, &time);
  return local;
}

void watchFork(void (*)(), void (*)(), void (*)()) {}

// Opening a named pipe never waits: without a server, or with every instance
// busy, the open fails at once.
const char* environmentSetting(const char* name) { return std::getenv(name); }

std::FILE* openForAppend(const char* path) { return std::fopen(path, "a"); }

}  // namespace zolog_platform
