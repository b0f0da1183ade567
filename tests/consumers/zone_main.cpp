// A program that uses normdate's time zones the way its users do: to the
// local time of a zone and back, and a zoned time a day later.
#include <normdate/zone.h>
#include <normdate/zoned.h>

#include <iostream>

int main() {
  const Date::TimeZone kathmandu = Date::TimeZone::load("Asia/Kathmandu");
  const Date::Date utc(2010, Date::Feb, 30, 22, 59, 72);
  std::cout << kathmandu.toUtc(kathmandu.toLocal(utc)) << '\n';
  const Date::ZonedTime later = Date::ZonedTime(Date::Timestamp(utc), kathmandu).addDay(1);
  return kathmandu.toIsoString(utc) == "2010-03-03T04:45:12+05:45" &&
                 later.strftime("%F %T %Ez") == "2010-03-04 04:45:12 +05:45"
             ? 0
             : 1;
}
