// ISO 8601 / RFC 3339 text: round trips, random texts against glibc's timegm,
// and rejected texts with their messages.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>

#include "oracle.h"

namespace {

TEST(Iso, WritesFourYearDigitsAndZ) {
  EXPECT_EQ(Date::Date(999, Date::Mar, 7, 1, 2, 3).toIsoString(), "0999-03-07T01:02:03Z");
  EXPECT_EQ(Date::Date(0, Date::Jan, 1).toIsoString(), "0000-01-01T00:00:00Z");
  EXPECT_EQ(Date::Date(9999, Date::Dec, 31, 23, 59, 59).toIsoString(), "9999-12-31T23:59:59Z");
}

TEST(Iso, EveryDayOfA400YearCycleAndRandomDatesRoundTrip) {
  const Date::Date start(1600, Date::Jan, 1, 23, 59, 58);
  for (int day = 0; day < 146097; ++day) {
    const Date::Date d = start.addDay(day);
    ASSERT_EQ(Date::Date::parseIso(d.toIsoString()), d) << d;
  }
  std::mt19937_64 random(53);
  std::uniform_int_distribution<std::int64_t> instant(-62167219200, 253402300799);
  for (int i = 0; i < 200000; ++i) {
    const Date::Date d = Date::Date::fromTimeT(instant(random));
    ASSERT_EQ(Date::Date::tryParseIso(d.toIsoString()), d) << d;
  }
}

// Random valid texts, with every separator, fraction and offset form,
// against timegm on the fields minus the offset.
TEST(Iso, RandomTextsMatchTimegm) {
  std::mt19937_64 random(59);
  const auto pick = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  constexpr std::array<char, 3> separators = {'T', 't', ' '};
  for (int i = 0; i < 300000; ++i) {
    const oracle::Fields f = oracle::fromTime(
        std::uniform_int_distribution<std::int64_t>(-62167219200, 253402300799)(random));
    const int second = pick(0, 60);
    std::array<char, 96> text{};
    int length = std::snprintf(text.data(), text.size(), "%04d-%02d-%02d%c%02d:%02d:%02d", f.year,
                               f.month, f.day, separators[static_cast<std::size_t>(pick(0, 2))],
                               f.hour, f.minute, second);
    std::string iso(text.data(), static_cast<std::size_t>(length));
    if (pick(0, 1) == 1) iso += (pick(0, 1) == 1 ? "." : ",") + std::to_string(pick(0, 999999));
    int offset = 0;
    switch (pick(0, 4)) {
      case 0: iso += pick(0, 1) == 1 ? "Z" : "z"; break;
      default: {
        const int hours = pick(0, 23);
        const int minutes = pick(0, 59);
        const bool east = pick(0, 1) == 1;
        const auto form = static_cast<std::size_t>(pick(0, 2));  // +hh:mm, +hhmm or +hh
        offset = (east ? 1 : -1) * (hours * 60 + (form == 2 ? 0 : minutes));
        length = std::snprintf(text.data(), text.size(),
                               std::array{"%c%02d:%02d", "%c%02d%02d", "%c%02d"}[form],
                               east ? '+' : '-', hours, minutes);
        iso.append(text.data(), static_cast<std::size_t>(length));
      }
    }
    const std::time_t expected =
        oracle::toTime({f.year, f.month, f.day, f.hour, f.minute, 0}) + second - offset * 60;
    const std::optional<Date::Date> read = Date::Date::tryParseIso(iso);
    ASSERT_TRUE(read.has_value()) << iso;
    ASSERT_EQ(oracle::of(*read), oracle::fromTime(expected)) << iso;
  }
}

TEST(Iso, NormalisesExactlyAcrossTheWrap) {
  EXPECT_EQ(Date::Date::parseIso("0000-01-01T00:30:00+01:00"),
            Date::Date(9999, Date::Dec, 31, 23, 30, 0));
  EXPECT_EQ(Date::Date::parseIso("9999-12-31T23:59:60Z"), Date::Date(0, Date::Jan, 1));
  EXPECT_EQ(Date::Date::parseIso("2026-12-06T09:04:49.250+07:00"),
            Date::Date(2026, Date::Dec, 6, 2, 4, 49));
  EXPECT_EQ(Date::Date::parseIso("2026-12-06T02:04:49-00:00"),
            Date::Date(2026, Date::Dec, 6, 2, 4, 49));
  EXPECT_EQ(Date::Date::parseIso("2024-02-29"), Date::Date(2024, Date::Feb, 29));
  // Offsets with seconds, as local mean time has them.
  EXPECT_EQ(Date::Date::parseIso("1900-01-01T12:19:32+00:19:32"),
            Date::Date(1900, Date::Jan, 1, 12, 0, 0));
  EXPECT_EQ(Date::Date::parseIso("2026-01-01T00:00:00-23:59:59"),
            Date::Date(2026, Date::Jan, 1, 23, 59, 59));
}

struct Rejected {
  std::string text;
  const char* message;
};

TEST(Iso, RejectedTextsSayWhatWasExpected) {
  const std::array<Rejected, 24> cases = {{
      {"2026-12-0x", R"(expected the day (2 digits) at offset 8 of "2026-12-0x", found "0x")"},
      {"2026-12-06T02:04:49Z and then some more text",
       R"(expected the end of the text at offset 20 of "2026-12-06T02:04:49Z and then some more text", found " and then some m")"},
      {"2026-12-06T02:04:49",
       R"(expected a zone designator ("Z", "+hh:mm" or "-hh:mm") at offset 19 of "2026-12-06T02:04:49", found the end of the text)"},
      {"2026-12-06X02:04:49Z",
       R"(expected "T", "t", " " or the end of the text at offset 10 of "2026-12-06X02:04:49Z", found "X")"},
      {"2026-12-06Z",
       R"(expected "T", "t", " " or the end of the text at offset 10 of "2026-12-06Z", found "Z")"},
      {"2026-02-29", R"(expected the day (01 to 28) at offset 8 of "2026-02-29", found "29")"},
      {"2024-02-30", R"(expected the day (01 to 29) at offset 8 of "2024-02-30", found "30")"},
      {"2026-04-31", R"(expected the day (01 to 30) at offset 8 of "2026-04-31", found "31")"},
      {"2026-12-32", R"(expected the day (01 to 31) at offset 8 of "2026-12-32", found "32")"},
      {"2026-13-01", R"(expected the month (01 to 12) at offset 5 of "2026-13-01", found "13")"},
      {"2026-12-06T24:00:00Z",
       R"(expected the hour (00 to 23) at offset 11 of "2026-12-06T24:00:00Z", found "24")"},
      {"2026-12-06T23:60:00Z",
       R"(expected the minute (00 to 59) at offset 14 of "2026-12-06T23:60:00Z", found "60")"},
      {"2026-12-06T02:04:61Z",
       R"(expected the second (00 to 60) at offset 17 of "2026-12-06T02:04:61Z", found "61")"},
      {"2026-12-06T02:04:49+24:00",
       R"(expected the offset's hours (00 to 23) at offset 20 of "2026-12-06T02:04:49+24:00", found "24")"},
      {"2026-12-06T02:04:49+05:60",
       R"(expected the offset's minutes (00 to 59) at offset 23 of "2026-12-06T02:04:49+05:60", found "60")"},
      {"2026-12-06T02:04:49+05:00:60",
       R"(expected the offset's seconds (00 to 59) at offset 26 of "2026-12-06T02:04:49+05:00:60", found "60")"},
      {"2026-12-06T02:04:49+05:00:1",
       R"(expected the offset's seconds (2 digits) at offset 26 of "2026-12-06T02:04:49+05:00:1", found "1")"},
      {"2026-12-06T02:04:49+0500:10",
       R"(expected the end of the text at offset 24 of "2026-12-06T02:04:49+0500:10", found ":10")"},
      {"999-12-06", R"(expected the year (4 digits) at offset 0 of "999-12-06", found "999-")"},
      {"2026-12-06T02:04:49Zjunk",
       R"(expected the end of the text at offset 20 of "2026-12-06T02:04:49Zjunk", found "junk")"},
      {"2026-12-06T02:04:49.Z",
       R"(expected a digit of the fraction at offset 20 of "2026-12-06T02:04:49.Z", found "Z")"},
      {"2026-1-06", R"(expected the month (2 digits) at offset 5 of "2026-1-06", found "1-")"},
      {"", R"(expected the year (4 digits) at offset 0 of "", found the end of the text)"},
      {std::string(1 << 20, '7'),
       R"(expected "-" at offset 4 of "7777777777777777777777777777777777777777777777777777777777777777...", found "7")"},
  }};
  for (const Rejected& c : cases) {
    EXPECT_FALSE(Date::Date::tryParseIso(c.text).has_value()) << c.text;
    try {
      (void)Date::Date::parseIso(c.text);
      ADD_FAILURE() << "no error for \"" << c.text << '"';
    } catch (const Date::ParseError& error) {
      EXPECT_STREQ(error.what(), c.message);
      EXPECT_EQ(error.offset(), std::string_view(c.message).find("at offset ") == std::string::npos
                                    ? 0u
                                    : std::stoul(std::string(c.message).substr(
                                          std::string(c.message).find("at offset ") + 10)));
    }
  }
}

}  // namespace
