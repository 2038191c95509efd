// zolog: level mask, formatting and delivery of log lines.
#include <zolog/zolog.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <mutex>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "destination.h"
#include "platform.h"
#include "quor_text/utf8.h"
#include "quor_text/wide_format.h"

namespace {

constexpr int kDefaultMask = ZOLOG_FAILURE | ZOLOG_WARNING;

// The level mask in the low 32 bits, with kEnvironmentUnread set until
// ZOLOG_LEVEL has been read: one load tells both.
constexpr std::uint64_t kEnvironmentUnread = std::uint64_t{1} << 32;
std::atomic<std::uint64_t> maskWord{kEnvironmentUnread};

// A line longer than this is written from a buffer that is released after it,
// so that one very long line does not hold its memory for the life of the
// process.
constexpr std::size_t kKeptLineCapacity = 64 * 1024;

// Everything but the mask. Guarded by `mutex`.
struct Output {
  explicit Output(bool standardErrorOnly = false) : destination(standardErrorOnly) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  ZologHandler handler = nullptr;
  void* context = nullptr;
  std::wstring defaultModule;
  zolog_output::Destination destination;
  // The line being written, kept from line to line for its capacity.
  std::string line;
  // The date and time of the last line, "%Y-%m-%d %H:%M:%S", and the local
  // time it was made from: lines within the same second use it again.
  std::tm stampTime{};
  bool stampValid = false;
  std::size_t stampLength = 0;
  char stamp[40];
};

// Guards `state`. It has no destructor to run, so that it outlives the state:
// a thread that logs while the state is released waits for it, then finds no
// state.
std::mutex mutex;
// The state, from the library's load until it is unloaded; null before and
// after.
Output* state = nullptr;

// What the calling thread does while it holds `mutex` between calls: it runs
// the handler (and may log, set the handler or the module name), or it took
// the mutex in preparation of fork(). Either way, zolog's functions on this
// thread do not lock the mutex again.
enum class Hold { kNone, kHandler, kFork };
thread_local Hold hold = Hold::kNone;

// The calling thread's `hold`. Each look-up of a thread-local variable in a
// shared library is a call, which the compiler repeats after every other call
// unless the reference comes from a function of its own: a caller that needs
// it several times takes it from here once.
[[gnu::noinline]] Hold& threadHold() { return hold; }

// Holds `mutex` for a scope, unless the calling thread, whose `hold` is
// `thisThread`, holds it already.
class Lock {
 public:
  explicit Lock(const Hold& thisThread = hold) : locked_(thisThread == Hold::kNone) {
    if (locked_) mutex.lock();
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() {
    if (locked_) mutex.unlock();
  }

 private:
  const bool locked_;
};

// Marks the calling thread, whose `hold` is `thisThread`, as running the
// handler for a scope.
class InHandler {
 public:
  explicit InHandler(Hold& thisThread) : hold_(thisThread), previous_(thisThread) {
    hold_ = Hold::kHandler;
  }
  InHandler(const InHandler&) = delete;
  InHandler& operator=(const InHandler&) = delete;
  ~InHandler() { hold_ = previous_; }

 private:
  Hold& hold_;
  const Hold previous_;
};

// Around fork(): the forking thread takes the mutex, so that no other thread
// is in the middle of a line (formatting it, in localtime_r(), writing it) when
// the process is copied, and the child gets the mutex free. A thread that
// forks from inside the handler holds the mutex already.
void holdForFork() {
  if (hold != Hold::kNone) return;
  mutex.lock();
  hold = Hold::kFork;
}

void releaseAfterFork() {
  if (hold != Hold::kFork) return;
  hold = Hold::kNone;
  mutex.unlock();
}

// Creates the state when the library is loaded and releases it when the
// library is unloaded. A module that links to zolog is finalised before
// zolog, at exit as at unloading, so its static destructors still log here.
class Lifetime {
 public:
  Lifetime() {
    new (&output_) Output;
    state = &output_;
    zolog_platform::watchFork(holdForFork, releaseAfterFork, releaseAfterFork);
  }
  Lifetime(const Lifetime&) = delete;
  Lifetime& operator=(const Lifetime&) = delete;
  // A thread that is still logging when the process exits (or that was
  // stopped in the middle of a line, as at a Windows process's exit) holds
  // the mutex: the state is then left as it is, for the system to reclaim.
  ~Lifetime() {
    if (hold != Hold::kNone || !mutex.try_lock()) return;
    state = nullptr;
    mutex.unlock();
    output_.~Output();
  }

