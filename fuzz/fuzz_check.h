// The harnesses' assertion: a failed check prints where and aborts, which
// libFuzzer reports as a crash with the input that caused it.
#ifndef QUOR_FUZZ_FUZZ_CHECK_H_
#define QUOR_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

#endif  // QUOR_FUZZ_FUZZ_CHECK_H_
