// The library's std::out_of_range, thrown from a unit of its own, and the text
// of any exception caught, told from a unit of its own.
//
// (MinGW-w64's GCC marks the type information of a standard exception for
// export from any unit that throws or catches it and also sees an exported
// class; raising and catching them here keeps the DLL's exports to the
// library's own classes.)
#ifndef QUOR_SRC_FOUNDATION_ERRORS_H_
#define QUOR_SRC_FOUNDATION_ERRORS_H_

namespace Quor {
namespace detail {

[[noreturn]] void throwOutOfRange(const char* message);

// The text that a "Stopped by an exception" line gives for the exception being
// handled; call it only inside a handler. The standard library's own
// std::bad_alloc and std::bad_array_new_length give the texts of the library's
// allocator ("bad allocation", "bad array new length") rather than their
// names, any other std::exception its what(), anything else "not a
// std::exception".
const char* currentExceptionText();

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_ERRORS_H_
