// A manager module whose entry point was declared without extern "C": it
// exports the function only under its C++ name.
#include "quor/manager_module.h"

#if defined(_WIN32)
#define CXX_ENTRY_EXPORT __declspec(dllexport)
#else
#define CXX_ENTRY_EXPORT __attribute__((visibility("default")))
#endif

CXX_ENTRY_EXPORT Quor::ManagerInstance* quorManagerInstance() { return nullptr; }
