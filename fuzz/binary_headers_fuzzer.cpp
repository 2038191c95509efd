// Fuzzes quor-inspect's reader of module headers and of the ELF loader's cache
// on each input read from memory: it must not read outside the input, must
// give the same result twice, keep within its bounds (kMaxNames names of at
// most kMaxNameLength bytes, none holding a NUL), name no modules for a file
// of neither format and give a word size of 32 or 64 for one of either.
#include <cstdint>
#include <string>
#include <vector>

#include "binary_headers.h"
#include "fuzz_check.h"

using namespace quor_inspect;

namespace {

void checkNames(const std::vector<std::string>& names) {
  FUZZ_CHECK(names.size() <= kMaxNames);
  for (const std::string& name : names) {
    FUZZ_CHECK(name.size() <= kMaxNameLength && name.find('\0') == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemorySource source(data, size);
  const BinaryHeaders headers = readBinaryHeaders(source);
  const BinaryHeaders again = readBinaryHeaders(source);
  FUZZ_CHECK(headers.format == again.format && headers.needed == again.needed &&
             headers.runPath == again.runPath && headers.rPath == again.rPath &&
             headers.soname == again.soname && headers.damage == again.damage);
  checkNames(headers.needed);
  checkNames(headers.runPath);
  checkNames(headers.rPath);
  FUZZ_CHECK(headers.soname.size() <= kMaxNameLength);
  if (headers.format.kind == ModuleFormat::kNone) {
    FUZZ_CHECK(headers.needed.empty() && headers.damage.empty());
  } else if (headers.damage.empty()) {
    FUZZ_CHECK(headers.format.bits == 32 || headers.format.bits == 64);
  }
  FUZZ_CHECK(!describe(headers.format).empty());

  // The same bytes as the loader's cache.
  const std::vector<std::string> paths = cachedLibrary(source, "libc.so.6");
  FUZZ_CHECK(paths.size() <= 64);
  checkNames(paths);
  return 0;
}
