// A module whose initialisation does not return, for quor-inspect's tests of
// --load: built once for each way, chosen by QUOR_DYING_WAY: 1 throws from a
// static constructor (which no loader can pass on: the process ends), 2 calls
// abort(), 3 never returns.
#include <cstdlib>
#include <stdexcept>

namespace {

struct Initialisation {
  Initialisation() {
#if QUOR_DYING_WAY == 1
    throw std::runtime_error("a module's static constructor threw");
#elif QUOR_DYING_WAY == 2
    std::abort();
#else
    for (volatile bool forever = true; forever;) {
    }
#endif
  }
};

Initialisation initialisation;

}  // namespace