 private:
  union {
    Output output_;
  };
};

const Lifetime lifetime;

// ZOLOG_LEVEL: decimal, or hexadecimal after 0x. Returns false for anything
// else.
bool parseMask(const char* text, int* mask) {
  int base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text += 2;
  }
  const char* const end = text + std::strlen(text);
  unsigned long long value = 0;
  const std::from_chars_result parsed = std::from_chars(text, end, value, base);
  if (parsed.ec != std::errc() || parsed.ptr != end || value > 0x7fffffff) return false;
  *mask = static_cast<int>(value);
  return true;
}

// Reads ZOLOG_LEVEL into the mask unless a mask was set first; returns the
// mask word in force. Threads that get here at once read the same variable;
// one of them stores the mask and reports an invalid value.
std::uint64_t readEnvironment() {
  const char* text = zolog_platform::environmentSetting("ZOLOG_LEVEL");
  int mask = kDefaultMask;
  const bool invalid = text != nullptr && !parseMask(text, &mask);
  std::uint64_t word = kEnvironmentUnread;
  if (!maskWord.compare_exchange_strong(word, static_cast<std::uint32_t>(mask),
                                        std::memory_order_relaxed))
    return word;
  if (invalid) {
    std::fprintf(stderr, "zolog: ignoring ZOLOG_LEVEL=%s: not a decimal or 0x-hexadecimal number\n",
                 text);
  }
  return static_cast<std::uint32_t>(mask);
}

// The environment is read once, before the first use of the mask, so that a
// later zologSetLevelMask() always stands.
int currentMask() {
  std::uint64_t word = maskWord.load(std::memory_order_relaxed);
  if ((word & kEnvironmentUnread) != 0) word = readEnvironment();
  return static_cast<int>(static_cast<std::uint32_t>(word));
}

// True for the characters that the default outputs write escaped: the C0
// controls but TAB, DEL and the C1 controls. Raw, they would end the line
// early (LF, CR) or act on the terminal that shows it (ESC, CSI). Without
// branches, so that a loop over a text checks several characters at a time.
unsigned isControl(std::uint32_t c) {
  return (unsigned{c < 0x20} & unsigned{c != 0x09}) | unsigned{c - 0x7f <= 0x9f - 0x7f};
}

std::uint32_t codePoint(wchar_t c) { return static_cast<std::make_unsigned_t<wchar_t>>(c); }

// Appends the UTF-8 form of `text`, up to its NUL, with each control
// character written as "\x" and two upper-case hexadecimal digits. Most texts
// are printable ASCII, whose bytes are their characters, and most others hold
// no control character: a pass without branches over the text, which checks
// several characters at a time, tells either before the text is written whole.
void appendEscapedUtf8(std::string& line, const wchar_t* text) {
  const std::size_t length = std::wcslen(text);
  unsigned other = 0;
  for (std::size_t i = 0; i < length; ++i)
    other |= unsigned{codePoint(text[i]) - 0x20 > 0x7e - 0x20};
  if (other == 0) {
    const std::size_t start = line.size();
    line.resize(start + length);
    char* const ascii = &line[start];
    for (std::size_t i = 0; i < length; ++i) ascii[i] = static_cast<char>(text[i]);
    return;
  }
  unsigned found = 0;
  for (std::size_t i = 0; i < length; ++i) found |= isControl(codePoint(text[i]));
  if (found == 0) return Quor::text::appendUtf8(line, text, length);
  static const char kHex[] = "0123456789ABCDEF";
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint32_t c = codePoint(text[i]);
    if (isControl(c) == 0) continue;
    Quor::text::appendUtf8(line, text + start, i - start);
    const char escape[] = {'\\', 'x', kHex[c >> 4], kHex[c & 0xf]};
    line.append(escape, sizeof escape);
    start = i + 1;
  }
  Quor::text::appendUtf8(line, text + start, length - start);
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

// Returns false when the line could not be written.
bool writeLine(Output& out, const wchar_t* module, int level, const wchar_t* message) {
  std::string& line = out.line;
  line.clear();
  appendTimestamp(out, line);
  line += ' ';
  appendEscapedUtf8(line, module);
  line += " [";
  appendNumber(line, level);
  line += "] tid ";
  appendNumber(line, zolog_platform::threadId());
  line += ": ";
  appendEscapedUtf8(line, message);
  line += '\n';
  const bool written = out.destination.write(line);
  if (line.capacity() > kKeptLineCapacity) std::string().swap(line);
  return written;
}

// The message of one line: in `small` when it fits, else in `large`.
struct Message {
  wchar_t small[512];
  std::wstring large;
  const wchar_t* text = small;

