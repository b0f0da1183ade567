// strftime-style text both ways: every conversion against glibc's strftime
// and strptime in the C locale and against the date library, what is
// written read back, and every refusal with its message.

#include <date/date.h>
#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/timestamp.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Date::Timestamp;

std::tm tmOf(const Timestamp& t) {
  const std::time_t seconds = t.getDate().toTimeT();
  std::tm fields{};
  gmtime_r(&seconds, &fields);
  return fields;
}

std::string glibcWrites(const Timestamp& t, const std::string& pattern) {
  const std::tm fields = tmOf(t);
  std::array<char, 256> text{};
  return {text.data(), std::strftime(text.data(), text.size(), pattern.c_str(), &fields)};
}

// Instants of the years 0 to 9999, one in four within a few days of a new
// year, where the week numbers change.
std::vector<Timestamp> instants(std::size_t count, int firstYear) {
  std::mt19937_64 random(3339);
  const std::int64_t first = Date::Date(firstYear, Date::Jan, 1).toTimeT();
  const std::int64_t span = Date::Date(9999, 12, 31, 23, 59, 59).toTimeT() - first;
  std::vector<Timestamp> result;
  for (std::size_t i = 0; i < count; ++i) {
    const auto nanos =
        static_cast<std::int64_t>(random() % 1'000'000'000) / (i % 3 == 0 ? 1 : 1000);
    Timestamp t = Timestamp::fromUnixTime(
        first + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(span)), nanos);
    if (i % 4 == 0) {
      const int year = t.getDate().getYear();
      t = Timestamp(
          Date::Date(year, 12, 28 + static_cast<int>(random() % 8), t.getDate().getHour(), 0, 0));
    }
    result.push_back(t);
  }
  return result;
}

const std::string kConversions = "aAbBcCdDeFgGhHIjmMnprRsStTuUVwWxXyYz%";
const std::vector<std::string> kModified = {"%Ec", "%EC", "%Ex", "%EX", "%Ey", "%EY", "%Od",
                                            "%Oe", "%OH", "%OI", "%Om", "%OM", "%OS", "%Ou",
                                            "%OU", "%OV", "%Ow", "%OW", "%Oy"};

TEST(Conversions, EachWritesAsGlibcDoes) {
  setenv("TZ", "UTC", 1);  // glibc's %s counts in the local zone
  tzset();
  for (const Timestamp& t : instants(20000, 1000)) {  // glibc writes fewer year digits before
    for (const char c : kConversions) {
      const std::string pattern = std::string("%") + c;
      ASSERT_EQ(t.strftime(pattern), glibcWrites(t, pattern)) << pattern << ' ' << t;
    }
    for (const std::string& pattern : kModified) {
      ASSERT_EQ(t.strftime(pattern), glibcWrites(t, pattern)) << pattern << ' ' << t;
    }
  }
}

// The date library writes years of fewer digits as <chrono> does, offsets
// with a colon and fractions to the precision of the time point.
TEST(Conversions, EachWritesAsTheDateLibraryDoes) {
  using std::chrono::floor;
  for (const Timestamp& t : instants(20000, 0)) {
    const auto seconds = t.toSysTime<std::chrono::seconds>();
    for (const std::string pattern : {"%Y|%G|%g|%V|%C|%F|%D|%U|%W|%u|%w|%j|%Z|%Ez|%Oz|%z",
                                      "%a %A %b %B %h %d %e %H %I %M %S %p %r %R %T %y %n%t%%"}) {
      ASSERT_EQ(t.strftime(pattern), date::format(pattern.c_str(), seconds)) << t;
    }
    // The fraction, in a time point of the nanoseconds of the minute.
    const date::sys_time<std::chrono::nanoseconds> point{
        std::chrono::seconds(t.getDate().getSecond()) +
        std::chrono::nanoseconds(t.getNanosecond())};
    ASSERT_EQ(t.strftime("%E3S"), date::format("%S", floor<std::chrono::milliseconds>(point)));
    ASSERT_EQ(t.strftime("%E6S"), date::format("%S", floor<std::chrono::microseconds>(point)));
    ASSERT_EQ(t.strftime("%E9S"), date::format("%S", point));
    std::string shortest = date::format("%S", point);
    while (shortest.back() == '0') shortest.pop_back();
    if (shortest.back() == '.') shortest.pop_back();
    ASSERT_EQ(t.strftime("%E*S"), shortest);
  }
}

