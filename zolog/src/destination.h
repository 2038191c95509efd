// Where zolog writes the lines that no handler takes: the file named by
// ZOLOG_FILE, opened when the first line is written, or standard error.
#ifndef ZOLOG_SRC_DESTINATION_H_
#define ZOLOG_SRC_DESTINATION_H_

#include <cstdio>
#include <string>

namespace zolog_output {

class Destination {
 public:
  // With `standardErrorOnly`, standard error whatever ZOLOG_FILE says.
  explicit Destination(bool standardErrorOnly = false) : chosen_(standardErrorOnly) {}
  Destination(const Destination&) = delete;
  Destination& operator=(const Destination&) = delete;
  ~Destination();

  // Writes `line` whole and flushes it. Returns false when it could not be
  // written; the first such failure of the file is reported on standard
  // error, once, so that lost lines do not go unnoticed and a process that
  // logs much does not flood standard error.
  bool write(const std::string& line);

 private:
  std::FILE* file();

  bool chosen_ = false;
  std::FILE* file_ = nullptr;  // ZOLOG_FILE when it opened; else standard error
  std::string path_;
  bool failureReported_ = false;
};

}  // namespace zolog_output

#endif  // ZOLOG_SRC_DESTINATION_H_
