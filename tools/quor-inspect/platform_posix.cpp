// quor-inspect on Linux and other POSIX systems: paths and arguments are
// UTF-8 bytes.
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform.h"
#include "quor_text/utf8.h"

namespace quor_inspect {

std::filesystem::path toPath(const std::wstring& path) {
  std::string bytes;
  Quor::text::appendFileNameBytes(bytes, path.c_str(), path.size());
  return std::filesystem::path(bytes);
}

std::wstring fromPath(const std::filesystem::path& path) {
  std::wstring wide;
  const std::string& bytes = path.native();
  Quor::text::appendDecodedFileName(wide, bytes.data(), bytes.size());
  return wide;
}

const wchar_t* pathCharacters() { return L"/"; }

bool sameFileName(const std::wstring& a, const std::wstring& b) { return a == b; }

namespace {

using Clock = std::chrono::steady_clock;

std::wstring wide(const std::string& bytes) {
  std::wstring text;
  Quor::text::appendDecodedUtf8(text, bytes.data(), bytes.size());
  return text;
}

// Reads `from` into `output` until its end or `deadline`; false at the
// deadline.
bool readUntil(int from, Clock::time_point deadline, std::string& output) {
  char buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd ready = {from, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno != EINTR) return true;
    if (polled <= 0) continue;
    const ssize_t count = read(from, buffer, sizeof buffer);
    if (count > 0) {
      output.append(buffer, static_cast<std::size_t>(count));
    } else if (count == 0 || errno != EINTR) {
      return true;
    }
  }
}

// Waits for `child` to end until `deadline`; false at the deadline.
bool waitUntil(pid_t child, Clock::time_point deadline, int& status) {
  for (;;) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child || (ended < 0 && errno != EINTR)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The headers of the file at `path`; none when it cannot be read.
BinaryHeaders headersOf(const char* path) {
  BinaryHeaders headers;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return headers;
  FileSource source(file);
  headers = readBinaryHeaders(source);
  std::fclose(file);
  return headers;
}

// A module that this process has loaded: the path it was loaded from and its
// DT_SONAME, the names by which the loader takes it for a module needed.
struct Loaded {
  std::string path;
  std::string soname;
};

const std::vector<Loaded>& loadedModules() {
  static const std::vector<Loaded> loaded = [] {
    std::vector<Loaded> found;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* context) {
          if (info->dlpi_name != nullptr && info->dlpi_name[0] == '/') {
            static_cast<std::vector<Loaded>*>(context)->push_back(
                {info->dlpi_name, headersOf(info->dlpi_name).soname});
          }
          return 0;
        },
        &found);
    return found;
  }();
  return loaded;
}

// The ld.so cache, read once; at most 64 MiB of it.
const std::string& libraryCache() {
  static const std::string cache = [] {
    std::ifstream file("/etc/ld.so.cache", std::ios::binary);
    std::string bytes;
    char chunk[65536];
    while (bytes.size() < (64u << 20) && (file.read(chunk, sizeof chunk) || file.gcount() > 0)) {
      bytes.append(chunk, static_cast<std::size_t>(file.gcount()));
    }
    return bytes;
  }();
  return cache;
}

// The loader's own folders, after the cache: Debian's multiarch folders, or
// lib64 on 64-bit systems without them, then /lib and /usr/lib.
std::vector<std::string> systemFolders() {
#if defined(__x86_64__) && defined(__LP64__)
  const char* triplet = "x86_64-linux-gnu";
#elif defined(__i386__)
  const char* triplet = "i386-linux-gnu";
#elif defined(__aarch64__)
  const char* triplet = "aarch64-linux-gnu";
#elif defined(__arm__)
  const char* triplet = "arm-linux-gnueabihf";
#else
  const char* triplet = nullptr;
#endif
  std::vector<std::string> folders;
  std::error_code ignored;
  if (triplet != nullptr &&
      std::filesystem::is_directory(std::string("/usr/lib/") + triplet, ignored)) {
    folders = {std::string("/lib/") + triplet, std::string("/usr/lib/") + triplet};
  } else if (sizeof(void*) == 8) {
    folders = {"/lib64", "/usr/lib64"};
  }
  folders.insert(folders.end(), {"/lib", "/usr/lib"});
  return folders;
}

// `entry` of a run path with $ORIGIN and ${ORIGIN} replaced by the directory
// of `origin`'s file; an empty entry is the current directory.
std::string expanded(std::string entry, const std::wstring& origin) {
  std::string file;
  Quor::text::appendFileNameBytes(file, origin.c_str(), origin.size());
  const std::size_t slash = file.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : file.substr(0, slash);
  for (const char* token : {"${ORIGIN}", "$ORIGIN"}) {
    for (std::size_t at; (at = entry.find(token)) != std::string::npos;) {
      entry.replace(at, std::strlen(token), directory);
    }
  }
  return entry.empty() ? "." : entry;
}

}  // namespace

