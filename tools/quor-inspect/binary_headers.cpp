#include "binary_headers.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace quor_inspect {

namespace {

// Field of at most 8 bytes at `offset` of a header read into memory, in the
// file's byte order; 0 beyond the header (the callers check sizes first).
class Fields {
 public:
  Fields(const unsigned char* bytes, std::size_t size, bool bigEndian)
      : bytes_(bytes), size_(size), bigEndian_(bigEndian) {}

  std::uint64_t get(std::size_t offset, std::size_t width) const {
    if (offset > size_ || width > size_ - offset) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t at = bigEndian_ ? offset + i : offset + width - 1 - i;
      value = value << 8 | bytes_[at];
    }
    return value;
  }

 private:
  const unsigned char* bytes_;
  std::size_t size_;
  bool bigEndian_;
};

// `count` bytes at `offset`, read into `buffer`, as fields.
bool readFields(ByteSource& source, std::uint64_t offset, std::size_t count,
                std::vector<unsigned char>& buffer) {
  buffer.resize(count);
  return source.read(offset, buffer.data(), count);
}

// The bytes from `offset` up to a NUL, read no further than `limit` and never
// more than kMaxNameLength of them; false, with `name` empty, when no NUL
// comes in time.
bool readName(ByteSource& source, std::uint64_t offset, std::uint64_t limit, std::string& name) {
  name.clear();
  limit = std::min(limit, source.size());
  char chunk[256];
  while (offset < limit && name.size() <= kMaxNameLength) {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, limit - offset));
    if (!source.read(offset, chunk, count)) break;
    const void* nul = std::memchr(chunk, '\0', count);
    if (nul != nullptr) {
      name.append(chunk, static_cast<const char*>(nul) - chunk);
      if (name.size() <= kMaxNameLength) return true;
      break;
    }
    name.append(chunk, count);
    offset += count;
  }
  name.clear();
  return false;
}

// `text` split at ':'; an empty entry stays, as the loader takes it for the
// current directory.
std::vector<std::string> splitPath(const std::string& text) {
  std::vector<std::string> entries;
  std::size_t from = 0;
  for (std::size_t end; entries.size() < kMaxNames; from = end + 1) {
    end = text.find(':', from);
    entries.push_back(text.substr(from, end == std::string::npos ? end : end - from));
    if (end == std::string::npos) break;
  }
  return entries;
}

// A part of the file: a PT_LOAD segment, or a PE section's raw data.
struct Mapping {
  std::uint64_t address;  // ELF virtual address, PE RVA
  std::uint64_t size;     // bytes of the file
  std::uint64_t offset;   // where they are in the file
};

// The file offset of `address`, which must lie within one of `mappings`
// together with at least one byte; false when none holds it.
bool fileOffset(const std::vector<Mapping>& mappings, std::uint64_t address, std::uint64_t& offset,
                std::uint64_t& end) {
  for (const Mapping& mapping : mappings) {
    if (address >= mapping.address && address - mapping.address < mapping.size) {
      offset = mapping.offset + (address - mapping.address);
      end = mapping.offset + mapping.size;
      return true;
    }
  }
  return false;
}

constexpr std::size_t kMaxDynamicEntries = 65536;
constexpr std::size_t kMaxMappings = 4096;

enum ElfTag : std::uint64_t {
  kDtNull = 0,
  kDtNeeded = 1,
  kDtStrtab = 5,
  kDtStrsz = 10,
  kDtSoname = 14,
  kDtRpath = 15,
  kDtRunpath = 29,
  kDtFlags1 = 0x6ffffffb,
};
constexpr std::uint64_t kDf1Nodeflib = 0x800, kDf1Pie = 0x08000000;

