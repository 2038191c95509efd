// The operating-system functions that zolog needs, so that zolog.cpp is the
// same on every platform. One implementation per platform
// (platform_posix.cpp, platform_win32.cpp), chosen by the build.
#ifndef ZOLOG_SRC_PLATFORM_H_
#define ZOLOG_SRC_PLATFORM_H_

#include <cstdio>
#include <ctime>

namespace zolog_platform {

// The calling thread's id as the system's tools show it.
unsigned long threadId();

// `time` in local time.
std::tm localTime(std::time_t time);

// The value of the environment variable `name`, or null. A process that runs
// with more rights than the user who started it (set-user-ID, set-group-ID,
// file capabilities) sees none: that user must not choose which file it
// appends to, nor make it log what it handles.
const char* environmentSetting(const char* name);

// Opens `path` (created if need be) to append to it, or returns null. Never
// waits for another process: a FIFO or pipe that no process reads is refused.
std::FILE* openForAppend(const char* path);

// Has `prepare` run before fork() in the forking thread, `parent` after it in
// the parent and `child` after it in the child, where processes can fork;
// does nothing elsewhere.
void watchFork(void (*prepare)(), void (*parent)(), void (*child)());

}  // namespace zolog_platform

#endif  // ZOLOG_SRC_PLATFORM_H_
