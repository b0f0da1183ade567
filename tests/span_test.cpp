// Spans: differences with every option, sums and rounding of plain and
// zoned date-times against the Temporal proposal's polyfill; the round
// trip of differences; ties of every rounding mode; ISO 8601 durations
// both ways with every refusal; spans of any size.

#include <gtest/gtest.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>
#if !defined(NORMDATE_WITHOUT_ZONE)
#include <normdate/zoned.h>
#endif

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Date::RoundingMode;
using Date::Span;
using Date::Timestamp;
using Date::Unit;

constexpr std::array<const char*, 10> kUnits = {"year",        "month",     "week",   "day",
                                                "hour",        "minute",    "second", "millisecond",
                                                "microsecond", "nanosecond"};
constexpr std::array<const char*, 9> kModes = {"ceil",       "floor",     "expand",
                                               "trunc",      "halfCeil",  "halfFloor",
                                               "halfExpand", "halfTrunc", "halfEven"};

// Plain text for Temporal: the timestamp's fields without a zone.
std::string plainText(const Timestamp& t) {
  const std::string iso = t.toIsoString(9);
  return iso.substr(0, iso.size() - 1);
}

// An increment `smallest` takes, as Temporal allows them.
std::int64_t incrementFor(Unit smallest, std::mt19937_64& random) {
  static constexpr std::array<std::int64_t, 7> hours = {1, 2, 3, 4, 6, 8, 12};
  static constexpr std::array<std::int64_t, 11> sixties = {1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30};
  static constexpr std::array<std::int64_t, 9> thousands = {1, 2, 4, 5, 8, 10, 25, 125, 500};
  static constexpr std::array<std::int64_t, 5> dates = {1, 2, 3, 5, 10};
  if (random() % 2 == 0) return 1;
  switch (smallest) {
    case Unit::Hour: return hours[random() % hours.size()];
    case Unit::Minute:
    case Unit::Second: return sixties[random() % sixties.size()];
    case Unit::Millisecond:
    case Unit::Microsecond:
    case Unit::Nanosecond: return thousands[random() % thousands.size()];
    default: return dates[random() % dates.size()];
  }
}

// One question for the oracle, and our answer to it.
struct Question {
  std::string line;
  std::string ours;
  bool zoned;  // whose answer reads as a zoned time, or a plain one, or a span
  bool instant;
};

class Oracle {
 public:
  void ask(std::string line, std::string ours, bool zoned, bool instant) {
    questions.push_back({std::move(line), std::move(ours), zoned, instant});
  }

  // Asks node, and compares every answer with ours.
  void check() {
    const std::string input = ::testing::TempDir() + "span_questions.txt";
    const std::string output = ::testing::TempDir() + "span_answers.txt";
    {
      std::ofstream file(input);
      for (const Question& q : questions) file << q.line << '\n';
    }
    const std::string command = std::string(NORMDATE_NODE) + " " + NORMDATE_SPAN_ORACLE + " " +
                                NORMDATE_TEMPORAL_POLYFILL + " < " + input + " > " + output;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream answers(output);
    for (const Question& q : questions) {
      std::string answer;
      ASSERT_TRUE(std::getline(answers, answer)) << "no answer to " << q.line;
      if (!q.instant) {
        ASSERT_EQ(q.ours, answer) << q.line;
#if !defined(NORMDATE_WITHOUT_ZONE)
      } else if (q.zoned) {
        ASSERT_EQ(q.ours, Date::ZonedTime::parse(answer).toString()) << q.line << " -> " << answer;
#endif
      } else {
        ASSERT_EQ(q.ours, Timestamp::parseIso(answer + "Z").toIsoString()) << q.line;
      }
    }
  }

 private:
  std::vector<Question> questions;
};

std::string tab(std::initializer_list<std::string> parts) {
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : "\t") + part;
  return line;
}

struct Options {
  Date::DifferenceOptions options;
  std::string text;  // as the oracle reads them
};

Options randomOptions(std::mt19937_64& random, bool nearby) {
  // Below a second, a largest unit needs the pair near each other.
  const auto largest = static_cast<Unit>(random() % (nearby ? 10 : 7));
  const auto smallest = static_cast<Unit>(
      static_cast<int>(largest) +
      static_cast<int>(random() % static_cast<std::uint64_t>(10 - static_cast<int>(largest))));
  const auto mode = static_cast<RoundingMode>(random() % 9);
  const std::int64_t increment = incrementFor(smallest, random);
  return {
      {largest, smallest, increment, mode},
      tab({kUnits[static_cast<std::size_t>(largest)], kUnits[static_cast<std::size_t>(smallest)],
           std::to_string(increment), kModes[static_cast<std::size_t>(mode)]})};
}

