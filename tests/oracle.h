// An independent answer for normalisation: glibc's timegm and gmtime_r on a
// 64-bit time_t, which count on the proleptic Gregorian calendar.
#ifndef NORMDATE_TESTS_ORACLE_H_
#define NORMDATE_TESTS_ORACLE_H_

#include <normdate/date.h>

#include <cstdint>
#include <ctime>
#include <ostream>

namespace oracle {

struct Fields {
  int year, month, day, hour, minute, second;
  friend bool operator==(const Fields&, const Fields&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Fields& f) {
    return o << f.year << '-' << f.month << '-' << f.day << ' ' << f.hour << ':' << f.minute << ':'
             << f.second;
  }
};

inline std::int64_t floorMod(std::int64_t value, std::int64_t divisor) {
  return ((value % divisor) + divisor) % divisor;
}

// The fields of 0000-01-01 + `seconds` seconds, the year wrapped into 0..9999.
inline Fields fromTime(std::time_t seconds) {
  std::tm split{};
  gmtime_r(&seconds, &split);
  return {static_cast<int>(floorMod(std::int64_t{split.tm_year} + 1900, 10000)),
          split.tm_mon + 1,
          split.tm_mday,
          split.tm_hour,
          split.tm_min,
          split.tm_sec};
}

// Normalises six int fields; the month may be any 64-bit value of magnitude
// below 2^40. Only the month is carried into the year here, and the year
// reduced modulo 10000 (whole 400-year cycles, so the answer is the same), so
// that tm_year and tm_mon cannot overflow; timegm carries everything else.
inline Fields normalise(std::int64_t year, std::int64_t month, int day, int hour, int minute,
                        int second) {
  const std::int64_t monthOfYear = floorMod(month - 1, 12);
  const std::int64_t carriedYear = year + (month - 1 - monthOfYear) / 12;
  std::tm fields{};
  fields.tm_year = static_cast<int>(floorMod(carriedYear, 10000) - 1900);
  fields.tm_mon = static_cast<int>(monthOfYear);
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  return fromTime(timegm(&fields));
}

// Seconds from 1970-01-01 00:00:00 to the date with these (valid) fields.
inline std::time_t toTime(const Fields& f) {
  std::tm fields{};
  fields.tm_year = f.year - 1900;
  fields.tm_mon = f.month - 1;
  fields.tm_mday = f.day;
  fields.tm_hour = f.hour;
  fields.tm_min = f.minute;
  fields.tm_sec = f.second;
  return timegm(&fields);
}

// The date moved by the interval unit by unit, smallest first: seconds to
// days as elapsed time, then months, then years, each normalised.
inline Fields sum(const Fields& start, const Date::DateInterval& interval) {
  std::time_t t = toTime(start);
  t += std::time_t{interval.getSecond()} + std::time_t{interval.getMinute()} * 60 +
       std::time_t{interval.getHour()} * 3600 + std::time_t{interval.getDay()} * 86400;
  Fields f = fromTime(t);
  f = normalise(f.year, std::int64_t{f.month} + interval.getMonth(), f.day, f.hour, f.minute,
                f.second);
  return normalise(std::int64_t{f.year} + interval.getYear(), f.month, f.day, f.hour, f.minute,
                   f.second);
}

inline Fields of(const Date::Date& d) {
  return {d.getYear(), d.getMonth(), d.getDay(), d.getHour(), d.getMinute(), d.getSecond()};
}

}  // namespace oracle

#endif  // NORMDATE_TESTS_ORACLE_H_