void readElf(ByteSource& source, BinaryHeaders& headers) {
  std::vector<unsigned char> buffer;
  if (!readFields(source, 0, 64, buffer) && !readFields(source, 0, 52, buffer)) {
    headers.damage = "the ELF header is cut short";
    return;
  }
  const unsigned char elfClass = buffer[4], data = buffer[5];
  if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2)) {
    headers.damage = "the ELF header gives no known word size or byte order";
    return;
  }
  const bool wide = elfClass == 2;
  ModuleFormat& format = headers.format;
  format.bits = wide ? 64 : 32;
  format.bigEndian = data == 2;
  const Fields header(buffer.data(), buffer.size(), format.bigEndian);
  format.machine = static_cast<unsigned int>(header.get(18, 2));
  headers.library = header.get(16, 2) == 3;  // ET_DYN
  const std::uint64_t programHeaders = header.get(wide ? 32 : 28, wide ? 8 : 4);
  const std::size_t entrySize = static_cast<std::size_t>(header.get(wide ? 54 : 42, 2));
  const std::size_t count = static_cast<std::size_t>(header.get(wide ? 56 : 44, 2));
  if (count == 0) return;
  if (entrySize < (wide ? 56u : 32u)) {
    headers.damage = "the program headers are too small";
    return;
  }

  if (programHeaders > UINT64_MAX - static_cast<std::uint64_t>(count) * entrySize) {
    headers.damage = "the program headers lie outside the file";
    return;
  }
  std::vector<Mapping> loads;
  std::uint64_t dynamicOffset = 0, dynamicSize = 0;
  bool dynamic = false;
  for (std::size_t i = 0; i < count; ++i) {
    if (!readFields(source, programHeaders + static_cast<std::uint64_t>(i) * entrySize, entrySize,
                    buffer)) {
      headers.damage = "the program headers lie outside the file";
      return;
    }
    const Fields entry(buffer.data(), buffer.size(), format.bigEndian);
    const std::uint64_t type = entry.get(0, 4);
    const std::uint64_t offset = entry.get(wide ? 8 : 4, wide ? 8 : 4);
    const std::uint64_t address = entry.get(wide ? 16 : 8, wide ? 8 : 4);
    const std::uint64_t size = entry.get(wide ? 32 : 16, wide ? 8 : 4);
    if (type == 1 && loads.size() < kMaxMappings) loads.push_back({address, size, offset});
    if (type == 2 && !dynamic) {
      dynamic = true;
      dynamicOffset = offset;
      dynamicSize = size;
    }
  }
  if (!dynamic) return;  // linked statically: it needs nothing

  const std::size_t dynamicEntry = wide ? 16 : 8;
  std::vector<std::uint64_t> neededAt;
  std::uint64_t strtab = 0, strsz = 0, soname = 0, rpath = 0, runpath = 0;
  bool hasStrtab = false, hasSoname = false, hasRpath = false;
  for (std::size_t i = 0; i < kMaxDynamicEntries && (i + 1) * dynamicEntry <= dynamicSize; ++i) {
    if (dynamicOffset > UINT64_MAX - (i + 1) * dynamicEntry ||
        !readFields(source, dynamicOffset + i * dynamicEntry, dynamicEntry, buffer)) {
      headers.damage = "the dynamic section lies outside the file";
      return;
    }
    const Fields entry(buffer.data(), buffer.size(), format.bigEndian);
    const std::uint64_t tag = entry.get(0, dynamicEntry / 2);
    const std::uint64_t value = entry.get(dynamicEntry / 2, dynamicEntry / 2);
    if (tag == kDtNull) break;
    switch (tag) {
      case kDtNeeded:
        if (neededAt.size() < kMaxNames) neededAt.push_back(value);
        break;
      case kDtStrtab:
        strtab = value;
        hasStrtab = true;
        break;
      case kDtStrsz:
        strsz = value;
        break;
      case kDtSoname:
        soname = value;
        hasSoname = true;
        break;
      case kDtRpath:
        rpath = value;
        hasRpath = true;
        break;
      case kDtRunpath:
        runpath = value;
        headers.hasRunPath = true;
        break;
      case kDtFlags1:
        headers.noDefaultLibraries = (value & kDf1Nodeflib) != 0;
        // A position-independent executable is ET_DYN too, but no library.
        if ((value & kDf1Pie) != 0) headers.library = false;
        break;
    }
  }
  if (!hasStrtab) {
    if (!neededAt.empty() || hasSoname || hasRpath || headers.hasRunPath) {
      headers.damage = "the dynamic section names no string table";
    }
    return;
  }
  std::uint64_t strings = 0, mappedEnd = 0;
  if (!fileOffset(loads, strtab, strings, mappedEnd)) {
    headers.damage = "the string table lies outside the file";
    return;
  }
  // The table ends at DT_STRSZ, and within its segment's bytes of the file.
  const std::uint64_t stringsEnd =
      strsz <= mappedEnd - strings ? strings + strsz : std::max(mappedEnd, strings);
  const auto name = [&](std::uint64_t at, std::string& text) {
    if (at < stringsEnd - strings && readName(source, strings + at, stringsEnd, text)) return true;
    headers.damage = "a name lies outside the string table or has no end";
    return false;
  };
  std::string text;
  for (const std::uint64_t at : neededAt) {
    if (!name(at, text)) return;
    headers.needed.push_back(text);
  }
  if (hasSoname && !name(soname, headers.soname)) return;
  if (hasRpath) {
    if (!name(rpath, text)) return;
    headers.rPath = splitPath(text);
  }
  if (headers.hasRunPath) {
    if (!name(runpath, text)) return;
    headers.runPath = splitPath(text);
  }
}

