// Fields into every constructor and every shift, checked against glibc's
// timegm and gmtime_r as an independent oracle.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/date.h>

#include <cstdint>

#include "check.h"
#include "oracle.h"

namespace {

void checkValid(const Date::Date& d) {
  const oracle::Fields f = oracle::of(d);
  FUZZ_CHECK(f == oracle::fromTime(oracle::toTime(f)), "not a normalised date: " << f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int year = in.ConsumeIntegral<int>();
  const int month = in.ConsumeIntegral<int>();
  const int day = in.ConsumeIntegral<int>();
  const int hour = in.ConsumeIntegral<int>();
  const int minute = in.ConsumeIntegral<int>();
  const int second = in.ConsumeIntegral<int>();
  const int amount = in.ConsumeIntegral<int>();

  const Date::Date d(year, month, day, hour, minute, second);
  const oracle::Fields expected = oracle::normalise(year, month, day, hour, minute, second);
  FUZZ_CHECK(oracle::of(d) == expected, oracle::of(d) << " != oracle " << expected);
  checkValid(d);
  const Date::Date byMonth(year, static_cast<Date::Month>(month), day, hour, minute, second);
  FUZZ_CHECK(byMonth == d, "the Month constructor differs: " << byMonth);
  const Date::Date dateOnly(year, static_cast<Date::Month>(month), day);
  FUZZ_CHECK(oracle::of(dateOnly) == oracle::normalise(year, month, day, 0, 0, 0),
             "date-only constructor: " << dateOnly);

  const oracle::Fields start = oracle::of(d);
  const std::int64_t n = amount;
  const std::time_t t = oracle::toTime(start);
  FUZZ_CHECK(oracle::of(d.addSecond(amount)) == oracle::fromTime(t + n), "addSecond " << n);
  FUZZ_CHECK(oracle::of(d.addMinute(amount)) == oracle::fromTime(t + 60 * n), "addMinute " << n);
  FUZZ_CHECK(oracle::of(d.addHour(amount)) == oracle::fromTime(t + 3600 * n), "addHour " << n);
  FUZZ_CHECK(oracle::of(d.addDay(amount)) == oracle::fromTime(t + 86400 * n), "addDay " << n);
  FUZZ_CHECK(
      oracle::of(d.addMonth(amount)) == oracle::normalise(start.year, start.month + n, start.day,
                                                          start.hour, start.minute, start.second),
      "addMonth " << n);
  FUZZ_CHECK(
      oracle::of(d.addYear(amount)) == oracle::normalise(start.year + n, start.month, start.day,
                                                         start.hour, start.minute, start.second),
      "addYear " << n);
  return 0;
}
