/* zolog: a small logging library for wide-character log lines.
 *
 * Lines carry a module name, a level and a message. A level is one of the
 * five bits below; a process-wide level mask says which levels are written.
 * The default mask is ZOLOG_FAILURE | ZOLOG_WARNING. The environment variable
 * ZOLOG_LEVEL (decimal, or hexadecimal with a 0x prefix, read once at the
 * first call) or zologSetLevelMask() changes it. A line whose level is masked
 * out costs one comparison: it is not formatted.
 *
 * Lines go to standard error, encoded as UTF-8, one per line:
 *     2026-12-06 06:47:38.123 PELLAPI [2] tid 4242: message
 * (local time with milliseconds, module name, level, thread id, message).
 * With ZOLOG_FILE=path in the environment they are appended to that file
 * instead: standard error if it cannot be opened (a FIFO or pipe that no
 * process reads is not waited for: it cannot), and the first write to it that
 * fails is reported once on standard error. zologSetHandler() sends the lines
 * to a function of the program's instead. A process that runs with more rights
 * than the user who started it (set-user-ID, set-group-ID, file capabilities)
 * ignores both variables: that user chooses neither the file it appends to
 * nor what it logs.
 *
 * One call writes one line. In standard error and ZOLOG_FILE, the control
 * characters of the module name and the message (U+0001 to U+001F but TAB,
 * U+007F to U+009F) are written escaped, as a backslash, an 'x' and two
 * upper-case hexadecimal digits of the character ("\x1B" for ESC, "\x0A" for
 * a line feed), so that a name or a text from a file can neither end the line
 * nor act on the terminal that shows it. A backslash is written as it is: the
 * four characters "\x1B" in a line may also come from the message itself. A
 * line without such characters is written exactly as formatted.
 *
 * Formats follow the C runtime's wide printf, with the same conventions on
 * every platform: %ws and a plain %s take a wide string (const wchar_t*),
 * %hs and %S a narrow one, %c a wide character; %d, %x and the other
 * directives are as usual. Positional directives (%1$s, %*2$d) are not taken:
 * a format that holds one is rejected on every platform. A line whose format
 * is rejected, or that the C runtime cannot format, is written as the format
 * text itself.
 *
 * Every function may be called from any thread at any time, except from a
 * signal handler: zolog is not async-signal-safe (a line takes zolog's lock,
 * its line buffer and the C runtime's time-zone lock, which the interrupted
 * code may hold). Lines are written and delivered one at a time, whole. A
 * process may fork while its threads log: zolog's lock is held across fork(),
 * so that the child gets it free and may log at once.
 *
 * zolog's state (handler, module name, open ZOLOG_FILE, buffers) lives from
 * the library's load until it is unloaded. A module that links to zolog is
 * finalised before it, so its static destructors may still log at exit; a
 * line logged after that, by code that reaches zolog without linking to it,
 * goes to standard error.
 */
#ifndef ZOLOG_ZOLOG_H_
#define ZOLOG_ZOLOG_H_

#include <wchar.h>

#if defined(ZOLOG_STATIC_DEFINE)
#define ZOLOG_API
#elif defined(_WIN32)
#if defined(ZOLOG_BUILDING_LIBRARY)
#define ZOLOG_API __declspec(dllexport)
#else
#define ZOLOG_API __declspec(dllimport)
#endif
#else
#define ZOLOG_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The levels. */
#define ZOLOG_FAILURE 1 /* failures and unexpected events */
#define ZOLOG_WARNING 2 /* warnings and attach/detach notices */
#define ZOLOG_DETAIL 4  /* inputs, outputs, files and paths */
#define ZOLOG_ENTRY 8   /* entry into a traced function */
#define ZOLOG_EXIT 16   /* exit from a traced function */
#define ZOLOG_ALL 31

/* Names the calling module. Lines logged with a null module name carry the
 * last name set. Returns 0. A null name is ignored. */
ZOLOG_API int zologSetModuleName(const wchar_t* moduleName);

/* Logs one line at `level` for `moduleName`, formatted from `format` and the
 * arguments that follow. Returns 0 when the line was written or delivered,
 * 1 when its level is masked out, -1 when it could not be written. A null
 * format logs nothing and returns -1. */
ZOLOG_API int zologLog(const wchar_t* moduleName, int level, const wchar_t* format, ...);

/* Sets the level mask: the levels whose bits are set are written. */
ZOLOG_API void zologSetLevelMask(int mask);
/* The level mask in force. */
ZOLOG_API int zologGetLevelMask(void);

/* Receives each line that passes the mask instead of the default output:
 * the module name and the message as formatted, control characters
 * unescaped (the handler decides how to store them). `module` and `message`
 * are valid only during the call. */
typedef void (*ZologHandler)(void* context, const wchar_t* module, int level,
                             const wchar_t* message);

/* Sends every later line to `handler` with `context`; NULL restores the default
 * output. Lines are delivered one at a time: once this function has returned,
 * the previous handler is not called again. A handler may log: a line logged
 * from inside the handler, on the thread that runs it, is not handed to the
 * handler again but written where lines go without a handler (standard error
 * or ZOLOG_FILE), so that it neither recurses nor is lost. A handler must not
 * wait for another thread that logs. */
ZOLOG_API void zologSetHandler(ZologHandler handler, void* context);

#ifdef __cplusplus
}
#endif

#endif /* ZOLOG_ZOLOG_H_ */
