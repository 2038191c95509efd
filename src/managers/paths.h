// Where the manager loader looks for files beside a module.
#ifndef QUOR_SRC_MANAGERS_PATHS_H_
#define QUOR_SRC_MANAGERS_PATHS_H_

#include "quor/platform.h"
#include "quor/tstring.h"

namespace Quor {
namespace detail {

// The directory of the file from which `module` was loaded, with its trailing
// separator, followed directly by `fileName` (not examined: an absolute name
// is joined too). `fileName` alone when the module's path cannot be had or
// holds no separator.
TString pathBesideModule(HINSTANCE module, const TString& fileName);

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_MANAGERS_PATHS_H_
