#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/auxv.h>
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
  bool mismatch = false;
  std::string text;
};

thread_local LoadFailure lastFailure;

// The module file that openModule() last examined on this thread before it
// handed the file to the loader, when its name was no symbolic link: its
// name and status, which untrustedModuleWriters() takes for those of the
// module loaded under that name instead of asking for them again.
struct ExaminedModule {
  std::string name;
  struct stat status;
  bool known = false;
};

thread_local ExaminedModule lastExamined;

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
  lastFailure.mismatch = false;
  lastFailure.text = std::move(text);
  return nullptr;
}

// dlopen() of `name`; a failure's text begins with `shown` instead of `name`.
HINSTANCE dlopenModule(const std::string& name, const std::string& shown) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = dlerror();
    std::string text = message != nullptr ? message : "";
    if (text.compare(0, name.size(), name) == 0) text.replace(0, name.size(), shown);
    const int code = loadErrorNumber(text.c_str());
    return failLoad(code, false, std::move(text));
  }
  return handle;
}

HINSTANCE openModule(const TString& path) {
  const std::string name = fileName(path);
  // dlopen() copies the name onto the stack while it searches, and opens a
  // FIFO or device it finds as if it were a file, blocking until a writer
  // comes. A name without '/' is looked for along the search path and not
  // checked here.
  if (name.size() >= PATH_MAX) return failLoad(ENAMETOOLONG, false, std::strerror(ENAMETOOLONG));
  lastExamined.known = false;
  if (name.find('/') != std::string::npos) {
    // lstat() tells the file's own status unless the name is a symbolic link,
    // which stat() follows.
    struct stat status;
    bool found = lstat(name.c_str(), &status) == 0;
    if (found && S_ISLNK(status.st_mode)) {
      found = stat(name.c_str(), &status) == 0;
    } else if (found) {
      lastExamined.name = name;
      lastExamined.status = status;
      lastExamined.known = true;
    }
    if (found && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
      return failLoad(ENOEXEC, true, name + ": not a regular file");
  }
  return dlopenModule(name, name);
}

// Closes a descriptor on every way out, unless it is released.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  int get() const { return descriptor_; }
  void release() { descriptor_ = -1; }

 private:
  int descriptor_;
};

// Opens the regular file `name` for hashing; -1 with the code in `*error`
// (and `*special` for a special file, which is not read).
int openRegular(const std::string& name, int* error, bool* special) {
  *special = false;
  // Without O_NONBLOCK, opening a FIFO waits for a writer.
  const int descriptor = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  struct stat status;
  if (descriptor < 0 || fstat(descriptor, &status) != 0) {
    *error = errno;
    *special =
        descriptor < 0 && *error != ENOENT && *error != ENOTDIR && isSpecialFile(name.c_str());
  } else if (!S_ISREG(status.st_mode)) {
    *error = S_ISDIR(status.st_mode) ? EISDIR : ENOEXEC;
    *special = !S_ISDIR(status.st_mode);
  } else {
    return descriptor;
  }
  if (*special) *error = ENOEXEC;
  if (descriptor >= 0) close(descriptor);
  return -1;
}

bool hashDescriptor(int descriptor, Digest* digest, int* error) {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  bool hashed = context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
  char chunk[65536];
  for (ssize_t count = 1; hashed && count > 0;) {
    count = read(descriptor, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) {
      count = 1;
      continue;
    }
    if (count < 0) *error = errno;
    hashed = count >= 0 && EVP_DigestUpdate(context, chunk, static_cast<std::size_t>(count)) == 1;
  }
  unsigned int size = 0;
  hashed = hashed && EVP_DigestFinal_ex(context, digest->bytes, &size) == 1 && size == kDigestSize;
  EVP_MD_CTX_free(context);
  if (!hashed && *error == 0) *error = ENOMEM;
  return hashed;
}

// The path under which the loader reads the open `descriptor`.
std::string descriptorPath(int descriptor) { return "/proc/self/fd/" + std::to_string(descriptor); }

// A loaded module whose file is the one opened (`device`, `inode`): its name.
struct LoadedFile {
  dev_t device;
  ino_t inode;
  std::string name;
};

int findLoadedFile(dl_phdr_info* info, std::size_t, void* data) {
  LoadedFile* search = static_cast<LoadedFile*>(data);
  struct stat status;
  if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0' ||
      stat(info->dlpi_name, &status) != 0 || status.st_dev != search->device ||
      status.st_ino != search->inode)
    return 0;
  search->name = info->dlpi_name;
  return 1;
}

// The path under which to load the open `descriptor`: the name of the module
// already loaded from its file, if there is one, else the descriptor's own
// path. Loading a file already loaded under a new path would add that path
// to the module's names, and a later load under the same text would give that
// module back whatever file the path then leads to.
std::string pathToLoad(int descriptor) {
  struct stat status;
  LoadedFile search = {0, 0, std::string()};
  if (fstat(descriptor, &status) == 0) {
    search.device = status.st_dev;
    search.inode = status.st_ino;
    dl_iterate_phdr(findLoadedFile, &search);
  }
  return search.name.empty() ? descriptorPath(descriptor) : search.name;
}

// The name under which the loader keeps `handle`.
std::string loadedName(void* handle) {
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr)
    return std::string();
  return map->l_name;
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

