// A link-time stand-in for the C library's clock: this test program defines
// time() and gmtime_r() itself, so the library's clock constructors read
// whatever moment a test sets, including readings no real clock gives.
#ifndef NORMDATE_TESTS_FAKE_CLOCK_H_
#define NORMDATE_TESTS_FAKE_CLOCK_H_

#include <ctime>

namespace fakeclock {

// The clock reads `now`, and gmtime_r splits it on the proleptic Gregorian
// calendar (computed with std::chrono, not the C library).
void set(std::time_t now);

// The clock reads some moment, and gmtime_r gives exactly `split` for it.
void setSplit(const std::tm& split);

// time() fails (returns -1), or gmtime_r() fails (returns a null pointer).
void failRead();
void failSplit();

// How many times time() has been called since the last set.
int reads();

// The split of a clock reading with these fields, for setSplit.
std::tm splitOf(int year, int month, int day, int hour, int minute, int second);

}  // namespace fakeclock

#endif  // NORMDATE_TESTS_FAKE_CLOCK_H_
