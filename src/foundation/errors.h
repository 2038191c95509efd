// The library's std::out_of_range, thrown from a unit of its own.
//
// (MinGW-w64's GCC marks the type information of a standard exception for
// export from any unit that throws or catches it and also defines an exported
// class; raising it here keeps the DLL's exports to the library's own
// classes.)
#ifndef QUOR_SRC_FOUNDATION_ERRORS_H_
#define QUOR_SRC_FOUNDATION_ERRORS_H_

namespace Quor {
namespace detail {

[[noreturn]] void throwOutOfRange(const char* message);

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_ERRORS_H_