// The loader's entry of `module`, or of the main program when `module` is
// null; null when the loader does not know the handle.
const link_map* linkMapOf(HINSTANCE module) {
  void* handle = module != nullptr ? module : dlopen(nullptr, RTLD_LAZY);
  link_map* map = nullptr;
  const bool known = handle != nullptr && dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0;
  // The main program stays loaded, and its entry valid, after this reference goes.
  if (module == nullptr && handle != nullptr) dlclose(handle);
  return known ? map : nullptr;
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
  const link_map* map = linkMapOf(module);
  if (map == nullptr || map->l_ld == nullptr) return false;

  NoteSearch search = {map->l_ld, {0, 0, 0, 0}, false};
  dl_iterate_phdr(searchModule, &search);
  if (search.found) std::memcpy(parts, search.parts, sizeof search.parts);
  return search.found;
}

wchar_t directorySeparator() { return L'/'; }

TString moduleFileName(HINSTANCE module) {
  const link_map* map = linkMapOf(module);
  if (map == nullptr) return TString();

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

bool isPrivilegedProcess() { return getauxval(AT_SECURE) != 0; }

bool isAbsolutePath(const TString& path) { return path.c_str()[0] == L'/'; }

bool hashFile(const TString& path, Digest* digest, int* error) {
  *error = 0;
  bool special = false;
  Descriptor file(openRegular(fileName(path), error, &special));
  return file.get() >= 0 && hashDescriptor(file.get(), digest, error);
}

HINSTANCE loadPinnedModule(const TString& path, bool, const Digest& expected, Digest* found) {
  const std::string name = fileName(path);
  if (name.size() >= PATH_MAX) return failLoad(ENAMETOOLONG, false, std::strerror(ENAMETOOLONG));
  if (name.find('/') == std::string::npos)
    return failLoad(ENOENT, false, name + ": a pinned module is not searched for");
  int error = 0;
  bool special = false;
  Descriptor file(openRegular(name, &error, &special));
  if (special) return failLoad(ENOEXEC, true, name + ": not a regular file");
  if (file.get() < 0 || !hashDescriptor(file.get(), found, &error))
    return failLoad(error, false, name + ": " + std::strerror(error));
  if (std::memcmp(found->bytes, expected.bytes, kDigestSize) != 0) {
    failLoad(EPERM, false, name + ": its SHA-256 digest is not the one expected");
    lastFailure.mismatch = true;
    return nullptr;
  }
  void* handle = dlopenModule(pathToLoad(file.get()), name);
  // A module loaded now is named by the descriptor, which must keep leading
  // to its file.
  if (handle != nullptr && loadedName(handle) == descriptorPath(file.get())) file.release();
  return handle;
}

bool lastLoadMismatch() { return lastFailure.mismatch; }

namespace {

// Adds to `found` what in `status` lets others than root and the process's
// user change the file, each reason after `what`.
void addUntrustedWriters(const struct stat& status, const char* what, std::string* found) {
  const bool sticky = S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0;
  std::string reasons[3];
  if ((status.st_mode & S_IWGRP) != 0 && !sticky) reasons[0] = "writable by its group";
  if ((status.st_mode & S_IWOTH) != 0 && !sticky) reasons[1] = "writable by others";
  if (status.st_uid != 0 && status.st_uid != geteuid())
    reasons[2] = "owned by user " + std::to_string(status.st_uid);
  for (const std::string& reason : reasons) {
    if (reason.empty()) continue;
    *found += (found->empty() ? "" : ", ") + std::string(what) + reason;
  }
}

// The directory that holds the file `name`.
std::string directoryOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
}

// Adds to `found` who else can change the directory that holds `name`.
void addDirectoryWriters(const std::string& name, std::string* found) {
  struct stat status;
  if (stat(directoryOf(name).c_str(), &status) == 0) {
    addUntrustedWriters(status, "its directory is ", found);
  }
}

}  // namespace

TString untrustedWriters(const TString& path) {
  const std::string name = fileName(path);
  std::string found;
  struct stat status;
  if (stat(name.c_str(), &status) == 0) addUntrustedWriters(status, "", &found);
  addDirectoryWriters(name, &found);
  return wideName(found.c_str());
}

TString untrustedWriters(const TString& path, std::FILE* file) {
  std::string found;
  struct stat status;
  if (fstat(fileno(file), &status) == 0) addUntrustedWriters(status, "", &found);
  addDirectoryWriters(fileName(path), &found);
  return wideName(found.c_str());
}

// An absolute name that the loader keeps, whose last part is no symbolic
// link, leads to the module's file, and its directory part to the directory
// that holds that file, as the module's real path would: they are examined
// without resolving that path, which takes a system call for every part of
// it, and the file's status is the one that openModule() had just asked for
// when it examined that name. The path is resolved only to be named in a
// warning, or when the name cannot tell.
TString untrustedModuleWriters(HINSTANCE module, TString* path) {
  const link_map* map = linkMapOf(module);
  const bool examined = lastExamined.known;
  lastExamined.known = false;
  if (map != nullptr && map->l_name != nullptr && map->l_name[0] == '/') {
    struct stat status;
    bool own;
    if (examined && lastExamined.name == map->l_name) {
      status = lastExamined.status;
      own = true;
    } else {
      own = lstat(map->l_name, &status) == 0 && !S_ISLNK(status.st_mode);
    }
    if (own) {
      std::string found;
      addUntrustedWriters(status, "", &found);
      addDirectoryWriters(map->l_name, &found);
      if (found.empty()) return TString();
    }
  }
  *path = moduleFileName(module);
  return untrustedWriters(*path);
}

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
