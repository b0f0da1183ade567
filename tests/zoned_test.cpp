// Zoned times: offsets, calendar and clock arithmetic and every way of
// resolving a local time, against Python's zoneinfo over random instants
// of every zone; RFC 9557 text both ways, with every OffsetConflict and
// every refusal; the start and length of days; recurrences in a zone.

#include <gtest/gtest.h>
#include <normdate/fmt.h>
#include <normdate/zoned.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "database_zones.h"

namespace {

using Date::Disambiguation;
using Date::OffsetConflict;
using Date::Timestamp;
using Date::TimeZone;
using Date::ZonedTime;

std::int64_t secondsOf(const Date::Date& d) { return d.toSysSeconds().time_since_epoch().count(); }
std::int64_t instantOf(const ZonedTime& z) { return secondsOf(z.getUtc().getDate()); }

constexpr std::array<Disambiguation, 3> kModes = {Disambiguation::Compatible,
                                                  Disambiguation::Earlier, Disambiguation::Later};

// Random instants from 1900 to 2100 in every zone: the offset, the same
// wall time days and months on under each disambiguation, and hours on,
// against Python's zoneinfo, which resolves a local time in a gap with the
// offset from before it, as Compatible does.
TEST(Zoned, AgreesWithPythonsZoneinfo) {
  struct Case {
    ZonedTime zoned;
    std::vector<ZonedTime> shifted;  // in the order the oracle is asked
  };
  std::mt19937_64 random(2026);
  std::uniform_int_distribution<std::int64_t> instant(-2208988800, 4102444799);
  std::uniform_int_distribution<int> shift(-500, 500);
  std::vector<Case> cases;
  const std::string input = ::testing::TempDir() + "zoned_oracle_in.txt";
  std::ofstream questions(input);
  const auto askLocal = [&](const ZonedTime& z, const Date::Date& local) {
    questions << "local " << z.getZone().getName() << ' ' << local.toString("YYYY MM DD hh mm ss")
              << '\n';
  };
  for (const std::string& name : databaseZones()) {
    const TimeZone zone = TimeZone::load(name);
    for (int i = 0; i < 12; ++i) {
      const ZonedTime z(Timestamp::fromUnixTime(instant(random)), zone);
      const int days = shift(random);
      const int months = shift(random) / 10;
      const std::int64_t hours = shift(random) * std::int64_t{37};
      Case c{z, {}};
      questions << "offset " << name << ' ' << instantOf(z) << '\n';
      askLocal(z, z.getLocal().getDate().addDay(days));
      for (const Disambiguation d : kModes) c.shifted.push_back(z.addDay(days, d));
      askLocal(z, z.getLocal().getDate().addMonth(months));
      for (const Disambiguation d : kModes) c.shifted.push_back(z.addMonth(months, d));
      c.shifted.push_back(z.addHour(hours));
      questions << "offset " << name << ' ' << instantOf(c.shifted.back()) << '\n';
      cases.push_back(c);
    }
  }
  questions.close();
  const std::string output = ::testing::TempDir() + "zoned_oracle_out.txt";
  const std::string command =
      std::string(NORMDATE_PYTHON) + " " + NORMDATE_ZONED_ORACLE + " < " + input + " > " + output;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream answers(output);
  for (const Case& c : cases) {
    const std::string where = c.zoned.toString();
    std::int64_t offset = 0;
    answers >> offset;
    ASSERT_EQ(c.zoned.getOffset().seconds, offset) << where;
    for (std::size_t resolved = 0; resolved < 6; resolved += 3) {
      for (std::size_t d = 0; d < kModes.size(); ++d) {
        std::int64_t expected = 0;
        answers >> expected;
        ASSERT_EQ(instantOf(c.shifted[resolved + d]), expected) << where << " mode " << d;
      }
    }
    answers >> offset;
    ASSERT_EQ(c.shifted.back().getOffset().seconds, offset) << c.shifted.back();
    ASSERT_EQ(c.shifted.back() - c.zoned, c.shifted.back().getUtc() - c.zoned.getUtc());
  }
  ASSERT_TRUE(answers.good());
}

// Text both ways: every value reads back to itself, whatever its offset.
TEST(Zoned, TextReadsBackToTheSameInstantAndZone) {
  std::mt19937_64 random(9557);
  std::uniform_int_distribution<std::int64_t> instant(-62167219200, 253402300799);
  const std::vector<std::string> zones = databaseZones();
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t nanos = static_cast<std::int64_t>(random() % 4) * 250'000'000;
    const TimeZone zone = i % 10 == 0 ? TimeZone::fixed(static_cast<int>(random() % 100000) - 50000)
                                      : TimeZone::load(zones[random() % zones.size()]);
    const ZonedTime z(Timestamp::fromUnixTime(instant(random), nanos), zone);
    ASSERT_EQ(ZonedTime::parse(z.toString()), z) << z;
    ASSERT_EQ(fmt::format("{}", z), z.toString());
  }
}

