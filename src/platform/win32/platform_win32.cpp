#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "platform/platform.h"

namespace Quor {
namespace platform {

namespace {

thread_local DWORD lastError = 0;
thread_local bool lastRefused = false;

// The longest path the system takes, in characters, with its NUL.
constexpr unsigned int kPathLimit = 32767;

// Module file names are read into a buffer of MAX_PATH characters with room
// for MAX_PATH - 1: a longer path is cut.
TString fileNameOf(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH - 1);
  if (length == 0) return TString();
  return TString(path, static_cast<int>(length));
}

HINSTANCE remember(HMODULE module) {
  if (module == nullptr) {
    lastError = GetLastError();
    lastRefused = false;
  }
  return module;
}

bool refuse(DWORD code, bool refused) {
  lastError = code;
  lastRefused = refused;
  return true;
}

HANDLE openExisting(const wchar_t* path, DWORD access) {
  return CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A special file: a pipe, a device or a console, which the loader would open
// and read as if it were a file. A directory does not open here. A bare name
// is looked for along the search path and not checked.
bool isSpecialFile(const TString& path) {
  if (std::wcspbrk(path.c_str(), L"\\/") == nullptr) return false;
  const HANDLE file = openExisting(path.c_str(), 0);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_PIPE_BUSY;
  const bool special = GetFileType(file) != FILE_TYPE_DISK;
  CloseHandle(file);
  return special;
}

// Whether `path` is kept from the loader: longer than any path the system
// takes, or a special file.
bool refused(const TString& path) {
  if (path.length() >= kPathLimit) return refuse(ERROR_FILENAME_EXCED_RANGE, false);
  if (isSpecialFile(path)) return refuse(ERROR_BAD_EXE_FORMAT, true);
  return false;
}

}  // namespace

HINSTANCE moduleContaining(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return nullptr;
  }
  return module;
}

bool moduleFileVersion(HINSTANCE module, unsigned short parts[4]) {
  if (module == nullptr) module = GetModuleHandleW(nullptr);
  const TString path = fileNameOf(module);
  if (path.empty()) return false;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return false;
  // A block of the C++ runtime's, not the library's allocator: it never leaves
  // this function, and quor-inspect compiles this file without the allocator.
  std::vector<unsigned char> block(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
      info == nullptr || infoSize < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  parts[0] = HIWORD(info->dwFileVersionMS);
  parts[1] = LOWORD(info->dwFileVersionMS);
  parts[2] = HIWORD(info->dwFileVersionLS);
  parts[3] = LOWORD(info->dwFileVersionLS);
  return true;
}

wchar_t directorySeparator() { return L'\\'; }

TString moduleFileName(HINSTANCE module) { return fileNameOf(module); }

void* moduleSymbol(HINSTANCE module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

HINSTANCE loadModule(const TString& path) {
  if (refused(path)) return nullptr;
  return remember(LoadLibraryW(path.c_str()));
}

HINSTANCE loadModuleBeside(const TString& path) {
  if (refused(path)) return nullptr;
  return remember(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

void releaseModule(HINSTANCE module) {
  if (module != nullptr) FreeLibrary(module);
}

int lastLoadError() { return static_cast<int>(lastError); }

bool lastLoadRefused() { return lastRefused; }

bool isNotFoundError(int code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_MOD_NOT_FOUND || code == ERROR_INVALID_NAME;
}

bool isNotAModuleError(int code) {
  return code == ERROR_BAD_EXE_FORMAT || code == ERROR_BAD_FORMAT ||
         code == ERROR_INVALID_EXE_SIGNATURE || code == ERROR_EXE_MACHINE_TYPE_MISMATCH;
}

bool isSearchedModulePath(const TString& path) {
  // Only a drive with its root (C:\x) or a network or device path
  // (\\server\x) names one place; C:x and \x depend on the current
  // directory and are searched for.
  const wchar_t* text = path.c_str();
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  const bool drive = text[0] != L'\0' && text[1] == L':' && separator(text[2]);
  const bool network = separator(text[0]) && separator(text[1]);
  return !drive && !network;
}

TString lastLoadErrorText() { return systemErrorText(static_cast<int>(lastError)); }

std::FILE* openForReading(const TString& path, FileOpening* opening) {
  FileOpening found;
  if (opening == nullptr) opening = &found;
  *opening = FileOpening();
  const HANDLE handle = openExisting(path.c_str(), GENERIC_READ);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // A pipe whose every instance is taken is a pipe all the same; a
    // directory does not open as a file and says that access is denied.
    if (error == ERROR_PIPE_BUSY) {
      opening->state = FileState::kSpecial;
    } else if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      opening->state = FileState::kDirectory;
    } else if (!isNotFoundError(static_cast<int>(error))) {
      *opening = {FileState::kFailed, static_cast<int>(error)};
    }
    return nullptr;
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    opening->state = FileState::kSpecial;
    CloseHandle(handle);
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    // The C runtime's table of descriptors is full.
    *opening = {FileState::kFailed, ERROR_TOO_MANY_OPEN_FILES};
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "rb");
  if (file == nullptr) {
    *opening = {FileState::kFailed, ERROR_TOO_MANY_OPEN_FILES};
    _close(descriptor);
    return nullptr;
  }
  opening->state = FileState::kOpened;
  return file;
}

TString systemErrorText(int code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  TString message(text, static_cast<int>(length));
  LocalFree(text);
  return message.trim();
}

}  // namespace platform
}  // namespace Quor