ModuleFormat ownModuleFormat() { return headersOf("/proc/self/exe").format; }

std::wstring providedWithoutSearch(const std::string& name) {
  for (const Loaded& loaded : loadedModules()) {
    if (name == loaded.path || name == loaded.soname)
      return L"already loaded: " + fromPath(loaded.path);
  }
  return L"";
}

std::vector<SearchPlace> searchPlaces(const std::string& name, const std::vector<Needer>& chain,
                                      const std::wstring&) {
  std::vector<SearchPlace> places;
  if (name.find('/') != std::string::npos) {
    places.push_back({fromPath(name), L"as named"});
    return places;
  }
  const auto add = [&](const std::string& directory, const wchar_t* rule) {
    if (places.size() < kMaxNames) places.push_back({fromPath(directory + "/" + name), rule});
  };
  const BinaryHeaders& needer = *chain.front().headers;
  if (!needer.hasRunPath) {
    for (const Needer& module : chain) {
      if (module.headers->hasRunPath) continue;
      for (const std::string& entry : module.headers->rPath) {
        add(expanded(entry, module.path), L"DT_RPATH");
      }
    }
  }
  if (const char* variable = std::getenv("LD_LIBRARY_PATH")) {
    // The loader takes ';' for a separator too.
    std::string list = variable;
    std::replace(list.begin(), list.end(), ';', ':');
    std::stringstream entries(list);
    for (std::string entry; std::getline(entries, entry, ':');) {
      add(entry.empty() ? "." : entry, L"LD_LIBRARY_PATH");
    }
  }
  for (const std::string& entry : needer.runPath) {
    add(expanded(entry, chain.front().path), L"DT_RUNPATH");
  }
  if (needer.noDefaultLibraries) return places;
  const std::string& cache = libraryCache();
  MemorySource source(cache.data(), cache.size());
  const std::vector<std::string> cached = cachedLibrary(source, name);
  if (cached.empty()) places.push_back({L"", L"ld.so cache"});
  for (const std::string& path : cached) places.push_back({fromPath(path), L"ld.so cache"});
  for (const std::string& folder : systemFolders()) add(folder, L"system folder");
  return places;
}

bool runSelf(const std::vector<std::wstring>& arguments, unsigned int seconds, std::string& output,
             ChildEnd& end) {
  // Everything that the child needs is made before fork(): the child of a
  // process that may have threads calls only what is safe there.
  std::vector<std::string> bytes(1, "quor-inspect");
  for (const std::wstring& argument : arguments) {
    bytes.emplace_back();
    Quor::text::appendFileNameBytes(bytes.back(), argument.c_str(), argument.size());
  }
  std::vector<char*> argv;
  for (std::string& argument : bytes) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return false;
  self[length] = '\0';

  // This program read the variable before its first line.
  setenv("ZOLOG_LEVEL", "0", 1);
  int channel[2];
  if (pipe2(channel, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(channel[0]);
    close(channel[1]);
    return false;
  }
  if (child == 0) {
    dup2(channel[1], STDOUT_FILENO);
    execv(self, argv.data());
    _exit(127);
  }
  close(channel[1]);
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  const bool ended = readUntil(channel[0], deadline, output) && waitUntil(child, deadline, status);
  close(channel[0]);
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    end.kind = ChildEnd::kTimedOut;
    return true;
  }
  end.kind = ChildEnd::kExited;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = sigabbrev_np(signal);
    end.code = -1;
    end.description = L"signal " +
                      (name != nullptr ? L"SIG" + wide(name) : std::to_wstring(signal)) + L" (" +
                      wide(strsignal(signal)) + L")";
  } else {
    end.code = WEXITSTATUS(status);
    end.description = L"exit code " + std::to_wstring(end.code);
  }
  return true;
}

std::FILE* takeStandardOutput() {
  std::fflush(stdout);
  const int records = dup(STDOUT_FILENO);
  if (records < 0) return stdout;
  dup2(STDERR_FILENO, STDOUT_FILENO);
  std::FILE* out = fdopen(records, "wb");
  return out != nullptr ? out : stdout;
}

}  // namespace quor_inspect

int main(int argc, char** argv) {
  std::vector<std::wstring> arguments(argc > 0 ? argc - 1 : 0);
  for (int i = 1; i < argc; ++i) {
    Quor::text::appendDecodedFileName(arguments[i - 1], argv[i], std::strlen(argv[i]));
  }
  return quor_inspect::run(arguments);
}
