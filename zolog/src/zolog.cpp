// zolog: level mask, formatting and delivery of log lines.
#include <zolog/zolog.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <mutex>
#include <string>
#include <utility>

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
  // The line being written, kept from line to line for its capacity.
  std::string line;
  // The date and time of the last line, "%Y-%m-%d %H:%M:%S", and the local
  // time it was made from: lines within the same second use it again.
  std::tm stampTime{};
  bool stampValid = false;
  std::size_t stampLength = 0;
  char stamp[40];
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

bool sameSecond(const std::tm& a, const std::tm& b) {
  return a.tm_sec == b.tm_sec && a.tm_min == b.tm_min && a.tm_hour == b.tm_hour &&
         a.tm_mday == b.tm_mday && a.tm_mon == b.tm_mon && a.tm_year == b.tm_year;
}

// Appends "2026-12-06 06:47:38.123", local time. The date and time are
// formatted again only when the local time's second differs from the last
// line's: strftime() with these numeric fields depends on nothing else.
void appendTimestamp(Output& out, std::string& line) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const long millis = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  const std::tm local = zolog_platform::localTime(seconds);
  if (!out.stampValid || !sameSecond(local, out.stampTime)) {
    out.stampLength = std::strftime(out.stamp, sizeof out.stamp, "%Y-%m-%d %H:%M:%S", &local);
    out.stampTime = local;
    out.stampValid = true;
  }
  line.append(out.stamp, out.stampLength);
  char text[24];
  if (millis >= 0 && millis < 1000) {
    text[0] = '.';
    text[1] = static_cast<char>('0' + millis / 100);
    text[2] = static_cast<char>('0' + millis / 10 % 10);
    text[3] = static_cast<char>('0' + millis % 10);
    line.append(text, 4);
  } else {
    // Before 1970 the remainder is negative.
    const int length = std::snprintf(text, sizeof text, ".%03ld", millis);
    line.append(text, static_cast<std::size_t>(length));
  }
}

template <typename Integer>
void appendNumber(std::string& line, Integer value) {
  char text[24];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  line.append(text, end.ptr);
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
  std::string& line = out.line;
  line.clear();
  appendTimestamp(out, line);
  line += ' ';
  appendUtf8(line, module);
  line += " [";
  appendNumber(line, level);
  line += "] tid ";
  appendNumber(line, zolog_platform::threadId());
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

// The message of one line: in `small` when it fits, else in `large`.
struct Message {
  wchar_t small[512];
  std::wstring large;
  const wchar_t* text = small;
  std::size_t length = 0;

  void setLarge(std::wstring value) {
    large = std::move(value);
    text = large.c_str();
    length = large.size();
  }
};

// Formats the message of one line: the format's output, or the format itself
// when the C runtime rejects it. Short formats are translated on the stack.
void formatMessage(const wchar_t* format, va_list args, Message& message) {
  wchar_t shortFormat[256];
  std::wstring longFormat;
  const std::size_t capacity = Quor::text::translatedFormatCapacity(format);
  wchar_t* isoFormat = shortFormat;
  if (capacity > sizeof shortFormat / sizeof shortFormat[0]) {
    longFormat.assign(capacity, L'\0');
    isoFormat = &longFormat[0];
  }
  Quor::text::translateFormat(format, isoFormat);

  va_list copy;
  va_copy(copy, args);
  int length = Quor::text::writeFormatted(message.small, sizeof message.small / sizeof(wchar_t),
                                          isoFormat, copy);
  va_end(copy);
  if (length >= 0) {
    message.length = static_cast<std::size_t>(length);
    return;
  }

  va_copy(copy, args);
  length = Quor::text::measureFormatted(isoFormat, copy);
  va_end(copy);
  if (length < 0) return message.setLarge(format);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  va_copy(copy, args);
  length = Quor::text::writeFormatted(&text[0], text.size() + 1, isoFormat, copy);
  va_end(copy);
  if (length < 0) return message.setLarge(format);
  text.resize(static_cast<std::size_t>(length));
  message.setLarge(std::move(text));
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
    Message message;
    formatMessage(format, args, message);
    Output& out = output();
    std::lock_guard<std::recursive_mutex> lock(out.mutex);
    // The last name set is copied: a handler may set another while it runs.
    std::wstring defaultModule;
    if (moduleName == nullptr) {
      defaultModule = out.defaultModule;
      moduleName = defaultModule.c_str();
    }
    if (out.handler != nullptr) {
      out.handler(out.context, moduleName, level, message.text);
    } else if (!writeLine(out, moduleName, level, message.text)) {
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
