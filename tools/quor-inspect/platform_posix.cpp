// quor-inspect on Linux and other POSIX systems: paths and arguments are
// UTF-8 bytes.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform.h"
#include "quor_text/utf8.h"

namespace quor_inspect {

std::filesystem::path toPath(const std::wstring& path) {
  std::string bytes;
  Quor::text::appendFileNameBytes(bytes, path.c_str(), path.size());
  return std::filesystem::path(bytes);
}

std::wstring fromPath(const std::filesystem::path& path) {
  std::wstring wide;
  const std::string& bytes = path.native();
  Quor::text::appendDecodedFileName(wide, bytes.data(), bytes.size());
  return wide;
}

const wchar_t* pathCharacters() { return L"/"; }

bool sameFileName(const std::wstring& a, const std::wstring& b) { return a == b; }

namespace {

using Clock = std::chrono::steady_clock;

std::wstring wide(const std::string& bytes) {
  std::wstring text;
  Quor::text::appendDecodedUtf8(text, bytes.data(), bytes.size());
  return text;
}

// Reads `from` into `output` until its end or `deadline`; false at the
// deadline.
bool readUntil(int from, Clock::time_point deadline, std::string& output) {
  char buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd ready = {from, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno != EINTR) return true;
    if (polled <= 0) continue;
    const ssize_t count = read(from, buffer, sizeof buffer);
    if (count > 0) {
      output.append(buffer, static_cast<std::size_t>(count));
    } else if (count == 0 || errno != EINTR) {
      return true;
    }
  }
}

// Waits for `child` to end until `deadline`; false at the deadline.
bool waitUntil(pid_t child, Clock::time_point deadline, int& status) {
  for (;;) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child || (ended < 0 && errno != EINTR)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

bool runSelf(const std::vector<std::wstring>& arguments, unsigned int seconds, std::string& output,
             ChildEnd& end) {
  // Everything that the child needs is made before fork(): the child of a
  // process that may have threads calls only what is safe there.
  std::vector<std::string> bytes(1, "quor-inspect");
  for (const std::wstring& argument : arguments) {
    bytes.emplace_back();
    Quor::text::appendFileNameBytes(bytes.back(), argument.c_str(), argument.size());
  }
  std::vector<char*> argv;
  for (std::string& argument : bytes) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return false;
  self[length] = '\0';

  // This program read the variable before its first line.
  setenv("ZOLOG_LEVEL", "0", 1);
  int channel[2];
  if (pipe2(channel, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(channel[0]);
    close(channel[1]);
    return false;
  }
  if (child == 0) {
    dup2(channel[1], STDOUT_FILENO);
    execv(self, argv.data());
    _exit(127);
  }
  close(channel[1]);
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  const bool ended = readUntil(channel[0], deadline, output) && waitUntil(child, deadline, status);
  close(channel[0]);
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    end.kind = ChildEnd::kTimedOut;
    return true;
  }
  end.kind = ChildEnd::kExited;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = sigabbrev_np(signal);
    end.code = -1;
    end.description = L"signal " +
                      (name != nullptr ? L"SIG" + wide(name) : std::to_wstring(signal)) + L" (" +
                      wide(strsignal(signal)) + L")";
  } else {
    end.code = WEXITSTATUS(status);
    end.description = L"exit code " + std::to_wstring(end.code);
  }
  return true;
}

std::FILE* takeStandardOutput() {
  std::fflush(stdout);
  const int records = dup(STDOUT_FILENO);
  if (records < 0) return stdout;
  dup2(STDERR_FILENO, STDOUT_FILENO);
  std::FILE* out = fdopen(records, "wb");
  return out != nullptr ? out : stdout;
}

}  // namespace quor_inspect

int main(int argc, char** argv) {
  std::vector<std::wstring> arguments(argc > 0 ? argc - 1 : 0);
  for (int i = 1; i < argc; ++i) {
    Quor::text::appendDecodedFileName(arguments[i - 1], argv[i], std::strlen(argv[i]));
  }
  return quor_inspect::run(arguments);
}