// strftime names the zone's offset and abbreviation; strptime reads the
// instant back in any zone, and an abbreviation picks the instant of a
// repeated hour.
TEST(Zoned, ConversionsNameTheZone) {
  std::mt19937_64 random(2822);
  const std::vector<std::string> zones = databaseZones();
  for (int i = 0; i < 5000; ++i) {
    const TimeZone zone = TimeZone::load(zones[random() % zones.size()]);
    const ZonedTime z(
        Timestamp::fromUnixTime(static_cast<std::int64_t>(random() % 8000000000) - 2208988800),
        zone);
    const std::string text = z.strftime("%a %F %T %z %Z");
    if (z.getOffset().seconds % 60 == 0) {  // %z holds no seconds of local mean time
      ASSERT_EQ(ZonedTime::strptime(text, "%a %F %T %z %Z", zone), z) << text;
    }
    ASSERT_EQ(ZonedTime::strptime(z.strftime("%F %T"), "%F %T", zone).getLocal(), z.getLocal());
  }
  const ZonedTime z = ZonedTime::parse("2026-12-08T10:00:00.25+01:00[Europe/Berlin]");
  EXPECT_EQ(z.strftime("%a, %d %b %Y %T %z (%Z) %Ez %s %E*S"),
            "Tue, 08 Dec 2026 10:00:00 +0100 (CET) +01:00 1796720400 00.25");
  EXPECT_EQ(fmt::format("{:%F %R %Z}", z), "2026-12-08 10:00 CET");
  const TimeZone chicago = TimeZone::load("America/Chicago");
  EXPECT_EQ(ZonedTime::strptime("2026-11-01 01:30 CDT", "%F %R %Z", chicago).getOffset().seconds,
            -5 * 3600);
  EXPECT_EQ(ZonedTime::strptime("2026-11-01 01:30 CST", "%F %R %Z", chicago).getOffset().seconds,
            -6 * 3600);
  try {
    (void)ZonedTime::strptime("2026-12-08 10:00 CEST", "%F %R %Z", z.getZone());
    ADD_FAILURE();
  } catch (const Date::ParseError& e) {
    EXPECT_STREQ(e.what(), R"(expected the zone's abbreviation at that time at offset 17 of )"
                           R"("2026-12-08 10:00 CEST", found "CEST")");
  }
}

TEST(Zoned, HandCheckedArithmeticAndText) {
  const ZonedTime march = ZonedTime::parse("2026-03-28T12:00:00+01:00[Europe/Berlin]");
  EXPECT_EQ(march.addDay(1).toString(), "2026-03-29T12:00:00+02:00[Europe/Berlin]");
  EXPECT_EQ(march.addHour(24).toString(), "2026-03-29T13:00:00+02:00[Europe/Berlin]");
  EXPECT_EQ((march + std::chrono::minutes(90)).toString(),
            "2026-03-28T13:30:00+01:00[Europe/Berlin]");
  EXPECT_EQ(march.addMonth(-1).addDay(3).toString(), "2026-03-03T12:00:00+01:00[Europe/Berlin]");
  const ZonedTime jan31 = ZonedTime::parse("2026-01-31T09:00:00-05:00[America/New_York]");
  EXPECT_EQ(jan31.addMonth(1).toString(), "2026-03-03T09:00:00-05:00[America/New_York]");
  EXPECT_EQ(jan31.withZone(TimeZone::load("Asia/Tokyo")).toString(),
            "2026-01-31T23:00:00+09:00[Asia/Tokyo]");
  // A shift by 0 keeps the instant, also in the second pass of an hour.
  const ZonedTime second = ZonedTime::parse("2026-10-25T02:30:00+01:00[Europe/Berlin]");
  EXPECT_EQ(second.addDay(0), second);
  EXPECT_EQ(second.addMonth(0), second);
  EXPECT_EQ(second.addYear(0), second);
  EXPECT_NE(second.addDay(1).addDay(-1), second);  // resolved to the first pass
  // Local mean time, written with its seconds.
  EXPECT_EQ(ZonedTime(Timestamp(Date::Date(1890, Date::Jan, 1)), TimeZone::load("Europe/Berlin"))
                .toString(),
            "1890-01-01T00:53:28+00:53:28[Europe/Berlin]");
  // Fractions as timestamps write them, and the formats of timestamps.
  const ZonedTime tokyo =
      ZonedTime::parse("2026-12-08T10:00:00.25+09:00[!Asia/Tokyo][u-ca=gregory]");
  EXPECT_EQ(tokyo.toString(), "2026-12-08T10:00:00.250+09:00[Asia/Tokyo]");
  EXPECT_EQ(tokyo.toIsoString(), "2026-12-08T10:00:00.250+09:00");
  EXPECT_EQ(fmt::format("{:DD.MM.YYYY hh:mm}|{:iso}", tokyo, tokyo),
            "08.12.2026 10:00|2026-12-08T10:00:00.250+09:00");
  EXPECT_EQ(tokyo.getOffset().abbreviation, "JST");
  // A zone without an IANA name is written as its offset.
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  EXPECT_EQ(ZonedTime(tokyo.getUtc(), TimeZone::local()).toString(),
            "2026-12-08T02:00:00.250+01:00[+01:00]");
  unsetenv("TZ");
}

