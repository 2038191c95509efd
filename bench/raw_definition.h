// The baseline reader of factory definition files: what a program writes with
// the C runtime alone. It reads lines with fgets, skips comments, splits each
// line at its first '=', trims both sides and keeps the values of the four
// provider.* keys, compared without regard to letter case. Unlike the
// library's reader it takes the bytes as they are (no UTF-8 decoding, no
// wide characters) and splits lines longer than kRawLineSize - 1 bytes.
#ifndef QUOR_BENCH_RAW_DEFINITION_H_
#define QUOR_BENCH_RAW_DEFINITION_H_

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace bench {

constexpr int kRawLineSize = 4096;
constexpr int kRawFieldCount = 4;

// The values of provider.name, provider.description, provider.implementation
// and provider.service; empty when no line sets them.
struct RawRecord {
  RawRecord() {
    for (char* field : fields) field[0] = '\0';
  }
  char fields[kRawFieldCount][kRawLineSize];
};

inline char* trimInPlace(char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  char* end = text + std::strlen(text);
  while (end > text && std::isspace(static_cast<unsigned char>(end[-1]))) --end;
  *end = '\0';
  return text;
}

// Reads `file` to its end into `record`; the last line that sets a key wins.
inline void rawReadDefinition(std::FILE* file, RawRecord* record) {
  static const char* const kKeys[kRawFieldCount] = {"provider.name", "provider.description",
                                                    "provider.implementation", "provider.service"};
  char line[kRawLineSize];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (line[0] == ';' || line[0] == '#') continue;
    char* equals = std::strchr(line, '=');
    if (equals == nullptr || equals == line) continue;
    *equals = '\0';
    const char* key = trimInPlace(line);
    const char* value = trimInPlace(equals + 1);
    for (int field = 0; field < kRawFieldCount; ++field) {
      if (strcasecmp(key, kKeys[field]) == 0) {
        // A value is never longer than the line that holds it.
        std::strcpy(record->fields[field], value);
        break;
      }
    }
  }
}

}  // namespace bench

#endif  // QUOR_BENCH_RAW_DEFINITION_H_
