// Two dates and an interval into getInterval, addInterval, invert and the
// stream form, checked against the properties the interval tests use and
// against glibc as an oracle.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/date.h>
#include <normdate/interval.h>

#include <climits>
#include <cstdint>
#include <sstream>
#include <string>

#include "check.h"
#include "oracle.h"

namespace {

Date::Date consumeDate(FuzzedDataProvider& in) {
  return {in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
          in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>()};
}

Date::DateInterval inverted(Date::DateInterval interval) {
  interval.invert();
  return interval;
}

std::string text(const Date::DateInterval& interval) {
  std::ostringstream out;
  out << interval;
  return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Date::Date a = consumeDate(in);
  // Often a partner close to the first date, where the borrows matter most.
  const Date::Date b =
      in.ConsumeBool() ? consumeDate(in) : a.addSecond(in.ConsumeIntegralInRange(-200000, 200000));
  const Date::DateInterval interval(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                                    in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                                    in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>());

  FUZZ_CHECK(a.getInterval(a) == Date::DateInterval(), a);
  const Date::DateInterval ab = a.getInterval(b);
  FUZZ_CHECK(b.getInterval(a) == inverted(ab), a << " and " << b);
  const int sign = a < b ? -1 : 1;
  for (const int field :
       {ab.getYear(), ab.getMonth(), ab.getHour(), ab.getMinute(), ab.getSecond()}) {
    FUZZ_CHECK(sign * field >= 0, a << " - " << b << " = " << text(ab));
  }
  FUZZ_CHECK(sign * ab.getDay() >= -1, a << " - " << b << " = " << text(ab));

  const Date::Date moved = a.addInterval(interval);
  FUZZ_CHECK(oracle::of(moved) == oracle::sum(oracle::of(a), interval),
             a << " + " << text(interval) << " = " << moved);

  const Date::DateInterval twice = inverted(inverted(interval));
  for (const auto& [original, back] : {std::pair{interval.getYear(), twice.getYear()},
                                       std::pair{interval.getMonth(), twice.getMonth()},
                                       std::pair{interval.getDay(), twice.getDay()},
                                       std::pair{interval.getHour(), twice.getHour()},
                                       std::pair{interval.getMinute(), twice.getMinute()},
                                       std::pair{interval.getSecond(), twice.getSecond()}}) {
    FUZZ_CHECK(back == (original == INT_MIN ? INT_MIN + 1 : original), text(interval));
  }
  const std::string expected =
      '[' + std::to_string(interval.getYear()) + '|' + std::to_string(interval.getMonth()) + '|' +
      std::to_string(interval.getDay()) + '|' + std::to_string(interval.getHour()) + '|' +
      std::to_string(interval.getMinute()) + '|' + std::to_string(interval.getSecond()) + ']';
  FUZZ_CHECK(text(interval) == expected && expected.size() <= 73, text(interval));
  return 0;
}