void readPe(ByteSource& source, std::uint64_t peHeader, BinaryHeaders& headers) {
  std::vector<unsigned char> buffer;
  ModuleFormat& format = headers.format;
  if (!readFields(source, peHeader, 24, buffer)) {
    headers.damage = "the PE file header is cut short";
    return;
  }
  Fields coff(buffer.data(), buffer.size(), false);
  format.machine = static_cast<unsigned int>(coff.get(4, 2));
  const std::size_t sections = static_cast<std::size_t>(coff.get(6, 2));
  const std::size_t optionalSize = static_cast<std::size_t>(coff.get(20, 2));
  headers.library = (coff.get(22, 2) & 0x2000) != 0;  // IMAGE_FILE_DLL
  if (!readFields(source, peHeader + 24, optionalSize, buffer) || optionalSize < 2) {
    headers.damage = "the PE optional header is cut short";
    return;
  }
  const Fields optional(buffer.data(), buffer.size(), false);
  const std::uint64_t magic = optional.get(0, 2);
  if (magic != 0x10b && magic != 0x20b) {
    headers.damage = "the PE optional header is neither PE32 nor PE32+";
    return;
  }
  const bool wide = magic == 0x20b;
  format.bits = wide ? 64 : 32;
  const std::size_t directories = wide ? 112 : 96;
  const std::uint64_t directoryCount = optional.get(directories - 4, 4);
  // The import table is directory 1.
  if (directoryCount < 2 || optionalSize < directories + 16) return;
  const std::uint64_t imports = optional.get(directories + 8, 4);
  if (imports == 0) return;

  std::vector<Mapping> mapped;
  const std::uint64_t table = peHeader + 24 + optionalSize;
  for (std::size_t i = 0; i < sections; ++i) {
    if (!readFields(source, table + i * 40, 40, buffer)) {
      headers.damage = "the section table lies outside the file";
      return;
    }
    const Fields section(buffer.data(), buffer.size(), false);
    mapped.push_back({section.get(12, 4), section.get(16, 4), section.get(20, 4)});
  }
  std::uint64_t at = 0, end = 0;
  if (!fileOffset(mapped, imports, at, end)) {
    headers.damage = "the import table lies outside the file";
    return;
  }
  for (std::size_t i = 0; i < kMaxNames; ++i, at += 20) {
    if (!readFields(source, at, 20, buffer)) {
      headers.damage = "the import table has no end";
      return;
    }
    const std::uint64_t nameRva = Fields(buffer.data(), buffer.size(), false).get(12, 4);
    if (nameRva == 0) return;
    std::uint64_t nameAt = 0, nameEnd = 0;
    std::string name;
    if (!fileOffset(mapped, nameRva, nameAt, nameEnd) || !readName(source, nameAt, nameEnd, name)) {
      headers.damage = "an imported module's name lies outside the file or has no end";
      return;
    }
    headers.needed.push_back(name);
  }
}

