// zolog's operating-system functions on Linux and other POSIX systems.
#include "platform.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

namespace zolog_platform {

namespace {

// The calling thread's id, asked of the system once per thread (gettid() is a
// system call); 0 until then. A forked child's only thread is a new thread
// with the parent's copy of this variable, so the child forgets it.
thread_local unsigned long knownThreadId = 0;

void forgetThreadId() { knownThreadId = 0; }

struct ForkWatch {
  ForkWatch() { pthread_atfork(nullptr, nullptr, forgetThreadId); }
};

const ForkWatch forkWatch;

}  // namespace

unsigned long threadId() {
  if (knownThreadId == 0) knownThreadId = static_cast<unsigned long>(gettid());
  return knownThreadId;
}

std::tm localTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

void watchFork(void (*prepare)(), void (*parent)(), void (*child)()) {
  pthread_atfork(prepare, parent, child);
}

const char* environmentSetting(const char* name) { return secure_getenv(name); }

std::FILE* openForAppend(const char* path) {
  // Without O_NONBLOCK, opening a FIFO waits until a process opens it to read,
  // forever if none does; with it, that open fails with ENXIO.
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  // Writes wait for a slow reader rather than fail.
  const int flags = fcntl(fd, F_GETFL);
  std::FILE* file = nullptr;
  if (flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != -1) file = fdopen(fd, "a");
  if (file == nullptr) close(fd);
  return file;
}

}  // namespace zolog_platform
