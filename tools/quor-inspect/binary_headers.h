// What a module's file says about itself, read without loading it: the ELF or
// PE headers (machine, word size, the modules that it needs, its run paths)
// and the ELF loader's cache of library names. Both formats are read on every
// system, so that a module built for another one is named as such.
//
// The files may be hostile. Every offset and size taken from a file is checked
// against the file before it is used, arithmetic on them cannot wrap, and what
// is kept is bounded (kMaxNames names of at most kMaxNameLength bytes), so that
// any input gives a result or a reason, never a crash, a hang or an allocation
// that grows with a number read from the file.
#ifndef QUOR_TOOLS_QUOR_INSPECT_BINARY_HEADERS_H_
#define QUOR_TOOLS_QUOR_INSPECT_BINARY_HEADERS_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quor_inspect {

constexpr std::size_t kMaxNames = 4096;
constexpr std::size_t kMaxNameLength = 4096;

// Where the bytes come from. read() copies `count` bytes at `offset` into
// `to` and returns false, with `to` unspecified, when they are not all there.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  virtual bool read(std::uint64_t offset, void* to, std::size_t count) = 0;
};

// Bytes in memory, which the caller keeps alive while the source is used.
class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, void* to, std::size_t count) override;

 private:
  const unsigned char* data_;
  std::size_t size_;
};

// An open regular file, which the caller closes after use.
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* file);
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, void* to, std::size_t count) override;

 private:
  std::FILE* file_;
  std::uint64_t size_ = 0;
};

// The kind of module a file holds and what it runs on.
struct ModuleFormat {
  enum Kind { kNone, kElf, kPe };
  Kind kind = kNone;
  unsigned int machine = 0;  // ELF e_machine, PE Machine
  unsigned int bits = 0;     // 32 or 64: the ELF class, or PE32 / PE32+
  bool bigEndian = false;    // ELF only; PE is little-endian

  bool operator==(const ModuleFormat& other) const {
    return kind == other.kind && machine == other.machine && bits == other.bits &&
           bigEndian == other.bigEndian;
  }
  bool operator!=(const ModuleFormat& other) const { return !(*this == other); }
};

// "ELF 64-bit x86-64", "PE32 i386", "ELF 32-bit big-endian machine 1234";
// "neither ELF nor PE" for kNone.
std::wstring describe(const ModuleFormat& format);

struct BinaryHeaders {
  ModuleFormat format;
  // ELF: a shared object (ET_DYN but not DF_1_PIE), which a loader can add
  // to a process, not an executable or object file. PE: IMAGE_FILE_DLL is set.
  bool library = false;
  std::string soname;                // ELF DT_SONAME, if any
  std::vector<std::string> needed;   // DT_NEEDED, or the PE import table's DLLs, in order
  std::vector<std::string> runPath;  // DT_RUNPATH, split at ':' (an empty entry stays empty)
  std::vector<std::string> rPath;    // DT_RPATH, likewise
  bool hasRunPath = false;           // DT_RUNPATH is there, even empty: DT_RPATH is ignored
  bool noDefaultLibraries = false;   // DF_1_NODEFLIB: neither the cache nor the system folders
  // Why the headers could not be read to the end (a table outside the file,
  // a name without its end); empty when they could. What was read before
  // stays in the fields above.
  std::string damage;
};

// Reads the headers from `source`. A file that begins with neither an ELF nor
// a PE header gives format.kind kNone and no damage.
BinaryHeaders readBinaryHeaders(ByteSource& source);

// The files that the ELF loader's cache (/etc/ld.so.cache, glibc's format
// "glibc-ld.so.cache1.1") gives for the library `name`, in the cache's order,
// which is the loader's; at most 64. Empty for a file in another format; an
// entry whose strings are not within the file ends the search.
std::vector<std::string> cachedLibrary(ByteSource& source, const std::string& name);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_BINARY_HEADERS_H_
