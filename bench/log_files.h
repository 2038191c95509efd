// The files that the logging benchmarks write: zolog's (ZOLOG_FILE) and
// spdlog's, side by side in one directory so that both land on the same file
// system. Each benchmark empties its file before and after it runs, so that a
// run of several minutes does not fill the disk.
#ifndef QUOR_BENCH_LOG_FILES_H_
#define QUOR_BENCH_LOG_FILES_H_

#include <string>

namespace bench {

// zolog's file. When the environment has no ZOLOG_FILE, one in a temporary
// directory is set before the benchmarks run: zolog reads ZOLOG_FILE at its
// first line written to the default output, so nothing may have been written
// there before (scripts/benchmarks.sh runs with ZOLOG_LEVEL=0 and sets the
// file itself).
const std::string& zologFilePath();

// spdlog's file, beside zolog's.
const std::string& spdlogFilePath();

// Empties the file at `path` (a file opened to append goes on at its new end).
void emptyFile(const std::string& path);

// The size of the file at `path`, 0 when it does not exist.
long long fileSize(const std::string& path);

}  // namespace bench

#endif  // QUOR_BENCH_LOG_FILES_H_
