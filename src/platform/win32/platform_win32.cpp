#include <windows.h>

#include <aclapi.h>
#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/platform.h"

namespace Quor {
namespace platform {

namespace {

thread_local DWORD lastError = 0;
thread_local bool lastRefused = false;
thread_local bool lastMismatch = false;

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
    lastMismatch = false;
  }
  return module;
}

bool refuse(DWORD code, bool refused) {
  lastError = code;
  lastRefused = refused;
  lastMismatch = false;
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

// Closes a handle on every way out.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Opens the file at `path` to hash it; readers may share it, writers and
// renames may not, for as long as it is open.
HANDLE openForHashing(const wchar_t* path) {
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Hashes the open `file` from its start; false with the code in `*error`.
bool hashHandle(HANDLE file, Digest* digest, DWORD* error) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  NTSTATUS status = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  if (BCRYPT_SUCCESS(status))
    status = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
  std::vector<unsigned char> buffer(65536);
  DWORD count = 1;
  *error = 0;
  while (BCRYPT_SUCCESS(status) && count > 0) {
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr)) {
      *error = GetLastError();
      break;
    }
    status = BCryptHashData(hash, buffer.data(), count, 0);
  }
  if (BCRYPT_SUCCESS(status) && *error == 0)
    status = BCryptFinishHash(hash, digest->bytes, kDigestSize, 0);
  if (hash != nullptr) BCryptDestroyHash(hash);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!BCRYPT_SUCCESS(status) && *error == 0) *error = ERROR_NOT_ENOUGH_MEMORY;
  return *error == 0;
}

// Whether `mask` lets its holder change a file's content, its access list
// or its owner, or delete it.
bool grantsWriting(ACCESS_MASK mask) {
  return (mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | DELETE |
                  GENERIC_WRITE | GENERIC_ALL)) != 0;
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

bool isPrivilegedProcess() { return false; }

bool isAbsolutePath(const TString& path) { return !isSearchedModulePath(path); }

bool hashFile(const TString& path, Digest* digest, int* error) {
  if (isSpecialFile(path)) {
    *error = ERROR_BAD_EXE_FORMAT;
    return false;
  }
  Handle file(openForHashing(path.c_str()));
  DWORD code = file.get() == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  const bool hashed = code == 0 && hashHandle(file.get(), digest, &code);
  *error = static_cast<int>(code);
  return hashed;
}

HINSTANCE loadPinnedModule(const TString& path, bool beside, const Digest& expected,
                           Digest* found) {
  if (refused(path)) return nullptr;
  if (isSearchedModulePath(path)) {
    refuse(ERROR_MOD_NOT_FOUND, false);
    return nullptr;
  }
  // The handle keeps writers and renames out until the loader has mapped the
  // file, so the bytes hashed are the bytes loaded, under the module's own
  // path.
  Handle file(openForHashing(path.c_str()));
  DWORD code = file.get() == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (code == 0) hashHandle(file.get(), found, &code);
  if (code != 0) {
    refuse(code, false);
    return nullptr;
  }
  if (std::memcmp(found->bytes, expected.bytes, kDigestSize) != 0) {
    refuse(ERROR_INVALID_DATA, false);
    lastMismatch = true;
    return nullptr;
  }
  return remember(
      LoadLibraryExW(path.c_str(), nullptr, beside ? LOAD_WITH_ALTERED_SEARCH_PATH : 0));
}

bool lastLoadMismatch() { return lastMismatch; }

TString untrustedWriters(const TString& path) {
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS) {
    return TString();
  }
  // No access list at all lets everyone do everything.
  TString found(list == nullptr ? L"writable by Everyone" : L"");
  const WELL_KNOWN_SID_TYPE groups[] = {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid};
  const wchar_t* const names[] = {L"Everyone", L"Users", L"Authenticated Users"};
  for (DWORD i = 0; list != nullptr && i < list->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(list, i, reinterpret_cast<void**>(&header)) ||
        header->AceType != ACCESS_ALLOWED_ACE_TYPE)
      continue;
    const ACCESS_ALLOWED_ACE* entry = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    if (!grantsWriting(entry->Mask)) continue;
    for (int group = 0; group < 3; ++group) {
      BYTE sid[SECURITY_MAX_SID_SIZE];
      DWORD size = sizeof sid;
      if (CreateWellKnownSid(groups[group], nullptr, sid, &size) &&
          EqualSid(sid, const_cast<DWORD*>(&entry->SidStart))) {
        found += TString(found.empty() ? L"writable by " : L", writable by ") + names[group];
      }
    }
  }
  LocalFree(descriptor);
  return found;
}

TString untrustedWriters(const TString& path, std::FILE*) { return untrustedWriters(path); }

TString untrustedModuleWriters(HINSTANCE module, TString* path) {
  *path = moduleFileName(module);
  return untrustedWriters(*path);
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
