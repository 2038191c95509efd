#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/version_note.h"
#include "quor_text/utf8.h"

namespace Quor {
namespace platform {

namespace {

struct LoadFailure {
  int code = 0;
  bool refused = false;
  std::string text;
};

thread_local LoadFailure lastFailure;

// File names are bytes, read as UTF-8 whatever the locale; a byte that is not
// part of valid UTF-8 makes its trip through wide text as one code unit of
// its own and comes back as the same byte.
std::string fileName(const TString& path) {
  std::string name;
  text::appendFileNameBytes(name, path.c_str(), path.length());
  return name;
}

TString wideName(const char* name) {
  std::wstring wide;
  text::appendDecodedFileName(wide, name, std::strlen(name));
  return TString(wide.c_str(), static_cast<int>(wide.size()));
}

// The description that strerror_r() gives: the GNU version returns it, the
// POSIX one writes it into the buffer. The C library declares one of them.
[[maybe_unused]] const char* describedError(const char* result, const char*) { return result; }
[[maybe_unused]] const char* describedError(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}

// A special file: one that exists and is neither a regular file nor a
// directory. stat() follows a symbolic link to what it names.
bool isSpecialFile(const char* name) {
  struct stat status;
  return stat(name, &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

HINSTANCE failLoad(int code, bool refused, std::string text) {
  lastFailure.code = code;
  lastFailure.refused = refused;
  lastFailure.text = std::move(text);
  return nullptr;
}

HINSTANCE openModule(const TString& path) {
  const std::string name = fileName(path);
  // dlopen() copies the name onto the stack while it searches, and opens a
  // FIFO or device it finds as if it were a file, blocking until a writer
  // comes. A name without '/' is looked for along the search path and not
  // checked here.
  if (name.size() >= PATH_MAX) return failLoad(ENAMETOOLONG, false, std::strerror(ENAMETOOLONG));
  if (name.find('/') != std::string::npos && isSpecialFile(name.c_str()))
    return failLoad(ENOEXEC, true, name + ": not a regular file");
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = dlerror();
    std::string text = message != nullptr ? message : "";
    const int code = loadErrorNumber(text.c_str());
    return failLoad(code, false, std::move(text));
  }
  return handle;
}

struct NoteSearch {
  const void* dynamic;  // the module's dynamic section: identifies it
  unsigned short parts[4];
  bool found;
};

std::size_t alignNote(std::size_t n) { return (n + 3) & ~static_cast<std::size_t>(3); }

// Walks the notes of one PT_NOTE segment for the version record.
bool findVersionNote(const unsigned char* notes, std::size_t size, unsigned short parts[4]) {
  const std::size_t nameSize = sizeof kVersionNoteName;
  std::size_t offset = 0;
  while (offset + sizeof(ElfW(Nhdr)) <= size) {
    ElfW(Nhdr) header;
    std::memcpy(&header, notes + offset, sizeof header);
    const std::size_t name = offset + sizeof header;
    const std::size_t desc = name + alignNote(header.n_namesz);
    const std::size_t next = desc + alignNote(header.n_descsz);
    if (next > size || next <= offset) return false;
    if (header.n_type == kVersionNoteType && header.n_namesz == nameSize &&
        std::memcmp(notes + name, kVersionNoteName, nameSize) == 0 &&
        header.n_descsz == sizeof(unsigned short) * 4) {
      std::memcpy(parts, notes + desc, sizeof(unsigned short) * 4);
      return true;
    }
    offset = next;
  }
  return false;
}

int searchModule(dl_phdr_info* info, std::size_t, void* data) {
  NoteSearch* search = static_cast<NoteSearch*>(data);
  const void* dynamic = nullptr;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_DYNAMIC) {
      dynamic = reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
    }
  }
  if (dynamic != search->dynamic) return 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum && !search->found; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_NOTE) continue;
    const unsigned char* notes =
        reinterpret_cast<const unsigned char*>(info->dlpi_addr + segment.p_vaddr);
    search->found = findVersionNote(notes, segment.p_memsz, search->parts);
  }
  return 1;
}

}  // namespace

HINSTANCE moduleContaining(const void* address) {
  Dl_info info;
  link_map* module = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) == 0 ||
      module == nullptr) {
    return nullptr;
  }
  // The main program has an empty name; dlopen(NULL) is its handle.
  const char* name =
      (module->l_name != nullptr && module->l_name[0] != '\0') ? module->l_name : nullptr;
  void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
  // RTLD_NOLOAD still counts a reference; the module stays loaded without it.
  if (handle != nullptr) dlclose(handle);
  return handle;
}

