// quor-inspect's output: the report for people, or as JSON, in UTF-8.
#ifndef QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_
#define QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_

#include <string>

#include "inspect.h"

namespace quor_inspect {

// `text` in UTF-8 as the text report shows it: control characters and the
// backslash escaped (\x1b, \u009b, \\), so that it cannot act on a terminal.
std::string shown(const std::wstring& text);

std::string formatText(const Report& report);
std::string formatJson(const Report& report);
std::string formatText(const Listing& listing);
std::string formatJson(const Listing& listing);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_
