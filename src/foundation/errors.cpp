#include "foundation/errors.h"

#include <stdexcept>

namespace Quor {
namespace detail {

void throwOutOfRange(const char* message) { throw std::out_of_range(message); }

}  // namespace detail
}  // namespace Quor