bool moduleFileVersion(HINSTANCE module, unsigned short parts[4]) {
  void* handle = module;
  if (handle == nullptr) handle = dlopen(nullptr, RTLD_LAZY);
  link_map* map = nullptr;
  const bool known = handle != nullptr && dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0;
  if (module == nullptr && handle != nullptr) dlclose(handle);
  if (!known || map == nullptr || map->l_ld == nullptr) return false;

  NoteSearch search = {map->l_ld, {0, 0, 0, 0}, false};
  dl_iterate_phdr(searchModule, &search);
  if (search.found) std::memcpy(parts, search.parts, sizeof search.parts);
  return search.found;
}

wchar_t directorySeparator() { return L'/'; }

TString moduleFileName(HINSTANCE module) {
  void* handle = module;
  if (handle == nullptr) handle = dlopen(nullptr, RTLD_LAZY);
  link_map* map = nullptr;
  const bool known = handle != nullptr && dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0;
  if (module == nullptr && handle != nullptr) dlclose(handle);
  if (!known || map == nullptr) return TString();

  std::string path = map->l_name != nullptr ? map->l_name : "";
  if (path.empty()) {
    // The main program's entry has no name.
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return TString();
    path.assign(buffer, static_cast<std::size_t>(length));
  } else if (char* resolved = realpath(path.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
  }
  return wideName(path.c_str());
}

void* moduleSymbol(HINSTANCE module, const char* name) { return dlsym(module, name); }

HINSTANCE loadModule(const TString& path) { return openModule(path); }

HINSTANCE loadModuleBeside(const TString& path) { return openModule(path); }

void releaseModule(HINSTANCE module) {
  if (module != nullptr) dlclose(module);
}

int lastLoadError() { return lastFailure.code; }

bool lastLoadRefused() { return lastFailure.refused; }

bool isNotFoundError(int code) { return code == ENOENT || code == ENOTDIR; }

bool isNotAModuleError(int code) { return code == ENOEXEC; }

bool isSearchedModulePath(const TString& path) {
  return std::wcschr(path.c_str(), L'/') == nullptr;
}

TString lastLoadErrorText() { return wideName(lastFailure.text.c_str()); }

std::FILE* openForReading(const TString& path, FileOpening* opening) {
  FileOpening found;
  if (opening == nullptr) opening = &found;
  *opening = FileOpening();
  const std::string name = fileName(path);
  // Without O_NONBLOCK, opening a FIFO waits for a writer.
  const int descriptor = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) {
    const int error = errno;
    // A socket, or a device without its driver, does not open at all.
    if (error != ENOENT && error != ENOTDIR) {
      opening->state = isSpecialFile(name.c_str()) ? FileState::kSpecial : FileState::kFailed;
      opening->error = error;
    }
    return nullptr;
  }
  struct stat status;
  if (fstat(descriptor, &status) != 0) {
    *opening = {FileState::kFailed, errno};
    close(descriptor);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    opening->state = S_ISDIR(status.st_mode) ? FileState::kDirectory : FileState::kSpecial;
    close(descriptor);
    return nullptr;
  }
  std::FILE* file = fdopen(descriptor, "rb");
  if (file == nullptr) {
    *opening = {FileState::kFailed, errno};
    close(descriptor);
    return nullptr;
  }
  opening->state = FileState::kOpened;
  return file;
}

TString systemErrorText(int code) {
  char buffer[256];
  return wideName(describedError(strerror_r(code, buffer, sizeof buffer), buffer));
}

int loadErrorNumber(const char* message) {
  // dlopen reports failures only as text. When an error of the system caused
  // the failure, the text ends with that error's strerror() description.
  const std::string text = message;
  for (int code = 1; code < 256; ++code) {
    char buffer[256];
    const std::string ending =
        std::string(": ") + describedError(strerror_r(code, buffer, sizeof buffer), buffer);
    if (text.size() > ending.size() &&
        text.compare(text.size() - ending.size(), std::string::npos, ending) == 0) {
      return code;
    }
  }
  // glibc's loader gives this constant text when it cannot allocate even its
  // message, whatever failed.
  if (text == "out of memory") return ENOMEM;
  return ENOEXEC;
}

}  // namespace platform
}  // namespace Quor
