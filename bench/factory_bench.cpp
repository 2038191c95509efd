// The factory road: ManagerFactory::newManagerInstance end to end on a small
// factory definition file whose module is already loaded, (a) with logging
// masked out and (b) with every level delivered to a handler that drops the
// lines, beside a program that does the same work with the C runtime: open the
// file, read its lines, split them, load the same module.
//
// Each loaded handle is closed again, so that the module's reference count
// stays where the set-up left it.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zolog/zolog.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <benchmark/benchmark.h>

#include "log_files.h"
#include "quor/quor.h"
#include "raw_definition.h"

namespace {

namespace fs = std::filesystem;

// A temporary directory with the definition file "Bench.ini", which names the
// benchmark module by its absolute path. The module is loaded once here and
// stays loaded for the whole run.
class FactorySetting {
 public:
  FactorySetting() {
    std::error_code error;
    const fs::path module = fs::canonical(QUOR_BENCH_MODULE_PATH, error);
    if (error) fail("cannot find the benchmark module " QUOR_BENCH_MODULE_PATH);
    std::string pattern = (fs::temp_directory_path() / "quor-bench-XXXXXX").string();
    if (mkdtemp(&pattern[0]) == nullptr) fail("cannot create a temporary directory");
    directory_ = pattern;
    definition_ = directory_ / "Bench.ini";

    std::FILE* file = std::fopen(definition_.c_str(), "w");
    if (file == nullptr) fail("cannot write the definition file");
    std::fprintf(file,
                 "; The provider Bench: the benchmarks' manager module.\n"
                 "provider.name=Bench\n"
                 "provider.description=Benchmark manager module\n"
                 "provider.implementation=%s\n"
                 "provider.service=benchmarks\n",
                 module.c_str());
    std::fclose(file);

    module_ = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module_ == nullptr) fail(dlerror());
  }

  FactorySetting(const FactorySetting&) = delete;
  FactorySetting& operator=(const FactorySetting&) = delete;

  ~FactorySetting() {
    dlclose(module_);
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }

  const fs::path& definition() const { return definition_; }

 private:
  [[noreturn]] static void fail(const char* why) {
    std::fprintf(stderr, "factory benchmarks: %s\n", why);
    std::exit(1);
  }

  fs::path directory_;
  fs::path definition_;
  void* module_ = nullptr;
};

const FactorySetting& setting() {
  static const FactorySetting instance;
  return instance;
}

// newManagerInstance once per iteration, each time giving back the module
// reference that it returned.
void callNewManagerInstance(benchmark::State& state, const Quor::TString& definition,
                            const Quor::TString& provider) {
  for (auto _ : state) {
    Quor::Vector<Quor::Parameter> params;
    Quor::HINSTANCE module =
        Quor::ManagerFactory::newManagerInstance(definition, provider, &params);
    if (module == nullptr) {
      state.SkipWithError("newManagerInstance loaded no module");
      break;
    }
    dlclose(module);
  }
}

void countLine(void* context, const wchar_t*, int, const wchar_t*) {
  ++*static_cast<long*>(context);
}

