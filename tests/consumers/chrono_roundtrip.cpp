// Built for 32-bit targets, where time_t may have 32 bits: every date's
// instant still round-trips exactly through std::chrono, and toTimeT gives
// time_t's limits for dates it cannot hold. Exits non-zero on a mismatch.
#include <normdate/date.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>

int main() {
  using namespace std::chrono;
  int failures = 0;
  const auto check = [&failures](bool ok, const char* what) {
    if (!ok) {
      std::printf("FAIL: %s\n", what);
      ++failures;
    }
  };
  struct Case {
    int year;
    long long seconds;  // 23:59:59 on December 31 of that year
  };
  for (const Case c : {Case{0, -62135596801}, Case{1970, 31535999}, Case{2100, 4133980799},
                       Case{9999, 253402300799}}) {
    const Date::Date d(c.year, Date::Dec, 31, 23, 59, 59);
    check(d.toSysSeconds().time_since_epoch().count() == c.seconds, "toSysSeconds is exact");
    check(Date::Date(d.toSysSeconds()) == d, "the instant converts back to the date");
    check(Date::Date::tryFromSysSeconds(d.toSysSeconds()) == d, "the checked conversion agrees");
    const long long least = std::numeric_limits<std::time_t>::min();
    const long long most = std::numeric_limits<std::time_t>::max();
    const long long expected = c.seconds < least ? least : c.seconds > most ? most : c.seconds;
    check(d.toTimeT() == expected, "toTimeT is exact or gives time_t's limit");
  }
  std::printf("time_t has %zu bits; %s\n", 8 * sizeof(std::time_t),
              failures == 0 ? "ok" : "failed");
  return failures == 0 ? 0 : 1;
}
