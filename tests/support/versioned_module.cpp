// A shared library that carries a version record of its own, for tests that
// read versions of modules other than the main program.
#if defined(_WIN32)
#define VERSIONED_MODULE_API __declspec(dllexport)
#else
#define VERSIONED_MODULE_API __attribute__((visibility("default")))
#endif

extern "C" VERSIONED_MODULE_API int quorTestVersionedModule() { return 1; }
