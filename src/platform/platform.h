// The operating-system layer of quor-interfaces: module handles and version
// records. One implementation per platform
// (posix/platform_posix.cpp, win32/platform_win32.cpp), chosen by the build.
// Everything above this layer is portable.
#ifndef QUOR_SRC_PLATFORM_PLATFORM_H_
#define QUOR_SRC_PLATFORM_PLATFORM_H_

#include "quor/platform.h"

namespace Quor {
namespace platform {

// The handle of the module (shared library or executable) that contains
// `address`, or null when no loaded module contains it. Adds no reference.
HINSTANCE moduleContaining(const void* address);

// Reads the version record that quor_add_version_record() stamped into
// `module` (null: the process's main executable) from the loaded module's
// memory. Returns true iff the module carries one, and then stores its four
// parts, most significant first, in `parts`.
bool moduleFileVersion(HINSTANCE module, unsigned short parts[4]);

}  // namespace platform
}  // namespace Quor

#endif  // QUOR_SRC_PLATFORM_PLATFORM_H_
