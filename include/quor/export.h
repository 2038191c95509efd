// The export macro of quor-interfaces.
//
// QUOR_API marks every class and free function that the shared library
// exports. Building the library defines QUOR_BUILDING_LIBRARY (privately, so
// it never reaches a client); a client sees dllimport on Windows and default
// visibility elsewhere. QUOR_STATIC_DEFINE is for code that links the
// library's objects directly, such as its own unit tests.
#ifndef QUOR_EXPORT_H_
#define QUOR_EXPORT_H_

#if defined(QUOR_STATIC_DEFINE)
#define QUOR_API
#elif defined(_WIN32)
#if defined(QUOR_BUILDING_LIBRARY)
#define QUOR_API __declspec(dllexport)
#else
#define QUOR_API __declspec(dllimport)
#endif
#else
#define QUOR_API __attribute__((visibility("default")))
#endif

#endif  // QUOR_EXPORT_H_