// Texts glibc writes, read by glibc's strptime and timegm and by strptime.
TEST(Conversions, ReadsAsGlibcDoes) {
  const std::vector<std::string> patterns = {"%Y-%m-%d %H:%M:%S",
                                             "%a, %d %b %Y %H:%M:%S GMT",
                                             "%c",
                                             "%D %r",
                                             "%A %B %e %Y %I:%M %p",
                                             "%Y %j %T",
                                             "%y%m%d%H%M%S",
                                             "%F %T %z",
                                             "%s",
                                             "%Y %U %a %H",
                                             "%Y %W %u %H",
                                             "%h %d %C%y %R"};
  setenv("TZ", "UTC", 1);
  tzset();
  for (const Timestamp& t : instants(20000, 1000)) {
    for (const std::string& pattern : patterns) {
      if (pattern == "%s" && t < Timestamp()) continue;  // glibc reads no sign
      const std::string text = glibcWrites(t, pattern);
      std::tm fields{};
      ASSERT_NE(::strptime(text.c_str(), pattern.c_str(), &fields), nullptr)
          << pattern << ": " << text;
      const std::int64_t expected = timegm(&fields);
      ASSERT_EQ(Timestamp::strptime(text, pattern).getDate().toTimeT(), expected)
          << pattern << ": " << text;
      ASSERT_EQ(Date::Date::tryStrptime(text, pattern)->toTimeT(), expected);
    }
  }
}