// The first instant of a day and its length, where midnight is skipped,
// an hour is, half an hour is, and the year wraps.
TEST(Zoned, DaysStartAndLast) {
  struct Day {
    const char* at;
    const char* start;
    std::int64_t hours2;  // the day's length in half hours
  };
  const Day days[] = {
      {"2026-09-06T12:00:00-03:00[America/Santiago]", "2026-09-06T01:00:00-03:00[America/Santiago]",
       46},
      {"2026-03-29T12:00:00+02:00[Europe/Berlin]", "2026-03-29T00:00:00+01:00[Europe/Berlin]", 46},
      {"2026-10-25T23:00:00+01:00[Europe/Berlin]", "2026-10-25T00:00:00+02:00[Europe/Berlin]", 50},
      {"2026-04-05T12:00:00+10:30[Australia/Lord_Howe]",
       "2026-04-05T00:00:00+11:00[Australia/Lord_Howe]", 49},
      {"2026-12-08T23:59:59+09:00[Asia/Tokyo]", "2026-12-08T00:00:00+09:00[Asia/Tokyo]", 48},
  };
  for (const Day& day : days) {
    const ZonedTime z = ZonedTime::parse(day.at);
    EXPECT_EQ(z.startOfDay().toString(), day.start) << day.at;
    EXPECT_EQ(z.lengthOfDay(), std::chrono::minutes(30) * day.hours2) << day.at;
  }
  // The day after 9999-12-31 is of the year 0, in London's local mean time.
  const ZonedTime last = ZonedTime::parse("9999-12-31T23:00:00+00:00[Europe/London]");
  EXPECT_EQ(last.lengthOfDay(), std::chrono::hours(24) + std::chrono::seconds(75));
  EXPECT_EQ(last.addHour(2).toString(), "0000-01-01T00:58:45-00:01:15[Europe/London]");
}

