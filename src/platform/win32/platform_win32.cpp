#include <windows.h>

#include <cstdio>

#include "foundation/allocator.h"
#include "platform/platform.h"

namespace Quor {
namespace platform {

namespace {

thread_local DWORD lastError = 0;

// Module file names are read into a buffer of MAX_PATH characters with room
// for MAX_PATH - 1: a longer path is cut.
TString fileNameOf(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH - 1);
  if (length == 0) return TString();
  return TString(path, static_cast<int>(length));
}

HINSTANCE remember(HMODULE module) {
  if (module == nullptr) lastError = GetLastError();
  return module;
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
  // The block comes from the library's heap, like every allocation of it.
  struct Block {
    void* data;
    ~Block() { detail::release(data); }
  } block = {detail::allocate(size)};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data) ||
      !VerQueryValueW(block.data, L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
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

HINSTANCE loadModule(const TString& path) { return remember(LoadLibraryW(path.c_str())); }

HINSTANCE loadModuleBeside(const TString& path) {
  return remember(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

int lastLoadError() { return static_cast<int>(lastError); }

TString lastLoadErrorText() {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, lastError, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  TString message(text, static_cast<int>(length));
  LocalFree(text);
  return message.trim();
}

std::FILE* openForReading(const TString& path) { return _wfopen(path.c_str(), L"rb"); }

}  // namespace platform
}  // namespace Quor
