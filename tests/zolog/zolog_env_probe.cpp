// Logs one line at each level, so that ctest can check how ZOLOG_LEVEL and
// ZOLOG_FILE, which zolog reads once per process, choose what is written and
// where.
//
//   zolog_env_probe [--mask=N] [--fifo | --read-fifo] [FILE]
//
// --mask=N sets the level mask before anything is logged. With FILE (the
// ZOLOG_FILE of the run), the probe first writes "existing line" to FILE, then
// logs, then prints FILE to standard output, each line prefixed with "file: ".
// With --fifo (POSIX), FILE is made a FIFO that no process reads instead. With
// --read-fifo, a FIFO that the probe opens to read before it logs: it then
// prints what it read as above, and how zolog's end of the FIFO is open.
// The probe reports the lines that zolog could not write.
#include <zolog/zolog.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  const char* path = nullptr;
  bool fifo = false, readFifo = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--mask=", 7) == 0) {
      zologSetLevelMask(static_cast<int>(std::strtol(argv[i] + 7, nullptr, 0)));
    } else if (std::strcmp(argv[i], "--fifo") == 0) {
      fifo = true;
    } else if (std::strcmp(argv[i], "--read-fifo") == 0) {
      fifo = readFifo = true;
    } else {
      path = argv[i];
    }
  }
  int reader = -1;
  if (fifo) {
#if defined(_WIN32)
    return 2;
#else
    unlink(path);
    if (mkfifo(path, 0600) != 0) return 2;
    // Without O_NONBLOCK this open would wait for a writer.
    if (readFifo && (reader = open(path, O_RDONLY | O_NONBLOCK)) < 0) return 2;
#endif
  } else if (path != nullptr) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) return 2;
    std::fputs("existing line\n", file);
    std::fclose(file);
  }

  zologSetModuleName(L"PROBE");
  const int levels[] = {ZOLOG_FAILURE, ZOLOG_WARNING, ZOLOG_DETAIL, ZOLOG_ENTRY, ZOLOG_EXIT};
  int unwritten = 0;
  for (int level : levels) unwritten += zologLog(nullptr, level, L"probe level %d", level) < 0;
  std::fprintf(stderr, "probe mask %d\n", zologGetLevelMask());
  if (unwritten != 0) std::fprintf(stderr, "probe lines not written %d\n", unwritten);

  if (path != nullptr && (!fifo || readFifo)) {
    std::FILE* file = readFifo ? fdopen(reader, "r") : std::fopen(path, "r");
    if (file == nullptr) return 3;
    char line[1024];
    while (std::fgets(line, sizeof line, file) != nullptr) std::printf("file: %s", line);
    std::fclose(file);
  }
#if !defined(_WIN32)
  if (readFifo) {
    struct stat fifoStatus, status;
    stat(path, &fifoStatus);
    for (int fd = 3; fd < 64; ++fd) {
      if (fd == reader || fstat(fd, &status) != 0 || status.st_ino != fifoStatus.st_ino) continue;
      std::printf("zolog's end: %s, %s\n",
                  fcntl(fd, F_GETFL) & O_NONBLOCK ? "non-blocking" : "blocking",
                  fcntl(fd, F_GETFD) & FD_CLOEXEC ? "close-on-exec" : "inherited");
    }
  }
  if (fifo) unlink(path);
#endif
  return 0;
}