// Logging goes to a handler that counts the lines and drops them; `mask` says
// which levels reach it. The counter log_lines is the number of lines that one
// call logs.
void Factory_NewManagerInstance(benchmark::State& state, int mask) {
  const Quor::TString definition(setting().definition().wstring().c_str());
  const Quor::TString provider(L"Bench");
  long lines = 0;
  const int previousMask = zologGetLevelMask();
  zologSetHandler(countLine, &lines);
  zologSetLevelMask(mask);
  callNewManagerInstance(state, definition, provider);
  zologSetLevelMask(previousMask);
  zologSetHandler(nullptr, nullptr);
  state.counters["log_lines"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(Factory_NewManagerInstance, masked, 0);
BENCHMARK_CAPTURE(Factory_NewManagerInstance, handler, ZOLOG_ALL);

// Every level on and no handler, as with ZOLOG_LEVEL=0x1f: the lines are
// written to ZOLOG_FILE and flushed one by one.
void Factory_NewManagerInstanceFile(benchmark::State& state) {
  const Quor::TString definition(setting().definition().wstring().c_str());
  const Quor::TString provider(L"Bench");
  const std::string& path = bench::zologFilePath();
  bench::emptyFile(path);
  const int previousMask = zologGetLevelMask();
  zologSetLevelMask(ZOLOG_ALL);
  callNewManagerInstance(state, definition, provider);
  zologSetLevelMask(previousMask);
  if (bench::fileSize(path) == 0) {
    state.SkipWithError(
        "zolog wrote no line to ZOLOG_FILE: a line went to standard error before it was set");
  }
  bench::emptyFile(path);
}
BENCHMARK(Factory_NewManagerInstanceFile)->Name("Factory_NewManagerInstance/file");

// newManagerInstance with logging masked out from one and from two threads at
// once; the time is wall-clock time per call over all threads, so that two
// threads that never wait for each other take half the time of one.
void Threads_NewManagerInstance(benchmark::State& state) {
  const Quor::TString definition(setting().definition().wstring().c_str());
  const Quor::TString provider(L"Bench");
  callNewManagerInstance(state, definition, provider);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Threads_NewManagerInstance)->Threads(1)->Threads(2)->UseRealTime();

// Whether the file at `path` and its directory are safe from others than root
// and this user: what newManagerInstance checks of the definition file it read
// and of the module it loaded, with stat() of both.
bool trusted(const char* path) {
  const std::string file = path;
  const std::string directory = file.substr(0, file.rfind('/'));
  struct stat status;
  for (const std::string& name : {file, directory}) {
    if (stat(name.c_str(), &status) != 0) return false;
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
        (status.st_uid != 0 && status.st_uid != geteuid()))
      return false;
  }
  return true;
}

// The same work with the C runtime: the four values are read into character
// arrays instead of parameters, nothing is logged, and the definition file
// and the module are checked as newManagerInstance checks them.
void* rawNewManagerInstance(const char* definition) {
  std::FILE* file = std::fopen(definition, "r");
  if (file == nullptr) return nullptr;
  bench::RawRecord record;
  bench::rawReadDefinition(file, &record);
  std::fclose(file);
  const char* name = record.fields[0];
  const char* implementation = record.fields[2];
  if (name[0] == '\0' || implementation[0] == '\0') return nullptr;
  benchmark::DoNotOptimize(trusted(definition));
  void* module = dlopen(implementation, RTLD_NOW | RTLD_LOCAL);
  if (module != nullptr) benchmark::DoNotOptimize(trusted(implementation));
  return module;
}

void Raw_NewManagerInstance(benchmark::State& state) {
  const std::string definition = setting().definition().string();
  for (auto _ : state) {
    void* module = rawNewManagerInstance(definition.c_str());
    if (module == nullptr) {
      state.SkipWithError("the raw reader loaded no module");
      break;
    }
    dlclose(module);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Raw_NewManagerInstance);

void RawThreads_NewManagerInstance(benchmark::State& state) { Raw_NewManagerInstance(state); }
BENCHMARK(RawThreads_NewManagerInstance)->Threads(1)->Threads(2)->UseRealTime();

// dlopen and dlclose of the loaded module alone, from one and two threads:
// both take the loader's lock, which no caller can avoid.
void Loader_Dlopen(benchmark::State& state) {
  const std::string module = fs::canonical(QUOR_BENCH_MODULE_PATH).string();
  setting();
  for (auto _ : state) {
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      state.SkipWithError(dlerror());
      break;
    }
    dlclose(handle);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Loader_Dlopen)->Threads(1)->Threads(2)->UseRealTime();

// The definition file opened, read and closed with the system's calls alone,
// from one and two threads: the system calls of every newManagerInstance call,
// which the kernel serves from both cores only as far as it can.
void System_OpenReadClose(benchmark::State& state) {
  const std::string definition = setting().definition().string();
  char buffer[4096];
  for (auto _ : state) {
    const int file = open(definition.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0 || read(file, buffer, sizeof buffer) <= 0) {
      state.SkipWithError("the definition file could not be read");
      break;
    }
    close(file);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(System_OpenReadClose)->Threads(1)->Threads(2)->UseRealTime();

// Arithmetic that shares nothing between threads, from one and two threads:
// how much two threads can gain on this machine at the time of the run,
// which another process's load on the second core decides.
void Machine_Compute(benchmark::State& state) {
  double x = 1.0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) x = x * 1.0000001 + 1e-9;
    benchmark::DoNotOptimize(x);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Machine_Compute)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace
