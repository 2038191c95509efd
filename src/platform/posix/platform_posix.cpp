#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "platform/version_note.h"

namespace Quor {
namespace platform {

namespace {

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
  void* handle = module;
  if (handle == nullptr) handle = dlopen(nullptr, RTLD_LAZY);
  link_map* map = nullptr;
  const bool known = handle != nullptr && dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0;
  if (module == nullptr && handle != nullptr) dlclose(handle);
  if (!known || map == nullptr || map->l_ld == nullptr) return false;

  NoteSearch search = {map->l_ld, {0, 0, 0, 0}, false};
  dl_iterate_phdr(searchModule, &search);
  if (search.found) std::memcpy(parts, search.parts, sizeof search.parts);
  return search.found;
}

}  // namespace platform
}  // namespace Quor