// A second instant near the first: the same day, days, months or years on,
// and often half a unit past a whole one, where rounding modes differ.
Timestamp near(const Timestamp& a, std::mt19937_64& random) {
  static constexpr std::int64_t day = 86400;
  static constexpr std::array<std::int64_t, 6> reach = {3600,      day * 3,     day * 70,
                                                        day * 800, day * 36600, 1800};
  const std::int64_t span = reach[random() % reach.size()];
  std::int64_t seconds =
      static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(2 * span)) - span;
  if (random() % 4 == 0) seconds = seconds / 3600 * 3600 + 1800;  // a tie of the hour
  return a + std::chrono::seconds(seconds) +
         std::chrono::nanoseconds(random() % 3 == 0 ? 0 : random() % 1'000'000'000);
}

Timestamp randomTimestamp(std::mt19937_64& random, int firstYear, int lastYear) {
  const std::int64_t first = Date::Date(firstYear, Date::Jan, 1).toTimeT();
  const std::int64_t last = Date::Date(lastYear, Date::Dec, 31).toTimeT();
  const std::int64_t seconds =
      first + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(last - first));
  return Timestamp::fromUnixTime(seconds, random() % 2 == 0 ? 0 : random() % 1'000'000'000);
}

Span randomSpan(std::mt19937_64& random) {
  const int sign = random() % 2 == 0 ? 1 : -1;
  const auto pick = [&](std::int64_t most) {
    return random() % 3 == 0
               ? 0
               : sign * static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(most));
  };
  return {pick(300),    pick(400),    pick(100),     pick(1000),
          pick(100000), pick(100000), pick(1000000), pick(std::int64_t{1} << 40)};
}

TEST(Span, AgreesWithTemporal) {
  std::mt19937_64 random(34);
  Oracle oracle;
  for (int i = 0; i < 6000; ++i) {
    const Timestamp a = randomTimestamp(random, 1000, 8000);
    const Timestamp b = near(a, random);
    // Temporal holds counts in doubles: below a second, exact to 104 days.
    const Options o = randomOptions(random, std::chrono::abs(b - a) < std::chrono::hours(24 * 100));
    const bool until = i % 2 == 0;
    const Span ours = until ? a.until(b, o.options) : a.since(b, o.options);
    oracle.ask(tab({until ? "until" : "since", "plain", plainText(a), plainText(b), o.text}),
               ours.toIsoString(), false, false);
    const Span span = randomSpan(random);
    oracle.ask(tab({"add", "plain", plainText(a), span.toIsoString()}), a.add(span).toIsoString(),
               false, true);
    const auto unit = static_cast<Unit>(3 + random() % 7);
    const std::int64_t increment = unit == Unit::Day ? 1 : incrementFor(unit, random);
    const auto mode = static_cast<RoundingMode>(random() % 9);
    oracle.ask(tab({"round", "plain", plainText(a), kUnits[static_cast<std::size_t>(unit)],
                    std::to_string(increment), kModes[static_cast<std::size_t>(mode)]}),
               a.round(unit, increment, mode).toIsoString(), false, true);
  }
#if !defined(NORMDATE_WITHOUT_ZONE)
  constexpr std::array<const char*, 8> zones = {
      "Europe/Berlin",     "America/New_York", "Australia/Lord_Howe", "America/Santiago",
      "Africa/Casablanca", "Europe/Dublin",    "Asia/Kathmandu",      "Antarctica/Troll"};
  for (int i = 0; i < 6000; ++i) {
    const Date::TimeZone zone = Date::TimeZone::load(zones[random() % zones.size()]);
    const Date::ZonedTime a(randomTimestamp(random, 1971, 2036), zone);
    const Date::ZonedTime b(near(a.getUtc(), random), zone);
    const Options o = randomOptions(random, std::chrono::abs(b - a) < std::chrono::hours(24 * 100));
    const bool until = i % 2 == 0;
    const Span ours = until ? a.until(b, o.options) : a.since(b, o.options);
    oracle.ask(tab({until ? "until" : "since", "zoned", a.toString(), b.toString(), o.text}),
               ours.toIsoString(), true, false);
    Span span = randomSpan(random);
    span.years %= 20;  // within Temporal's and the database's years
    oracle.ask(tab({"add", "zoned", a.toString(), span.toIsoString()}), a.add(span).toString(),
               true, true);
    const auto unit = static_cast<Unit>(3 + random() % 7);
    const std::int64_t increment = unit == Unit::Day ? 1 : incrementFor(unit, random);
    const auto mode = static_cast<RoundingMode>(random() % 9);
    oracle.ask(tab({"round", "zoned", a.toString(), kUnits[static_cast<std::size_t>(unit)],
                    std::to_string(increment), kModes[static_cast<std::size_t>(mode)]}),
               a.round(unit, increment, mode).toString(), true, true);
  }
#endif
  oracle.check();
}

