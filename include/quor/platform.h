// Platform types that appear in the public interface.
//
// Quor::HINSTANCE is the platform's module handle: the handle of the library's
// own module and of every module that the manager loader loads.
//   - On Windows it is the HINSTANCE of <windows.h> (a module's base address);
//     use it with GetProcAddress and FreeLibrary.
//   - Elsewhere it is the handle that dlopen() returns; use it with dlsym()
//     and dlclose().
#ifndef QUOR_PLATFORM_H_
#define QUOR_PLATFORM_H_

#if defined(_WIN32)
// The same declaration as <windows.h> makes with STRICT (its default), so both
// headers may be included in either order.
struct HINSTANCE__;
namespace Quor {
typedef ::HINSTANCE__* HINSTANCE;
}  // namespace Quor
#else
namespace Quor {
typedef void* HINSTANCE;
}  // namespace Quor
#endif

#endif  // QUOR_PLATFORM_H_
