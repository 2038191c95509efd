// Loads and unloads shared libraries at run time, for tests that watch what a
// library does when it is loaded.
#ifndef QUOR_TESTS_SUPPORT_DYNAMIC_LIBRARY_H_
#define QUOR_TESTS_SUPPORT_DYNAMIC_LIBRARY_H_

#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quor_test {

#if defined(_WIN32)
inline void* openLibrary(const char* path) { return LoadLibraryA(path); }
inline void closeLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
inline void* findSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
inline std::string libraryError() { return "error " + std::to_string(GetLastError()); }
// The handle of the module at `path` if it is loaded already, else null.
// Adds no reference.
inline void* loadedLibrary(const char* path) { return GetModuleHandleA(path); }
#else
inline void* openLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
inline void closeLibrary(void* library) { dlclose(library); }
inline void* findSymbol(void* library, const char* name) { return dlsym(library, name); }
inline std::string libraryError() {
  const char* error = dlerror();
  return error != nullptr ? error : "";
}
inline void* loadedLibrary(const char* path) {
  void* library = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (library != nullptr) dlclose(library);  // still loaded: the handle stays valid
  return library;
}
#endif

}  // namespace quor_test

#endif  // QUOR_TESTS_SUPPORT_DYNAMIC_LIBRARY_H_
