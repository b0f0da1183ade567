// Timestamps against exact 128-bit arithmetic on nanoseconds since 1970
// (with glibc's gmtime for the fields): carries, std::chrono durations and
// time points of every kind of tick, sums, differences, ISO text and token
// formats.

#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/timestamp.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <utility>

#include "oracle.h"

namespace {

using namespace std::chrono;
using Date::Timestamp;

__extension__ typedef __int128 Int128;  // the oracle's arithmetic, beyond 64 bits

constexpr Int128 kBillion = 1'000'000'000;
constexpr Int128 kCycle = Int128{3652425} * 86400;  // seconds in 10000 years
constexpr std::int64_t kFirst = -62167219200;       // 0000-01-01 00:00:00
constexpr std::int64_t kLast = 253402300799;        // 9999-12-31 23:59:59

Int128 floorDiv(Int128 value, Int128 divisor) {
  const Int128 quotient = value / divisor;
  return quotient - (value % divisor != 0 && (value < 0) != (divisor < 0) ? 1 : 0);
}

Int128 nanosOf(const Timestamp& t) {
  return Int128{t.getDate().toSysSeconds().time_since_epoch().count()} * kBillion +
         t.getNanosecond();
}

// The instant `nanos` nanoseconds after 1970, the year wrapped, as the
// oracle sees it.
std::pair<oracle::Fields, int> expectedAt(Int128 nanos) {
  const Int128 seconds = floorDiv(nanos, kBillion);
  const auto reduced = static_cast<std::int64_t>((seconds % kCycle + kCycle) % kCycle);
  return {oracle::fromTime(reduced), static_cast<int>(nanos - seconds * kBillion)};
}

::testing::AssertionResult isAt(const Timestamp& t, Int128 nanos) {
  const auto [fields, nanosecond] = expectedAt(nanos);
  if (oracle::of(t.getDate()) == fields && t.getNanosecond() == nanosecond) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << t.toIsoString() << " is not " << fields << " and " << nanosecond << " ns";
}

Timestamp randomTimestamp(std::mt19937_64& random) {
  const auto seconds = std::uniform_int_distribution<std::int64_t>(kFirst, kLast)(random);
  return {Date::Date::fromTimeT(seconds),
          std::uniform_int_distribution<std::int64_t>(0, 999'999'999)(random)};
}

// Any count, large or small, of a duration's ticks.
template <class Rep>
Rep randomCount(std::mt19937_64& random) {
  const bool small = random() % 2 == 0;
  const auto low = small ? std::max<std::int64_t>(-1000000, std::numeric_limits<Rep>::min())
                         : static_cast<std::int64_t>(std::numeric_limits<Rep>::min());
  if constexpr (std::is_unsigned_v<Rep> && sizeof(Rep) == 8) {
    return small ? random() % 1000000 : random();
  } else {
    const auto high = static_cast<std::int64_t>(
        small ? std::min<std::int64_t>(1000000, std::numeric_limits<Rep>::max())
              : std::numeric_limits<Rep>::max());
    return static_cast<Rep>(std::uniform_int_distribution<std::int64_t>(low, high)(random));
  }
}

// Time points, sums and differences of one kind of duration against the
// exact value of count * num / den seconds.
template <class Duration>
void checkDurations(std::mt19937_64& random) {
  using Rep = typename Duration::rep;
  using Period = typename Duration::period;
  for (int i = 0; i < 4000; ++i) {
    const Rep count = randomCount<Rep>(random);
    const Int128 scaled = Int128{count} * Period::num * kBillion;  // nanoseconds times den
    const Int128 floored = floorDiv(scaled, Period::den);
    const Int128 ceiled = -floorDiv(-scaled, Period::den);
    ASSERT_TRUE(isAt(Timestamp(sys_time<Duration>(Duration(count))), floored))
        << std::to_string(count);
    const Timestamp base = randomTimestamp(random);
    ASSERT_TRUE(isAt(base + Duration(count), nanosOf(base) + floored)) << base.toIsoString();
    ASSERT_TRUE(isAt(base - Duration(count), nanosOf(base) - ceiled)) << base.toIsoString();
    // Back to a time point of this duration: floored, or nothing where the
    // count cannot hold it.
    const Int128 ticks = floorDiv(nanosOf(base) * Period::den, Int128{Period::num} * kBillion);
    const bool fits =
        ticks >= std::numeric_limits<Rep>::min() && ticks <= std::numeric_limits<Rep>::max();
    const std::optional<sys_time<Duration>> back = base.template tryToSysTime<Duration>();
    ASSERT_EQ(back.has_value(), fits) << base.toIsoString();
    const Rep saturated = base.getDate().getYear() < 1970 ? std::numeric_limits<Rep>::min()
                                                          : std::numeric_limits<Rep>::max();
    ASSERT_EQ(base.template toSysTime<Duration>().time_since_epoch().count(),
              fits ? static_cast<Rep>(ticks) : saturated);
  }
}

TEST(Timestamp, EveryKindOfDurationConvertsExactly) {
  std::mt19937_64 random(83);
  checkDurations<nanoseconds>(random);
  checkDurations<microseconds>(random);
  checkDurations<milliseconds>(random);
  checkDurations<seconds>(random);
  checkDurations<minutes>(random);
  checkDurations<days>(random);
  checkDurations<years>(random);
  checkDurations<duration<std::int64_t, std::ratio<1, 3>>>(random);
  checkDurations<duration<std::int64_t, std::ratio<7, 3>>>(random);
  checkDurations<duration<std::int64_t, std::pico>>(random);
  checkDurations<duration<std::int32_t, std::milli>>(random);
  checkDurations<duration<std::int16_t, std::centi>>(random);
  checkDurations<duration<std::uint64_t, std::nano>>(random);
  checkDurations<duration<std::uint32_t, std::ratio<60>>>(random);
  // Ticks of more than 2^32 seconds and of less than 2^-32 of one.
  checkDurations<duration<std::int64_t, std::ratio<10'000'000'000>>>(random);
  checkDurations<duration<std::int64_t, std::femto>>(random);
}

TEST(Timestamp, CarriesAnyCountOfNanosecondsIntoTheDate) {
  static_assert(Timestamp(Date::Date(2026, Date::Dec, 31, 23, 59, 59), 1'500'000'000) ==
                Timestamp(Date::Date(2027, Date::Jan, 1), 500'000'000));
  static_assert(Timestamp() == Timestamp(Date::Date(1970, Date::Jan, 1)));
  static_assert(Timestamp().getNanosecond() == 0);
  std::mt19937_64 random(89);
  for (int i = 0; i < 100000; ++i) {
    const Date::Date whole = randomTimestamp(random).getDate();
    const auto nanos = i % 2 == 0 ? static_cast<std::int64_t>(random())
                                  : std::uniform_int_distribution<std::int64_t>(
                                        -3'000'000'000, 3'000'000'000)(random);
    const Int128 expected =
        Int128{whole.toSysSeconds().time_since_epoch().count()} * kBillion + nanos;
    ASSERT_TRUE(isAt(Timestamp(whole, nanos), expected)) << whole << " + " << nanos;
  }
  // A clock leap second is the next minute's first second.
  EXPECT_EQ(Timestamp(Date::Date(2016, Date::Dec, 31, 23, 59, 59).addSecond(0), 0).getDate(),
            Date::Date(2016, Date::Dec, 31, 23, 59, 59));
}

// Time points of the standard precisions round trip over every year they
// hold, and the difference of two timestamps is exact or saturated.
TEST(Timestamp, TimePointsRoundTripAndDifferencesAreExact) {
  // Nanosecond counts are read on two paths, split where the least day of
  // 64 bits begins.
  constexpr std::int64_t leastDay = -106751 * std::int64_t{86'400'000'000'000};
  for (const std::int64_t count :
       {std::numeric_limits<std::int64_t>::min(), leastDay - 1, leastDay, leastDay + 1,
        std::int64_t{-1}, std::int64_t{0}, std::numeric_limits<std::int64_t>::max()}) {
    const Timestamp t{sys_time<nanoseconds>(nanoseconds(count))};
    ASSERT_TRUE(isAt(t, count)) << count;
    ASSERT_EQ(t.toSysTime().time_since_epoch().count(), count);
  }
  std::mt19937_64 random(97);
  for (int i = 0; i < 100000; ++i) {
    const Timestamp t = randomTimestamp(random);
    const Timestamp micro(t.toSysTime<microseconds>());
    ASSERT_EQ(Timestamp(micro.toSysTime<microseconds>()), micro);
    ASSERT_EQ(micro, Timestamp(t.getDate(), t.getNanosecond() / 1000 * 1000));
    ASSERT_EQ(Timestamp(t.toSysTime<seconds>()), Timestamp(t.getDate()));
    const nanoseconds count(static_cast<std::int64_t>(random()));
    ASSERT_EQ(Timestamp(sys_time<nanoseconds>(count)).toSysTime(), sys_time<nanoseconds>(count));
    const Timestamp u = randomTimestamp(random);
    const Int128 difference = nanosOf(t) - nanosOf(u);
    const std::int64_t expected = difference > std::numeric_limits<std::int64_t>::max()
                                      ? std::numeric_limits<std::int64_t>::max()
                                  : difference < std::numeric_limits<std::int64_t>::min()
                                      ? std::numeric_limits<std::int64_t>::min()
                                      : static_cast<std::int64_t>(difference);
    ASSERT_EQ((t - u).count(), expected);
    ASSERT_EQ(t < u, nanosOf(t) < nanosOf(u));
  }
  // Differences within a few seconds of the greatest and least counts, both
  // ways round, exact where they fit and saturated where not.
  const Timestamp epoch;
  for (const std::int64_t edge :
       {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}) {
    const Timestamp far{sys_time<nanoseconds>(nanoseconds(edge))};
    for (std::int64_t step = -3'000'000'000; step <= 3'000'000'000; step += 9'973'501) {
      for (const std::int64_t shift :
           {step, step / 1000 * 1000, std::int64_t{1}, std::int64_t{-1}}) {
        const Timestamp t = far + nanoseconds(shift);
        for (const auto& [a, b] : {std::pair{t, epoch}, std::pair{epoch, t}}) {
          const Int128 exact = nanosOf(a) - nanosOf(b);
          const Int128 clamped = std::clamp<Int128>(exact, std::numeric_limits<std::int64_t>::min(),
                                                    std::numeric_limits<std::int64_t>::max());
          ASSERT_EQ((a - b).count(), static_cast<std::int64_t>(clamped)) << a.toIsoString();
        }
      }
    }
  }
}

// ISO text: written with every count of digits and read back, and random
// RFC 3339 texts with 1 to 12 fraction digits and every offset form.
TEST(Timestamp, IsoTextRoundTripsAndReadsEveryForm) {
  std::mt19937_64 random(101);
  for (int i = 0; i < 20000; ++i) {
    const Timestamp t = randomTimestamp(random);
    ASSERT_EQ(Timestamp::parseIso(t.toIsoString()), t) << t.toIsoString();
    int scale = 1'000'000'000;
    for (int digits = 0; digits <= 9; ++digits, scale /= 10) {
      const std::string text = t.toIsoString(digits);
      ASSERT_EQ(text.size(), digits == 0 ? 20u : 21u + static_cast<unsigned>(digits));
      ASSERT_EQ(Timestamp::parseIso(text),
                Timestamp(t.getDate(), t.getNanosecond() / scale * scale));
    }
    // Counts beyond 0..9 are clamped.
    ASSERT_EQ(t.toIsoString(10), t.toIsoString(9));
    ASSERT_EQ(t.toIsoString(std::numeric_limits<int>::min()), t.toIsoString(0));
  }
  for (int i = 0; i < 100000; ++i) {
    const Timestamp t = randomTimestamp(random);
    const int digits = static_cast<int>(random() % 12) + 1;
    std::string text = t.getDate().toIsoString().substr(0, 19) + (random() % 2 == 0 ? "." : ",");
    std::string fraction;
    for (int d = 0; d < digits; ++d) fraction += static_cast<char>('0' + random() % 10);
    text += fraction;
    const int offsetHours = static_cast<int>(random() % 24);
    const int offsetMinutes = static_cast<int>(random() % 60);
    const int offsetSeconds = static_cast<int>(random() % 60);
    const int sign = random() % 2 == 0 ? 1 : -1;
    const std::array<std::string, 5> forms = {"Z", "+hh:mm:ss", "+hh:mm", "+hhmm", "+hh"};
    const std::string& form = forms[random() % forms.size()];
    int offset = 0;
    if (form != "Z") {
      const auto two = [](int n) {
        return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
      };
      text += sign > 0 ? "+" : "-";
      text += two(offsetHours);
      offset = offsetHours * 3600;
      if (form.size() >= 5) {
        text += (form[3] == ':' ? ":" : "") + two(offsetMinutes);
        offset += offsetMinutes * 60;
      }
      if (form.size() == 9) {
        text += ":" + two(offsetSeconds);
        offset += offsetSeconds;
      }
      offset *= sign;
    } else {
      text += random() % 2 == 0 ? "Z" : "z";
    }
    const int nanos = std::stoi((fraction + "000000000").substr(0, 9));
    const Int128 expected =
        (Int128{t.getDate().toSysSeconds().time_since_epoch().count()} - offset) * kBillion + nanos;
    const std::optional<Date::OffsetTimestamp> read = Timestamp::tryParseIsoWithOffset(text);
    ASSERT_TRUE(read.has_value()) << text;
    ASSERT_TRUE(isAt(read->utc, expected)) << text;
    ASSERT_EQ(read->offsetSeconds, offset) << text;
    ASSERT_EQ(Timestamp::tryParseIso(text), read->utc) << text;
  }
  // Instants read in the order they happened, through a leap second.
  const std::array<const char*, 6> inOrder = {
      "2016-12-31T23:59:59.999999999Z", "2016-12-31T23:59:60Z", "2016-12-31T23:59:60.1Z",
      "2016-12-31T23:59:60.999999999Z", "2017-01-01T00:00:00Z", "2017-01-01T00:00:00.100Z"};
  for (std::size_t i = 1; i < inOrder.size(); ++i) {
    EXPECT_LE(Timestamp::parseIso(inOrder[i - 1]), Timestamp::parseIso(inOrder[i])) << inOrder[i];
  }
  EXPECT_EQ(Timestamp::parseIso("2016-12-31T23:59:60.900Z").toIsoString(), "2017-01-01T00:00:00Z");
}

// Token formats written and read back; the fraction's tokens truncate.
TEST(Timestamp, TokenFormatsRoundTrip) {
  struct Format {
    const char* tokens;
    int scale;  // what the fraction token keeps: 10^(9 - digits)
  };
  const std::array<Format, 6> formats = {{{"YYYY-MM-DD hh:mm:ss.fff", 1'000'000},
                                          {"DD.MM.YYYY hh:mm:ss,ffffff", 1'000},
                                          {"YYYYMMDDhhmmssfffffffff", 1},
                                          {"fffffffff ss mm hh DD MMM YYYY", 1},
                                          {"hh:mm:ss.fff ffff ff f", 1'000'000},
                                          {"YYYY-MMM-DD hh:mm:ss", 1'000'000'000}}};
  std::mt19937_64 random(103);
  for (int i = 0; i < 20000; ++i) {
    Timestamp t = randomTimestamp(random);
    if (t.getDate().getYear() < 1000) t = t + years(1000);  // a year of four digits
    ASSERT_EQ(Timestamp::parse(t.toString()), t) << t;
    for (const Format& f : formats) {
      const std::string text = t.toString(f.tokens);
      const Timestamp expected(t.getDate(), t.getNanosecond() / f.scale * f.scale);
      if (f.tokens[0] == 'h') {  // no date: compare the time of day
        ASSERT_EQ(Timestamp::parse(text, f.tokens),
                  Timestamp(Date::Date(0, Date::Jan, 1, t.getDate().getHour(),
                                       t.getDate().getMinute(), t.getDate().getSecond()),
                            expected.getNanosecond()))
            << text;
      } else {
        ASSERT_EQ(Timestamp::parse(text, f.tokens), expected) << f.tokens << ": " << text;
      }
    }
  }
  const Timestamp t(Date::Date(2026, Date::Dec, 6, 2, 4, 49), 250'123'456);
  EXPECT_EQ(t.toString("hh:mm:ss.fff ffff ff fffffffff"), "02:04:49.250 250f ff 250123456");
  EXPECT_EQ(t.toString(), "2026-Dec-06 02:04:49.250123456");
  EXPECT_EQ(Timestamp(t.getDate(), 250'000'000).toString(), "2026-Dec-06 02:04:49.250");
  EXPECT_EQ(Timestamp(t.getDate()).toString(), "2026-Dec-06 02:04:49");
  std::string line = "ss.fffffffff";
  t.toString(line, line);  // a format that views the text written
  EXPECT_EQ(line, "49.250123456");
}

struct Rejected {
  std::string text;
  std::string format;  // empty: the default form
  const char* message;
};

TEST(Timestamp, RejectedTextsSayWhatWasExpected) {
  const std::array<Rejected, 5> cases = {{
      {"2026-Dec-06 02:04:49.25", "",
       R"(expected the end of the text at offset 20 of "2026-Dec-06 02:04:49.25", found ".25")"},
      {"06.12.2026 02:04:49.12x", "DD.MM.YYYY hh:mm:ss.fff",
       R"(expected the fraction (3 digits) at offset 20 of "06.12.2026 02:04:49.12x", found "12x")"},
      {"02:04:49.1234", "hh:mm:ss.ffffff",
       R"(expected the fraction (6 digits) at offset 9 of "02:04:49.1234", found "1234")"},
      {"02:04:49.1234", "hh:mm:ss.ffff",
       R"(expected "f" at offset 12 of "02:04:49.1234", found "4")"},
      {"2026-12-06T02:04:49.", "iso",
       R"(expected a digit of the fraction at offset 20 of "2026-12-06T02:04:49.", found the end of the text)"},
  }};
  for (const Rejected& c : cases) {
    const bool iso = c.format == "iso";
    try {
      (void)(iso                ? Timestamp::parseIso(c.text)
             : c.format.empty() ? Timestamp::parse(c.text)
                                : Timestamp::parse(c.text, c.format));
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const Date::ParseError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
    EXPECT_FALSE((iso                ? Timestamp::tryParseIso(c.text)
                  : c.format.empty() ? Timestamp::tryParse(c.text)
                                     : Timestamp::tryParse(c.text, c.format))
                     .has_value());
  }
}

}  // namespace