// Texts written under other rules, read by every OffsetConflict: 12:00 at
// +01:00 in a Berlin summer, and the second 02:30 of a Berlin autumn night.
TEST(Zoned, OffsetConflictsAreSettledAsAsked) {
  struct Reading {
    const char* text;
    OffsetConflict conflict;
    Disambiguation d;
    const char* read;  // empty where refused
  };
  const Reading readings[] = {
      {"2030-07-01T12:00:00+01:00[Europe/Berlin]", OffsetConflict::Reject,
       Disambiguation::Compatible, ""},
      {"2030-07-01T12:00:00+01:00[Europe/Berlin]", OffsetConflict::PreferOffset,
       Disambiguation::Compatible, "2030-07-01T12:00:00+02:00[Europe/Berlin]"},
      {"2030-07-01T12:00:00+01:00[Europe/Berlin]", OffsetConflict::UseOffset,
       Disambiguation::Compatible, "2030-07-01T13:00:00+02:00[Europe/Berlin]"},
      {"2030-07-01T12:00:00+01:00[Europe/Berlin]", OffsetConflict::IgnoreOffset,
       Disambiguation::Compatible, "2030-07-01T12:00:00+02:00[Europe/Berlin]"},
      {"2026-10-25T02:30:00+01:00[Europe/Berlin]", OffsetConflict::Reject,
       Disambiguation::Compatible, "2026-10-25T02:30:00+01:00[Europe/Berlin]"},
      {"2026-10-25T02:30:00+01:00[Europe/Berlin]", OffsetConflict::PreferOffset,
       Disambiguation::Earlier, "2026-10-25T02:30:00+01:00[Europe/Berlin]"},
      {"2026-10-25T02:30:00+01:00[Europe/Berlin]", OffsetConflict::IgnoreOffset,
       Disambiguation::Compatible, "2026-10-25T02:30:00+02:00[Europe/Berlin]"},
      {"2026-10-25T02:30:00+03:00[Europe/Berlin]", OffsetConflict::PreferOffset,
       Disambiguation::Later, "2026-10-25T02:30:00+01:00[Europe/Berlin]"},
      {"2026-03-29T02:30:00+01:00[Europe/Berlin]", OffsetConflict::Reject,
       Disambiguation::Compatible, ""},
      {"2026-03-29T02:30:00+01:00[Europe/Berlin]", OffsetConflict::PreferOffset,
       Disambiguation::Earlier, "2026-03-29T01:30:00+01:00[Europe/Berlin]"},
      {"2026-03-29T02:30:00+01:00[Europe/Berlin]", OffsetConflict::UseOffset,
       Disambiguation::Earlier, "2026-03-29T03:30:00+02:00[Europe/Berlin]"},
      // Z is the instant in every mode; -00:00 is too.
      {"2030-07-01T10:00:00Z[Europe/Berlin]", OffsetConflict::Reject, Disambiguation::Compatible,
       "2030-07-01T12:00:00+02:00[Europe/Berlin]"},
      {"2030-07-01T10:00:00z[Europe/Berlin]", OffsetConflict::IgnoreOffset,
       Disambiguation::Compatible, "2030-07-01T12:00:00+02:00[Europe/Berlin]"},
      {"2030-07-01T10:00:00-00:00[Europe/Berlin]", OffsetConflict::Reject,
       Disambiguation::Compatible, "2030-07-01T12:00:00+02:00[Europe/Berlin]"},
      // An offset without seconds matches local mean time rounded to it.
      {"1890-01-01T12:00:00+00:53[Europe/Berlin]", OffsetConflict::Reject,
       Disambiguation::Compatible, "1890-01-01T12:00:00+00:53:28[Europe/Berlin]"},
      {"1890-01-01T12:00:00+00:54[Europe/Berlin]", OffsetConflict::Reject,
       Disambiguation::Compatible, ""},
  };
  for (const Reading& r : readings) {
    const std::optional<ZonedTime> read = ZonedTime::tryParse(r.text, r.conflict, r.d);
    EXPECT_EQ(read ? read->toString() : "", r.read)
        << r.text << ' ' << static_cast<int>(r.conflict);
  }
  EXPECT_THROW((void)ZonedTime::parse("2030-07-01T12:00:00+01:00[Europe/Berlin]"),
               Date::ParseError);
}

