// quor-inspect on Windows: paths and arguments are UTF-16, as the system
// holds them.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cwchar>

#include "platform.h"

namespace quor_inspect {

std::filesystem::path toPath(const std::wstring& path) { return std::filesystem::path(path); }

std::wstring fromPath(const std::filesystem::path& path) { return path.wstring(); }

const wchar_t* pathCharacters() { return L"/\\:"; }

bool sameFileName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// `argument` as the C runtime's parser of a command line reads it back: in
// quotes, with the backslashes before a quote doubled and the quote escaped.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, L'\\');
  line += L'"';
}

// Moves what the pipe holds into `output` without waiting.
void drain(HANDLE pipe, std::string& output) {
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    char buffer[4096];
    DWORD count = 0;
    if (!ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) || count == 0) return;
    output.append(buffer, count);
  }
}

}  // namespace

bool runSelf(const std::vector<std::wstring>& arguments, unsigned int seconds, std::string& output,
             ChildEnd& end) {
  std::wstring self(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, &self[0], static_cast<DWORD>(self.size()));
  if (length == 0 || length >= self.size()) return false;
  self.resize(length);
  std::wstring line;
  appendQuoted(line, self);
  for (const std::wstring& argument : arguments) appendQuoted(line += L' ', argument);

  // This program read the variable before its first line.
  SetEnvironmentVariableW(L"ZOLOG_LEVEL", L"0");
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE reader = nullptr, writer = nullptr;
  if (!CreatePipe(&reader, &writer, &inherited, 0)) return false;
  SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writer;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  const bool started = CreateProcessW(self.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(writer);
  if (!started) {
    CloseHandle(reader);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < deadline) {
    drain(reader, output);
    ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
  }
  drain(reader, output);
  if (!ended) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    end.kind = ChildEnd::kTimedOut;
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    end.kind = ChildEnd::kExited;
    end.code = static_cast<int>(code);
    wchar_t text[32];
    // An exception that nothing handled ends the process with its code.
    if (code >= 0xC0000000u) {
      std::swprintf(text, 32, L"exception 0x%08lx", static_cast<unsigned long>(code));
    } else {
      std::swprintf(text, 32, L"exit code %lu", static_cast<unsigned long>(code));
    }
    end.description = text;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(reader);
  return true;
}

std::FILE* takeStandardOutput() {
  std::fflush(stdout);
  const int records = _dup(_fileno(stdout));
  if (records < 0) return stdout;
  _dup2(_fileno(stderr), _fileno(stdout));
  SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
  std::FILE* out = _fdopen(records, "wb");
  return out != nullptr ? out : stdout;
}

}  // namespace quor_inspect

// Built with -municode.
int wmain(int argc, wchar_t** argv) {
  return quor_inspect::run(std::vector<std::wstring>(argv + 1, argv + argc));
}
