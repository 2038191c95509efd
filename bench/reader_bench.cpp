// The reader of factory definition files alone, on a file of about 1 MB,
// beside the C runtime reader of raw_definition.h on the same file. Both read
// an open file from its start; bytes_per_second is the throughput.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "managers/definition_file.h"
#include "raw_definition.h"

namespace {

constexpr std::size_t kFileSize = 1000 * 1000;

// A definition file as a large installation might write one: comments, blank
// lines, many keys of other settings with and without blanks around '=',
// CR LF line ends, UTF-8 text, and the provider.* keys again and again.
std::string definitionText() {
  std::string text;
  char line[256];
  for (unsigned int i = 0; text.size() < kFileSize; ++i) {
    switch (i % 10) {
      case 0:
        std::snprintf(line, sizeof line, "; Settings of group %u of the provider\n", i);
        break;
      case 1:
        std::snprintf(line, sizeof line, "provider.name=Bench\n");
        break;
      case 2:
        std::snprintf(line, sizeof line, "provider.description = Benchmark provider, revision %u\n",
                      i);
        break;
      case 3:
        std::snprintf(line, sizeof line, "  setting.%u.timeout = %u\n", i, i % 300);
        break;
      case 4:
        std::snprintf(line, sizeof line, "setting.%u.path=/var/lib/quor/providers/bench/%u\r\n", i,
                      i);
        break;
      case 5:
        std::snprintf(line, sizeof line, "label.%u=Caf\xC3\xA9 r\xC3\xA9sum\xC3\xA9 %u\n", i, i);
        break;
      case 6:
        std::snprintf(line, sizeof line,
                      "provider.implementation=/usr/lib/quor/managers/libbench-manager.so\n");
        break;
      case 7:
        std::snprintf(line, sizeof line, "\n");
        break;
      case 8:
        std::snprintf(line, sizeof line, "# %u: retries and limits\n", i);
        break;
      default:
        std::snprintf(line, sizeof line, "provider.service=benchmarks\n");
        break;
    }
    text += line;
  }
  return text;
}

// The file, written once to a temporary file that is removed when closed.
struct DefinitionFile {
  DefinitionFile() : file(std::tmpfile()) {
    const std::string text = definitionText();
    size = text.size();
    if (file == nullptr || std::fwrite(text.data(), 1, size, file) != size) {
      std::fprintf(stderr, "reader benchmarks: cannot write the definition file\n");
      std::exit(1);
    }
  }
  DefinitionFile(const DefinitionFile&) = delete;
  DefinitionFile& operator=(const DefinitionFile&) = delete;
  ~DefinitionFile() { std::fclose(file); }

  std::FILE* file;
  std::size_t size = 0;
};

DefinitionFile& definitionFile() {
  static DefinitionFile instance;
  return instance;
}

void Reader_DefinitionFile(benchmark::State& state) {
  DefinitionFile& definition = definitionFile();
  for (auto _ : state) {
    std::rewind(definition.file);
    Quor::detail::ProviderRecord record;
    Quor::detail::readDefinitionFile(definition.file, &record, nullptr);
    benchmark::DoNotOptimize(&record);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * definition.size));
}
BENCHMARK(Reader_DefinitionFile);

void Raw_DefinitionFile(benchmark::State& state) {
  DefinitionFile& definition = definitionFile();
  for (auto _ : state) {
    std::rewind(definition.file);
    bench::RawRecord record;
    bench::rawReadDefinition(definition.file, &record);
    benchmark::DoNotOptimize(&record);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * definition.size));
}
BENCHMARK(Raw_DefinitionFile);

}  // namespace
