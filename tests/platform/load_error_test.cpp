// The error number behind a message of the system's loader on Linux.
#if !defined(_WIN32)
#include <cerrno>
#include <utility>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(LoadErrorNumberTest, IsTheErrorThatEndsTheMessageOrEnomemForGlibcsOwnOutOfMemory) {
  const std::pair<const char*, int> cases[] = {
      {"/m.so: cannot open shared object file: No such file or directory", ENOENT},
      {"/m.so: failed to map segment from shared object: Cannot allocate memory", ENOMEM},
      {"out of memory", ENOMEM},
      {"/m.so: invalid ELF header", ENOEXEC},
      {": Permission denied", ENOEXEC},  // no message before the error's description
  };
  for (const auto& [message, code] : cases) {
    EXPECT_EQ(Quor::platform::loadErrorNumber(message), code) << message;
  }
}

}  // namespace
#endif
