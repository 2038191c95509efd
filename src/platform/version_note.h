// The ELF note that quor_add_version_record() (cmake/QuorVersion.cmake)
// stamps into a module: owner "Quor", the type below, and a descriptor of
// four 16-bit parts of the version, most significant first, in the module's
// byte order. The note lives in an allocated section, so it is read from the
// loaded module's memory.
#ifndef QUOR_SRC_PLATFORM_VERSION_NOTE_H_
#define QUOR_SRC_PLATFORM_VERSION_NOTE_H_

namespace Quor {
namespace platform {

constexpr char kVersionNoteName[] = "Quor";
constexpr unsigned int kVersionNoteType = 0x51560001;

}  // namespace platform
}  // namespace Quor

#endif  // QUOR_SRC_PLATFORM_VERSION_NOTE_H_
