// quor-inspect's hints: for mistakes that the factory does not forgive but a
// person easily makes, what to write or rename instead. They change no
// status: the problems that they explain are reported as such already.
#ifndef QUOR_TOOLS_QUOR_INSPECT_HINTS_H_
#define QUOR_TOOLS_QUOR_INSPECT_HINTS_H_

#include <string>
#include <vector>

#include "inspect.h"

namespace quor_inspect {

// One sentence for each mistake seen in `report`, looking at the files around
// the definition file too: a module not found that lies beside the definition
// file, a definition file not found whose name differs only in letter case, a
// provider.name that does not lead to the file that holds it, an entry point
// exported only under its C++ name.
std::vector<std::wstring> hints(const Report& report);

// Why a client that asks for the provider that `listed` names does not reach
// it (the factory looks for "<provider.name>.ini"), or empty when it does or
// the file names no provider.
std::wstring unreachableByName(const Listed& listed);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_HINTS_H_
