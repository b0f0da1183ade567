// A program that uses normdate the way its users do, in a code base that
// has its own global `int64` (as many older ones do): the library's headers
// must declare no name outside namespace Date.
typedef long long int64;  // NOLINT(modernize-use-using): older code's own spelling

#include <normdate/date.h>
#include <normdate/recurrence.h>

#include <iostream>

int main() {
  const int64 days = Date::Date(2010, Date::Jan, 1).daysUntil(Date::Date(2010, Date::Feb, 1));
  std::cout << Date::Date(2010, Date::Feb, 30, 22, 59, 72) << '\n';
  const Date::Recurrence lastFridays =
      Date::Recurrence::parse("FREQ=MONTHLY;BYDAY=-1FR", Date::Date(2010, Date::Jan, 1));
  const Date::Date february = *lastFridays.next(Date::Date(2010, Date::Feb, 1));
  return days == 31 && february == Date::Date(2010, Date::Feb, 26) ? 0 : 1;
}
