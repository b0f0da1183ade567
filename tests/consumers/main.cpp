// A program that uses normdate the way its users do, in a code base that
// has its own global `int64` (as many older ones do): the library's headers
// must declare no name outside namespace Date.
typedef long long int64;  // NOLINT(modernize-use-using): older code's own spelling

#include <normdate/business.h>
#include <normdate/date.h>
#include <normdate/recurrence.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>

#include <iostream>

int main() {
  const int64 days = Date::Date(2010, Date::Jan, 1).daysUntil(Date::Date(2010, Date::Feb, 1));
  std::cout << Date::Date(2010, Date::Feb, 30, 22, 59, 72) << '\n';
  const Date::Recurrence lastFridays =
      Date::Recurrence::parse("FREQ=MONTHLY;BYDAY=-1FR", Date::Date(2010, Date::Jan, 1));
  const Date::Date february = *lastFridays.next(Date::Date(2010, Date::Feb, 1));
  const Date::BusinessCalendar weekdays;
  const Date::Timestamp t = Date::Timestamp::strptime("2010-02-26 10:00", "%F %R");
  const bool worked = weekdays.nextBusinessDay(february) == Date::Date(2010, Date::Mar, 1) &&
                      t.until(t.add({.months = 1}), {.largest = Date::Unit::Month}).months == 1;
  return days == 31 && february == Date::Date(2010, Date::Feb, 26) && worked ? 0 : 1;
}
