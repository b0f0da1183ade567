// A failed property is a finding: print it and abort, so that libFuzzer
// keeps the input that caused it.
#ifndef NORMDATE_FUZZ_CHECK_H_
#define NORMDATE_FUZZ_CHECK_H_

#include <cstdlib>
#include <iostream>

#define FUZZ_CHECK(condition, what)                                       \
  do {                                                                    \
    if (!(condition)) {                                                   \
      std::cerr << "property failed: " #condition "\n  " << what << '\n'; \
      std::abort();                                                       \
    }                                                                     \
  } while (false)

#endif  // NORMDATE_FUZZ_CHECK_H_
