// quor-inspect's output: the report for people, or as JSON, in UTF-8.
#ifndef QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_
#define QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_

#include <string>

#include "inspect.h"

namespace quor_inspect {

std::string formatText(const Report& report);
std::string formatJson(const Report& report);
std::string formatText(const Listing& listing);
std::string formatJson(const Listing& listing);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_