TEST(Zoned, RefusedTextsSayWhatWasExpectedWhere) {
  const std::pair<const char*, const char*> refusals[] = {
      {"2026-12-08T10:00:00+01:00",
       "expected a time zone in brackets, such as \"[Europe/Berlin]\" at offset 25 of "
       "\"2026-12-08T10:00:00+01:00\", found the end of the text"},
      {"2026-12-08[Europe/Berlin]",
       "expected a time after the date (\"T\", \"t\" or \" \") at offset 10 of "
       "\"2026-12-08[Europe/Berlin]\", found \"[\""},
      {"2026-12-08T10:00:00+01:00[Europe/Nowhere]",
       "expected a time zone of the databases or an offset such as \"+05:45\" at offset 26 of "
       "\"2026-12-08T10:00:00+01:00[Europe/Nowhere]\", found \"Europe/Nowhere\""},
      {"2026-12-08T10:00:00+01:00[Europe/Berlin][Europe/Paris]",
       "expected one time zone, before any other annotation at offset 41 of "
       "\"2026-12-08T10:00:00+01:00[Europe/Berlin][Europe/Paris]\", found \"Europe/Paris\""},
      {"2026-12-08T10:00:00+01:00[Europe/Berlin][!u-ca=hebrew]",
       "expected an annotation read here (\"u-ca=iso8601\" or \"u-ca=gregory\"), or one not "
       "critical at offset 41 of \"2026-12-08T10:00:00+01:00[Europe/Berlin][!u-ca=hebrew]\", "
       "found \"!u-ca=hebrew\""},
      {"2026-12-08T10:00:00+01:00[Europe/Berlin][X=1]",
       "expected an annotation key=value (RFC 9557) at offset 41 of "
       "\"2026-12-08T10:00:00+01:00[Europe/Berlin][X=1]\", found \"X=1\""},
      {"2026-12-08T10:00:00+01:00[Europe/Berlin",
       "expected \"]\" at offset 39 of \"2026-12-08T10:00:00+01:00[Europe/Berlin\", found the "
       "end of the text"},
      {"2026-12-08T10:00:00+01:00[Europe/Berlin]x",
       "expected \"[\" or the end of the text at offset 40 of "
       "\"2026-12-08T10:00:00+01:00[Europe/Berlin]x\", found \"x\""},
      {"2026-12-08T10:00:00+01:00[+25:00]",
       "expected a time zone of the databases or an offset such as \"+05:45\" at offset 26 of "
       "\"2026-12-08T10:00:00+01:00[+25:00]\", found \"+25:00\""},
      {"2026-13-08T10:00:00+01:00[Europe/Berlin]",
       "expected the month (01 to 12) at offset 5 of \"2026-13-08T10:00:00+01:00\", found \"13\""},
      {"2030-07-01T12:00:00+01:00[Europe/Berlin]",
       "the offset +01:00 is not one that Europe/Berlin has for 2030-07-01T12:00:00 in "
       "\"2030-07-01T12:00:00+01:00[Europe/Berlin]\""},
  };
  for (const auto& [text, message] : refusals) {
    EXPECT_FALSE(ZonedTime::tryParse(text).has_value()) << text;
    try {
      (void)ZonedTime::parse(text);
      ADD_FAILURE() << text << " was read";
    } catch (const Date::ParseError& error) {
      EXPECT_STREQ(error.what(), message);
    }
  }
  try {  // a refused offset is pointed at
    (void)ZonedTime::parse("2030-07-01T12:00:00+01:00[Europe/Berlin]");
  } catch (const Date::ParseError& error) {
    EXPECT_EQ(error.offset(), 19U);
  }
  // Annotations of other keys are passed over unless critical.
  EXPECT_TRUE(ZonedTime::tryParse("2026-12-08T10:00:00Z[UTC][u-ca=hebrew][x-foo=bar-baz]"));
  EXPECT_EQ(ZonedTime::parse("2026-12-08T10:00:00Z[+05:45]").toString(),
            "2026-12-08T15:45:00+05:45[+05:45]");
}

// A UTC UNTIL bounds the instants: in New York it ends with the 10:00 of
// January 5, which is 15:00 UTC, and in Tokyo it keeps the 10:00 of
// January 6, which is 01:00 UTC, where reading UNTIL as local fields would
// give one too many in New York and one too few in Tokyo.
TEST(Zoned, RecurrencesRunInTheZoneAndBoundUntilAsAnInstant) {
  const auto dates = [](const char* start) {
    const Date::ZonedRecurrence rule =
        Date::ZonedRecurrence::parse("FREQ=DAILY;UNTIL=20260106T010000Z", ZonedTime::parse(start));
    std::string text;
    for (const ZonedTime& z : rule) text += z.toString("DD ");
    return text;
  };
  EXPECT_EQ(dates("2026-01-03T10:00:00-05:00[America/New_York]"), "03 04 05 ");
  EXPECT_EQ(dates("2026-01-03T10:00:00+09:00[Asia/Tokyo]"), "03 04 05 06 ");
  // Across a change the wall time stays, and a time in the gap moves on.
  const Date::ZonedRecurrence march = Date::ZonedRecurrence::parse(
      "FREQ=DAILY;COUNT=3", ZonedTime::parse("2026-03-07T02:30:00-05:00[America/New_York]"));
  const std::vector<ZonedTime> found = march.between(march.getStart(), march.getStart().addDay(5));
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[1].toString(), "2026-03-08T03:30:00-04:00[America/New_York]");
  EXPECT_EQ(found[2].toString(), "2026-03-09T02:30:00-04:00[America/New_York]");
  EXPECT_EQ(march.next(found[1]), found[2]);
  EXPECT_EQ(march.next(found[1].withZone(TimeZone::load("Asia/Tokyo"))), found[2]);
  EXPECT_EQ(march.toString(), "FREQ=DAILY;COUNT=3");
}

}  // namespace
