// quor-inspect's output: the report for people, or as JSON, in UTF-8.
#ifndef QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_
#define QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_

#include <cstdio>
#include <string>

#include "inspect.h"

namespace quor_inspect {

// `text` in UTF-8 as the text report shows it: control characters escaped
// (\x1b, \u009b), so that it cannot act on a terminal. A backslash stays as it
// is, so that Windows paths read as paths; --json gives every text exactly.
std::string shown(const std::wstring& text);

// Write the report to `out`, as it is made: a report holds every line of a
// file of up to 1 MiB, and its text is not built in memory first.
void writeText(const Report& report, std::FILE* out);
void writeJson(const Report& report, std::FILE* out);
void writeText(const Listing& listing, std::FILE* out);
void writeJson(const Listing& listing, std::FILE* out);

}  // namespace quor_inspect

#endif  // QUOR_TOOLS_QUOR_INSPECT_OUTPUT_H_