const wchar_t* elfMachine(unsigned int machine) {
  switch (machine) {
    case 2:
      return L"SPARC";
    case 3:
      return L"i386";
    case 8:
      return L"MIPS";
    case 20:
      return L"PowerPC";
    case 21:
      return L"PowerPC64";
    case 22:
      return L"S/390";
    case 40:
      return L"ARM";
    case 43:
      return L"SPARC V9";
    case 62:
      return L"x86-64";
    case 183:
      return L"AArch64";
    case 243:
      return L"RISC-V";
    case 258:
      return L"LoongArch";
  }
  return nullptr;
}

const wchar_t* peMachine(unsigned int machine) {
  switch (machine) {
    case 0x14c:
      return L"i386";
    case 0x1c0:
    case 0x1c4:
      return L"ARM";
    case 0x200:
      return L"IA-64";
    case 0x8664:
      return L"x86-64";
    case 0xa641:
      return L"ARM64EC";
    case 0xaa64:
      return L"AArch64";
  }
  return nullptr;
}

}  // namespace

bool MemorySource::read(std::uint64_t offset, void* to, std::size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count != 0) std::memcpy(to, data_ + offset, count);
  return true;
}

FileSource::FileSource(std::FILE* file) : file_(file) {
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (end > 0) size_ = static_cast<std::uint64_t>(end);
  }
}

bool FileSource::read(std::uint64_t offset, void* to, std::size_t count) {
  if (offset > size_ || count > size_ - offset || offset > LONG_MAX) return false;
  return std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fread(to, 1, count, file_) == count;
}

std::wstring describe(const ModuleFormat& format) {
  if (format.kind == ModuleFormat::kNone) return L"neither ELF nor PE";
  const bool elf = format.kind == ModuleFormat::kElf;
  const wchar_t* machine = elf ? elfMachine(format.machine) : peMachine(format.machine);
  const std::wstring machineText =
      machine != nullptr ? machine : L"machine " + std::to_wstring(format.machine);
  if (!elf) return (format.bits == 64 ? L"PE32+ " : L"PE32 ") + machineText;
  return L"ELF " + std::to_wstring(format.bits) + L"-bit " +
         (format.bigEndian ? L"big-endian " : L"") + machineText;
}

BinaryHeaders readBinaryHeaders(ByteSource& source) {
  BinaryHeaders headers;
  unsigned char magic[64];
  if (source.read(0, magic, 4) && std::memcmp(magic,
                                              "\x7f"
                                              "ELF",
                                              4) == 0) {
    headers.format.kind = ModuleFormat::kElf;
    readElf(source, headers);
  } else if (source.read(0, magic, 64) && magic[0] == 'M' && magic[1] == 'Z') {
    const std::uint64_t peHeader = Fields(magic, sizeof magic, false).get(0x3c, 4);
    unsigned char signature[4];
    if (source.read(peHeader, signature, 4) && std::memcmp(signature, "PE\0\0", 4) == 0) {
      headers.format.kind = ModuleFormat::kPe;
      readPe(source, peHeader, headers);
    }
  }
  return headers;
}

std::vector<std::string> cachedLibrary(ByteSource& source, const std::string& name) {
  static const char kMagic[] = "glibc-ld.so.cache1.1";
  constexpr std::size_t kHeader = 48, kEntry = 24, kMaxEntries = 65536, kMaxPaths = 64;
  std::vector<std::string> paths;
  std::vector<unsigned char> buffer;
  if (!readFields(source, 0, kHeader, buffer) ||
      std::memcmp(buffer.data(), kMagic, sizeof kMagic - 1) != 0) {
    return paths;
  }
  const std::uint64_t count = Fields(buffer.data(), buffer.size(), false).get(20, 4);
  std::string key, path;
  for (std::uint64_t i = 0; i < count && i < kMaxEntries && paths.size() < kMaxPaths; ++i) {
    if (!readFields(source, kHeader + i * kEntry, kEntry, buffer)) break;
    const Fields entry(buffer.data(), buffer.size(), false);
    if (!readName(source, entry.get(4, 4), source.size(), key)) break;
    if (key != name) continue;
    if (!readName(source, entry.get(8, 4), source.size(), path)) break;
    paths.push_back(path);
  }
  return paths;
}

}  // namespace quor_inspect
