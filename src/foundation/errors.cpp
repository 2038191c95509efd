#include "foundation/errors.h"

#include <exception>
#include <new>
#include <stdexcept>

namespace Quor {
namespace detail {

void throwOutOfRange(const char* message) { throw std::out_of_range(message); }

const char* currentExceptionText() {
  try {
    throw;
  } catch (const std::bad_array_new_length&) {
    return "bad array new length";
  } catch (const std::bad_alloc&) {
    return "bad allocation";
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "not a std::exception";
  }
}

}  // namespace detail
}  // namespace Quor
