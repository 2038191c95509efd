// Logs one line at each level, so that ctest can check how ZOLOG_LEVEL and
// ZOLOG_FILE, which zolog reads once per process, choose what is written and
// where.
//
//   zolog_env_probe [--mask=N] [FILE]
//
// --mask=N sets the level mask before anything is logged. With FILE (the
// ZOLOG_FILE of the run), the probe first writes "existing line" to FILE, then
// logs, then prints FILE to standard output, each line prefixed with "file: ".
#include <zolog/zolog.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--mask=", 7) == 0) {
      zologSetLevelMask(static_cast<int>(std::strtol(argv[i] + 7, nullptr, 0)));
    } else {
      path = argv[i];
    }
  }
  if (path != nullptr) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) return 2;
    std::fputs("existing line\n", file);
    std::fclose(file);
  }

  zologSetModuleName(L"PROBE");
  const int levels[] = {ZOLOG_FAILURE, ZOLOG_WARNING, ZOLOG_DETAIL, ZOLOG_ENTRY, ZOLOG_EXIT};
  for (int level : levels) zologLog(nullptr, level, L"probe level %d", level);
  std::fprintf(stderr, "probe mask %d\n", zologGetLevelMask());

  if (path != nullptr) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return 3;
    char line[1024];
    while (std::fgets(line, sizeof line, file) != nullptr) std::printf("file: %s", line);
    std::fclose(file);
  }
  return 0;
}