// With Constrain, a span to any end, largest the year, adds back to it.
TEST(Span, DifferencesAddBackToTheirEnd) {
  std::mt19937_64 random(1);
  for (int i = 0; i < 200000; ++i) {
    const Timestamp a = randomTimestamp(random, 0, 9999);
    const Timestamp b = i % 2 == 0 ? randomTimestamp(random, 0, 9999) : near(a, random);
    ASSERT_EQ(a.add(a.until(b, {.largest = Unit::Year})), b)
        << a.toIsoString() << ' ' << b.toIsoString();
  }
  // Month ends and leap days.
  const Date::Date jan31(2024, Date::Jan, 31);
  EXPECT_EQ(jan31.until(Date::Date(2024, Date::Feb, 29), {.largest = Unit::Year}),
            (Span{.days = 29}));
  EXPECT_EQ(jan31.until(Date::Date(2024, Date::Mar, 1), {.largest = Unit::Year}),
            (Span{.months = 1, .days = 1}));
  EXPECT_EQ(Date::Date(2024, Date::Feb, 29)
                .until(Date::Date(2028, Date::Feb, 28), {.largest = Unit::Year}),
            (Span{.years = 3, .months = 11, .days = 30}));
  EXPECT_EQ(jan31.add({.months = 1}), Date::Date(2024, Date::Feb, 29));
  EXPECT_EQ(jan31.add({.months = 1}, Date::Overflow::Normalise), Date::Date(2024, Date::Mar, 2));
  EXPECT_EQ(jan31.add({.months = 1, .days = 1}), Date::Date(2024, Date::Mar, 1));
}

// Spans of any size add without overflow: whole 10000-year cycles of any
// field move no date.
TEST(Span, SpansOfAnySizeAdd) {
  constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();
  const Timestamp t = Timestamp::parseIso("2026-12-08T10:00:00.5Z");
  // Each field's count moves the date as its remainder by the units of
  // 10000 years does, and subtracting it goes back.
  constexpr std::array<std::int64_t, 7> cycles = {10000,    120000,     521775,      3652425,
                                                  87658200, 5259492000, 315569520000};
  for (const std::int64_t n : {most, least, most - 1, least + 1, std::int64_t{-1}}) {
    for (std::size_t field = 0; field < 8; ++field) {
      Span span;
      Span reduced;
      std::array<std::int64_t*, 8> of = {&span.years,   &span.months,     &span.weeks,
                                         &span.days,    &span.hours,      &span.minutes,
                                         &span.seconds, &span.nanoseconds};
      std::array<std::int64_t*, 8> reducedOf = {
          &reduced.years, &reduced.months,  &reduced.weeks,   &reduced.days,
          &reduced.hours, &reduced.minutes, &reduced.seconds, &reduced.nanoseconds};
      *of[field] = n;
      if (field < cycles.size()) {
        *reducedOf[field] = (n % cycles[field] + cycles[field]) % cycles[field];
      } else {
        reduced.seconds = n / 1'000'000'000 - (n % 1'000'000'000 < 0 ? 1 : 0);
        reduced.nanoseconds = (n % 1'000'000'000 + 1'000'000'000) % 1'000'000'000;
      }
      EXPECT_EQ(t.add(span), t.add(reduced)) << span.toIsoString();
      if (n != least) {
        EXPECT_EQ(t.add(span).subtract(span), t) << span.toIsoString();
      }
    }
    EXPECT_EQ(Span{.years = n}.negated().negated().years, n == least ? -most : n);
  }
  EXPECT_EQ(t.add({.years = 10000 * 3 + 1}), t.add({.years = 1}));
  EXPECT_EQ(t.add({.years = 7974}).toIsoString(), "0000-12-08T10:00:00.500Z");  // wraps
  // A count beyond 64 bits saturates.
  const Timestamp first = Timestamp::parseIso("0000-01-01T00:00:00Z");
  EXPECT_EQ(first.until(t, {.largest = Unit::Nanosecond}).nanoseconds, most);
  EXPECT_EQ(t.until(first, {.largest = Unit::Nanosecond}).nanoseconds, -most);
}

