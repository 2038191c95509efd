// zolog: level mask, formatting and delivery of log lines.
#include <zolog/zolog.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <mutex>
#include <string>

#include "platform.h"
#include "quor_text/utf8.h"
#include "quor_text/wide_format.h"

namespace {

constexpr int kDefaultMask = ZOLOG_FAILURE | ZOLOG_WARNING;

std::atomic<int> levelMask{kDefaultMask};
std::atomic<bool> environmentRead{false};
std::once_flag environmentOnce;

// Everything but the mask is guarded by `mutex`. A recursive mutex lets a
// handler log. The state is never destroyed, so that static destructors of
// other modules may still log at exit.
struct Output {
  std::recursive_mutex mutex;
  ZologHandler handler = nullptr;
  void* context = nullptr;
  std::wstring defaultModule;
  bool fileChosen = false;
  std::FILE* file = nullptr;  // ZOLOG_FILE when it opened; else standard error
  std::string filePath;
  bool writeFailureReported = false;
};

Output& output() {
  static Output* instance = new Output;
  return *instance;
}

// ZOLOG_LEVEL: decimal, or hexadecimal after 0x. Returns false for anything
// else.
bool parseMask(const char* text, int* mask) {
  int base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text += 2;
  }
  if (*text == '\0') return false;
  long value = 0;
  for (; *text != '\0'; ++text) {
    int digit;
    if (*text >= '0' && *text <= '9') {
      digit = *text - '0';
    } else if (base == 16 && *text >= 'a' && *text <= 'f') {
      digit = *text - 'a' + 10;
    } else if (base == 16 && *text >= 'A' && *text <= 'F') {
      digit = *text - 'A' + 10;
    } else {
      return false;
    }
    value = value * base + digit;
    if (value > 0x7fffffffL) return false;
  }
  *mask = static_cast<int>(value);
  return true;
}

void readEnvironment() {
  if (const char* text = std::getenv("ZOLOG_LEVEL")) {
    int mask = kDefaultMask;
    if (parseMask(text, &mask)) {
      levelMask.store(mask, std::memory_order_relaxed);
    } else {
      std::fprintf(
          stderr, "zolog: ignoring ZOLOG_LEVEL=%s: not a decimal or 0x-hexadecimal number\n", text);
    }
  }
  environmentRead.store(true, std::memory_order_release);
}

// The environment is read once, before the first use of the mask, so that a
// later zologSetLevelMask() always stands.
int currentMask() {
  if (!environmentRead.load(std::memory_order_acquire))
    std::call_once(environmentOnce, readEnvironment);
  return levelMask.load(std::memory_order_relaxed);
}

void appendUtf8(std::string& out, const wchar_t* text) {
  Quor::text::appendUtf8(out, text, std::wcslen(text));
}

// "2026-12-06 06:47:38.123", local time.
std::string timestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const long millis = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  const std::tm local = zolog_platform::localTime(seconds);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03ld", millis);
  return text;
}

std::FILE* destination(Output& out) {
  if (!out.fileChosen) {
    out.fileChosen = true;
    if (const char* path = std::getenv("ZOLOG_FILE")) {
      if (*path != '\0') out.file = zolog_platform::openForAppend(path);
      if (out.file != nullptr) {
        out.filePath = path;
      } else {
        std::fprintf(stderr, "zolog: cannot open ZOLOG_FILE=%s; logging to standard error\n", path);
      }
    }
  }
  return out.file != nullptr ? out.file : stderr;
}

// Returns false when the line could not be written.
bool writeLine(Output& out, const wchar_t* module, int level, const wchar_t* message) {
  std::string line = timestamp();
  line += ' ';
  appendUtf8(line, module);
  line += " [";
  line += std::to_string(level);
  line += "] tid ";
  line += std::to_string(zolog_platform::threadId());
  line += ": ";
  appendUtf8(line, message);
  line += '\n';
  std::FILE* file = destination(out);
  const bool whole = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  const bool written = std::fflush(file) == 0 && whole;
  // A file that takes no more lines (a full disk, /dev/full) is reported once,
  // on standard error, so that the lost lines do not go unnoticed and a process
  // that logs much does not flood standard error.
  if (!written && file != stderr && !out.writeFailureReported) {
    out.writeFailureReported = true;
    std::fprintf(stderr, "zolog: cannot write to ZOLOG_FILE=%s (%s); log lines are being lost\n",
                 out.filePath.c_str(), std::strerror(errno));
  }
  return written;
}

// Formats the message of one line: the format's output, or the format itself
// when the C runtime rejects it.
std::wstring formatMessage(const wchar_t* format, va_list args) {
  std::wstring isoFormat(Quor::text::translatedFormatCapacity(format), L'\0');
  Quor::text::translateFormat(format, &isoFormat[0]);

  wchar_t small[512];
  va_list copy;
  va_copy(copy, args);
  int length =
      Quor::text::writeFormatted(small, sizeof small / sizeof small[0], isoFormat.c_str(), copy);
  va_end(copy);
  if (length >= 0) return std::wstring(small, static_cast<std::size_t>(length));

  va_copy(copy, args);
  length = Quor::text::measureFormatted(isoFormat.c_str(), copy);
  va_end(copy);
  if (length < 0) return format;
  std::wstring message(static_cast<std::size_t>(length), L'\0');
  va_copy(copy, args);
  length = Quor::text::writeFormatted(&message[0], message.size() + 1, isoFormat.c_str(), copy);
  va_end(copy);
  if (length < 0) return format;
  message.resize(static_cast<std::size_t>(length));
  return message;
}

}  // namespace

extern "C" {

int zologSetModuleName(const wchar_t* moduleName) {
  if (moduleName == nullptr) return 0;
  try {
    Output& out = output();
    std::lock_guard<std::recursive_mutex> lock(out.mutex);
    out.defaultModule = moduleName;
  } catch (...) {
  }
  return 0;
}

int zologLog(const wchar_t* moduleName, int level, const wchar_t* format, ...) {
  if (format == nullptr) return -1;
  if ((currentMask() & level) == 0) return 1;
  va_list args;
  va_start(args, format);
  int result = 0;
  try {
    const std::wstring message = formatMessage(format, args);
    Output& out = output();
    std::lock_guard<std::recursive_mutex> lock(out.mutex);
    const std::wstring module = moduleName != nullptr ? moduleName : out.defaultModule;
    if (out.handler != nullptr) {
      out.handler(out.context, module.c_str(), level, message.c_str());
    } else if (!writeLine(out, module.c_str(), level, message.c_str())) {
      result = -1;
    }
  } catch (...) {
    result = -1;
  }
  va_end(args);
  return result;
}

void zologSetLevelMask(int mask) {
  currentMask();
  levelMask.store(mask, std::memory_order_relaxed);
}

int zologGetLevelMask(void) { return currentMask(); }

void zologSetHandler(ZologHandler handler, void* context) {
  Output& out = output();
  std::lock_guard<std::recursive_mutex> lock(out.mutex);
  out.handler = handler;
  out.context = context;
}

}  // extern "C"