  void setLarge(std::wstring value) {
    large = std::move(value);
    text = large.c_str();
  }
};

// Room in `large` for a message longer than `small`.
wchar_t* largeMessage(void* message, std::size_t length) {
  std::wstring& large = static_cast<Message*>(message)->large;
  large.assign(length, L'\0');
  return &large[0];
}

// Formats the message of one line: the format's output, or the format itself
// when the C runtime rejects it.
void formatMessage(const wchar_t* format, va_list args, Message& message) {
  wchar_t* text = nullptr;
  const int length =
      Quor::text::formatWide(format, args, message.small, sizeof message.small / sizeof(wchar_t),
                             largeMessage, &message, &text);
  if (length < 0) return message.setLarge(format);
  message.text = text;
}

// Hands a formatted line to the handler, or writes it; the caller holds
// `mutex`. A line logged from inside the handler is written, not handed to
// the handler again, so that a handler that logs does not recurse. Before the
// state exists and after it is released, lines go to standard error.
int deliver(Hold& thisThread, const wchar_t* moduleName, int level, const wchar_t* message) {
  if (state == nullptr) {
    Output late(true);
    return writeLine(late, moduleName != nullptr ? moduleName : L"", level, message) ? 0 : -1;
  }
  Output& out = *state;
  if (out.handler == nullptr || thisThread == Hold::kHandler) {
    if (moduleName == nullptr) moduleName = out.defaultModule.c_str();
    return writeLine(out, moduleName, level, message) ? 0 : -1;
  }
  // The last name set is copied: the handler may set another while it runs.
  std::wstring defaultModule;
  if (moduleName == nullptr) {
    defaultModule = out.defaultModule;
    moduleName = defaultModule.c_str();
  }
  InHandler inHandler(thisThread);
  out.handler(out.context, moduleName, level, message);
  return 0;
}

}  // namespace

extern "C" {

int zologSetModuleName(const wchar_t* moduleName) {
  if (moduleName == nullptr) return 0;
  try {
    Lock lock;
    if (state != nullptr) state->defaultModule = moduleName;
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
    // The most frequent formats are written without the C runtime, before the
    // lock is taken; the others under the lock: glibc's wide formatter takes a
    // lock of its own, which a child forked in the middle would find held.
    Hold& thisThread = threadHold();
    Message message;
    va_list copy;
    va_copy(copy, args);
    const int length = Quor::text::writeCommonFormat(
        message.small, sizeof message.small / sizeof(wchar_t), format, copy);
    va_end(copy);
    Lock lock(thisThread);
    if (length < 0) formatMessage(format, args, message);
    result = deliver(thisThread, moduleName, level, message.text);
  } catch (...) {
    result = -1;
  }
  va_end(args);
  return result;
}

void zologSetLevelMask(int mask) {
  currentMask();
  maskWord.store(static_cast<std::uint32_t>(mask), std::memory_order_relaxed);
}

int zologGetLevelMask(void) { return currentMask(); }

void zologSetHandler(ZologHandler handler, void* context) {
  Lock lock;
  if (state == nullptr) return;
  state->handler = handler;
  state->context = context;
}

}  // extern "C"