// Ties: every mode, both signs, against what Temporal's table says.
TEST(Span, EveryModeRoundsTiesAsTemporal) {
  const Timestamp a = Timestamp::parseIso("2026-12-08T10:00:00Z");
  const Timestamp b = Timestamp::parseIso("2026-12-08T12:30:00Z");  // 2.5 hours on
  const std::array<std::int64_t, 9> up = {3, 2, 3, 2, 3, 2, 3, 2, 2};
  const std::array<std::int64_t, 9> down = {-2, -3, -3, -2, -2, -3, -3, -2, -2};
  for (std::size_t m = 0; m < kModes.size(); ++m) {
    const Date::DifferenceOptions o{Unit::Hour, Unit::Hour, 1, static_cast<RoundingMode>(m)};
    EXPECT_EQ(a.until(b, o).hours, up[m]) << kModes[m];
    EXPECT_EQ(b.until(a, o).hours, down[m]) << kModes[m];
  }
  EXPECT_EQ(a.until(b, {Unit::Hour, Unit::Hour, 1, RoundingMode::HalfEven}).hours, 2);
  EXPECT_EQ(a.until(b.add({.hours = 1}), {Unit::Hour, Unit::Hour, 1, RoundingMode::HalfEven}).hours,
            4);
  EXPECT_THROW((void)a.until(b, {Unit::Hour, Unit::Day}), std::invalid_argument);
  EXPECT_THROW((void)a.until(b, {Unit::Day, Unit::Hour, 5}), std::invalid_argument);
  EXPECT_THROW((void)a.until(b, {Unit::Day, Unit::Minute, 60}), std::invalid_argument);
  EXPECT_THROW((void)a.round(Unit::Day, 2), std::invalid_argument);
  EXPECT_THROW((void)a.round(Unit::Month), std::invalid_argument);
}

TEST(Span, IsoTextBothWays) {
  const std::pair<const char*, Span> read[] = {
      {"P1Y2M3W4DT5H6M7.25S", {1, 2, 3, 4, 5, 6, 7, 250'000'000}},
      {"-P1D", {.days = -1}},
      {"+pt0,5s", {.nanoseconds = 500'000'000}},
      {"PT36H", {.hours = 36}},
      {"P0D", {}},
      {"-PT1.000000001S", {.seconds = -1, .nanoseconds = -1}},
      {"P9223372036854775807W", {.weeks = std::numeric_limits<std::int64_t>::max()}},
  };
  for (const auto& [text, span] : read) {
    EXPECT_EQ(Span::parseIso(text), span) << text;
    EXPECT_EQ(Span::parseIso(span.toIsoString()), span) << text;
  }
  EXPECT_EQ(Span{}.toIsoString(), "PT0S");
  EXPECT_EQ((Span{.seconds = 1, .nanoseconds = 1'500'000'000}).toIsoString(), "PT2.5S");
  EXPECT_EQ((Span{.minutes = -90}).toIsoString(), "-PT90M");
  const std::pair<const char*, const char*> refused[] = {
      {"", "expected \"P\" at offset 0 of \"\", found the end of the text"},
      {"P",
       "expected a number of years, months, weeks or days, or \"T\" at offset 1 of \"P\", found "
       "the end of the text"},
      {"PT",
       "expected a number of hours, minutes or seconds after \"T\" at offset 2 of \"PT\", found "
       "the end of the text"},
      {"P1YT",
       "expected a number of hours, minutes or seconds after \"T\" at offset 4 of \"P1YT\", found "
       "the end of the text"},
      {"P1D1Y",
       "expected a designator \"Y\", \"M\", \"W\" or \"D\" after those given at offset 4 of "
       "\"P1D1Y\", found \"Y\""},
      {"PT1.5H",
       "expected \"S\" after a fraction, which only seconds take at offset 5 of \"PT1.5H\", found "
       "\"H\""},
      {"P1.5Y",
       "expected \"S\" after a fraction, which only seconds take at offset 4 of \"P1.5Y\", found "
       "\"Y\""},
      {"PT1.S", "expected a digit of the fraction at offset 4 of \"PT1.S\", found \"S\""},
      {"P9223372036854775808D",
       "expected a number within 64 bits at offset 1 of \"P9223372036854775808D\", found "
       "\"9223372036854775808\""},
      {"P1H",
       "expected a designator \"Y\", \"M\", \"W\" or \"D\" after those given at offset 2 of "
       "\"P1H\", found \"H\""},
      {"P1Y1",
       "expected a designator \"Y\", \"M\", \"W\" or \"D\" after those given at offset 4 of "
       "\"P1Y1\", found the end of the text"},
      {"PTT1H",
       "expected a number of hours, minutes or seconds at offset 2 of \"PTT1H\", found \"T\""},
  };
  for (const auto& [text, message] : refused) {
    EXPECT_FALSE(Span::tryParseIso(text).has_value()) << text;
    try {
      (void)Span::parseIso(text);
      ADD_FAILURE() << text << " was read";
    } catch (const Date::ParseError& error) {
      EXPECT_STREQ(error.what(), message);
    }
  }
}

}  // namespace