// What a pattern writes reads back to the instant it holds, for the
// conversions glibc does not read (ISO weeks, fractions, offsets with a
// colon) too.
TEST(Conversions, ReadsBackWhatItWrites) {
  const std::vector<std::pair<std::string, std::int64_t>> patterns = {
      {"%G-W%V-%u %T", 1'000'000'000}, {"%FT%H:%M:%E*S%Ez", 1},
      {"%Y%m%d %H%M%E3S", 1'000'000},  {"%EY %j %OH:%OM:%E6S", 1000},
      {"%W %a %Y %T", 1'000'000'000},  {"%e %B %Y %r", 1'000'000'000}};
  for (const Timestamp& t : instants(20000, 0)) {
    for (const auto& [pattern, unit] : patterns) {
      const std::string text = t.strftime(pattern);
      const std::int64_t nanos = t.getNanosecond() / unit * unit;
      ASSERT_EQ(Timestamp::strptime(text, pattern), Timestamp(t.getDate(), nanos)) << text;
    }
  }
}

TEST(Conversions, RefusesSayingWhatWasExpectedWhere) {
  const std::vector<std::array<std::string, 3>> cases = {
      {"2026-02-30", "%F", R"(expected the day (1 to 28) at offset 8 of "2026-02-30", found "30")"},
      {"Mon 2026-12-08", "%a %F",
       R"(expected the weekday of the date at offset 0 of "Mon 2026-12-08", found "Mon")"},
      {"13:00 PM", "%I:%M %p",
       R"(expected the hour (1 to 12) at offset 0 of "13:00 PM", found "13")"},
      {"14 01 AM", "%H %I %p",
       R"(expected an hour that agrees with the 24-hour one at offset 3 of "14 01 AM", found "01")"},
      {"2026", "%Y%Q",
       R"(expected a conversion (such as %Y or %E*S) at offset 2 of the pattern "%Y%Q", found "%Q")"},
      {"2026", "%Y%",
       R"(expected a conversion (such as %Y or %E*S) at offset 2 of the pattern "%Y%", found "%")"},
      {"2026-12-08x", "%F",
       R"(expected the end of the text at offset 10 of "2026-12-08x", found "x")"},
      {"10:00 CET", "%R %Z",
       R"(expected UTC's abbreviation ("UTC", "GMT", "UT" or "Z") at offset 6 of "10:00 CET", found "CET")"},
      {"10:00+24:00", "%R%z",
       R"(expected an offset ("Z", "+hh", "+hhmm" or "+hh:mm") at offset 5 of "10:00+24:00", found "+24")"},
      {"0 1970-01-02", "%s %F",
       R"(expected seconds since 1970 that agree with the other fields at offset 0 of "0 1970-01-02", found "0")"},
      {"10:00:00.12", "%R:%E3S",
       R"(expected the digits of the fraction at offset 11 of "10:00:00.12", found the end of the text)"},
      {"2026 366", "%Y %j",
       R"(expected the day of the year (1 to 365) at offset 5 of "2026 366", found "366")"},
      {"2027 W53 1", "%G W%V %u",
       R"(expected the ISO week of the date at offset 6 of "2027 W53 1", found "53")"},
      {"20261", "%Y", R"(expected the end of the text at offset 4 of "20261", found "1")"},
      {"10:05 06", "%R %M",
       R"(expected a minute that agrees with the other fields at offset 6 of "10:05 06", found "06")"},
      {"a", "\xff", "expected \"\xff\" at offset 0 of \"a\", found \"a\""},
      {"1 2", "%d%n%n%m", R"(expected white space at offset 2 of "1 2", found "2")"}};
  for (const auto& [text, pattern, message] : cases) {
    try {
      (void)Timestamp::strptime(text, pattern);
      ADD_FAILURE() << text << " read by " << pattern;
    } catch (const Date::ParseError& e) {
      EXPECT_EQ(e.what(), message);
    }
    EXPECT_FALSE(Timestamp::tryStrptime(text, pattern)) << text;
  }
  EXPECT_THROW((void)Date::Date().strftime("%Y %Ea"), std::invalid_argument);
  std::string kept = "unchanged";
  EXPECT_THROW(Date::Date().strftime("%E0S", kept), std::invalid_argument);
  EXPECT_EQ(kept, "unchanged");
}

// Names in any case, whole or cut to three letters; %y by the POSIX pivot;
// %s and a leap second; a pattern that views the text it replaces.
TEST(Conversions, ReadsWhatStrptimeUsersWrite) {
  EXPECT_EQ(Timestamp::strptime("tUESDAY 8 dEC 26", "%A %d %b %y"),
            Timestamp(Date::Date(2026, 12, 8, 0, 0, 0)));
  EXPECT_EQ(Timestamp::strptime("Mon, 8 December 69 1:02:03 pm", "%a, %e %B %y %r"),
            Timestamp(Date::Date(1969, 12, 8, 13, 2, 3)));
  EXPECT_EQ(Timestamp::strptime("-62167219200", "%s"), Timestamp(Date::Date(0, 1, 1, 0, 0, 0)));
  EXPECT_EQ(Timestamp::strptime("2016-12-31 23:59:60.5", "%F %H:%M:%E*S"),
            Timestamp(Date::Date(2017, 1, 1, 0, 0, 0)));
  EXPECT_EQ(Timestamp::strptime("2026-12-08T11:00Z", "%FT%R%z"),
            Timestamp::strptime("2026-12-08 12:00 +0100", "%F %R %z"));
  EXPECT_EQ(Timestamp::strptime("5 18000", "%I %s"), Timestamp(Date::Date(1970, 1, 1, 5, 0, 0)));
  EXPECT_EQ(Date::Date::strptime("69-W01-1", "%g-W%V-%u"), Date::Date(1968, Date::Dec, 30));
  EXPECT_EQ(Date::Date::strptime("2026", "%G"), Date::Date(2026, Date::Jan, 1));
  std::string text = "%d.%m.%Y";
  Date::Date(2026, Date::Dec, 8).strftime(text, text);
  EXPECT_EQ(text, "08.12.2026");
  EXPECT_EQ(Date::Date(5, Date::Jan, 1).strftime("%Y %C %F"), "0005 00 0005-01-01");
}

}  // namespace
