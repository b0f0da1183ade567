// Every zone of the system database against glibc: random instants from
// 1902 to 2100 through toLocal and getOffset against localtime_r, and local
// times that are unique back through toUtc against mktime. glibc's zone is
// chosen with TZ and tzset, in this single-threaded test program.

#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/zone.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "database_zones.h"
#include "oracle.h"

namespace {

TEST(ZoneGlibc, EveryZoneAgreesWithLocaltimeAndMktime) {
  const std::vector<std::string> zones = databaseZones();
  ASSERT_GT(zones.size(), 300u);
  std::mt19937_64 random(71);
  std::uniform_int_distribution<std::int64_t> instant(-2145916800, 4133980799);  // 1902..2100
  std::size_t conversions = 0;
  std::size_t uniqueLocals = 0;
  for (const std::string& name : zones) {
    const Date::TimeZone zone = Date::TimeZone::load(name);
    setenv("TZ", name.c_str(), 1);
    tzset();
    for (int i = 0; i < 300; ++i) {
      const std::time_t t = instant(random);
      std::tm split{};
      localtime_r(&t, &split);
      const Date::Date utc = Date::Date::fromTimeT(t);
      const Date::Date local = zone.toLocal(utc);
      ASSERT_EQ(oracle::of(local),
                (oracle::Fields{split.tm_year + 1900, split.tm_mon + 1, split.tm_mday,
                                split.tm_hour, split.tm_min, split.tm_sec}))
          << name << " at " << t;
      const Date::ZoneOffset offset = zone.getOffset(utc);
      ASSERT_EQ(offset.seconds, split.tm_gmtoff) << name << " at " << t;
      ASSERT_EQ(offset.abbreviation, split.tm_zone) << name << " at " << t;
      ASSERT_EQ(offset.isDst, split.tm_isdst > 0) << name << " at " << t;
      ++conversions;
      if (const std::optional<Date::Date> back = zone.tryToUtc(local)) {
        std::tm fields = split;
        fields.tm_isdst = -1;
        ASSERT_EQ(back->toTimeT(), mktime(&fields)) << name << " at " << t;
        ++uniqueLocals;
      }
    }
  }
  unsetenv("TZ");
  tzset();
  std::cout << zones.size() << " zones, " << conversions << " instants, " << uniqueLocals
            << " unique local times back through mktime, no mismatch\n";
}

// The zone TimeZone::local() reads from each form of TZ, against the C
// library's reading of the same TZ in this process, on random instants from
// 1970 (before which the C library gives standard time for every rule) to
// 9999.
TEST(ZoneGlibc, LocalZoneReadsEveryFormOfTzAsTheCLibraryDoes) {
  struct Form {
    std::string tz;
    std::string name;  // what local().getName() gives, if it is known here
  };
  std::vector<Form> forms = {
      {"/usr/share/zoneinfo/Europe/Berlin", "Europe/Berlin"},
      {":/usr/share/zoneinfo/America/New_York", "America/New_York"},
      {":Australia/Lord_Howe", "Australia/Lord_Howe"},
      {"Asia/Kathmandu", "Asia/Kathmandu"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", "CET-1CEST,M3.5.0,M10.5.0/3"},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", "AEST-10AEDT,M10.1.0,M4.1.0/3"},
      {"NZST-12NZDT,M9.5.0,M4.1.0/3", "NZST-12NZDT,M9.5.0,M4.1.0/3"},
      {"<-03>3<-02>,M3.5.0/-2,M10.5.0/-1", "<-03>3<-02>,M3.5.0/-2,M10.5.0/-1"},
      {"EST+5", "EST+5"},
      {"AAA0BBB-2,J100,J100/3", "AAA0BBB-2,J100,J100/3"},
      {"<+0545>-5:45", "<+0545>-5:45"},
      {"UTC0", "UTC0"},
      {"", "UTC"},
  };
  if (std::filesystem::exists("/etc/localtime")) forms.push_back({":/etc/localtime", ""});
  std::mt19937_64 random(79);
  std::uniform_int_distribution<std::int64_t> instant(0, 253402300799);  // 1970..9999
  for (const Form& form : forms) {
    setenv("TZ", form.tz.c_str(), 1);
    tzset();
    const Date::TimeZone zone = Date::TimeZone::local();
    if (!form.name.empty()) {
      EXPECT_EQ(zone.getName(), form.name) << form.tz;
    }
    for (int i = 0; i < 3000; ++i) {
      const std::time_t t = instant(random);
      std::tm split{};
      localtime_r(&t, &split);
      const Date::Date utc = Date::Date::fromTimeT(t);
      ASSERT_EQ(oracle::of(zone.toLocal(utc)),
                (oracle::Fields{split.tm_year + 1900, split.tm_mon + 1, split.tm_mday,
                                split.tm_hour, split.tm_min, split.tm_sec}))
          << form.tz << " at " << t;
      const Date::ZoneOffset offset = zone.getOffset(utc);
      ASSERT_EQ(offset.abbreviation, split.tm_zone) << form.tz << " at " << t;
      ASSERT_EQ(offset.isDst, split.tm_isdst > 0) << form.tz << " at " << t;
      if (const std::optional<Date::Date> back = zone.tryToUtc(zone.toLocal(utc))) {
        std::tm fields = split;
        fields.tm_isdst = -1;
        ASSERT_EQ(back->toTimeT(), mktime(&fields)) << form.tz << " at " << t;
      }
    }
  }
  // A rule applies in every year; "0/0,J365/25" is daylight time all year.
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  const Date::TimeZone rule = Date::TimeZone::local();
  EXPECT_EQ(rule.toIsoString(Date::Date(1900, Date::Jul, 1)), "1900-07-01T02:00:00+02:00");
  EXPECT_EQ(rule.toIsoString(Date::Date(0, Date::Jul, 1)), "0000-07-01T02:00:00+02:00");
  EXPECT_EQ(rule.toIsoString(Date::Date(0, Date::Jan, 1)), "0000-01-01T01:00:00+01:00");
  EXPECT_EQ(rule.nextTransition(Date::Date(1000, Date::Jan, 1)),
            Date::Date(1000, Date::Mar, 30, 1, 0, 0));
  setenv("TZ", "EST5EDT,0/0,J365/25", 1);
  const Date::TimeZone allYear = Date::TimeZone::local();
  for (int i = 0; i < 1000; ++i) {
    const Date::ZoneOffset offset = allYear.getOffset(Date::Date::fromTimeT(instant(random)));
    ASSERT_EQ(offset.seconds, -4 * 3600);
    ASSERT_TRUE(offset.isDst);
    ASSERT_EQ(offset.abbreviation, "EDT");
  }
  // An hour of standard time a year, after daylight time two hours ahead,
  // on April 10: 01:00 UTC goes back to 01:00, 02:00 UTC on to 04:00. The
  // overlap and the gap overlap, so abseil answers for the zone directly.
  setenv("TZ", "AAA0BBB-2,J100,J100/3", 1);
  const Date::TimeZone crossing = Date::TimeZone::local();
  EXPECT_EQ(crossing.toIsoString(Date::Date(2026, Date::Apr, 10, 0, 30, 0)),
            "2026-04-10T02:30:00+02:00");
  EXPECT_EQ(crossing.toIsoString(Date::Date(2026, Date::Apr, 10, 1, 30, 0)),
            "2026-04-10T01:30:00+00:00");
  EXPECT_EQ(crossing.tryToUtc(Date::Date(2026, Date::Apr, 10, 12, 0, 0)),
            Date::Date(2026, Date::Apr, 10, 10, 0, 0));
  // An hour of daylight time two hours ahead, from midnight: 00:00 UTC
  // goes on to 02:00, 01:00 UTC back to 01:00, before the change it
  // follows. No abseil zone holds that.
  setenv("TZ", "AAA0BBB-2,J100/0,J100/3", 1);
  EXPECT_EQ(Date::TimeZone::local().getName(), "UTC");
  // Daylight time ends at the instant it starts again where December 31 is
  // a Saturday; abseil's zones cannot hold two changes at one instant.
  setenv("TZ", "AAA-14BBB-13,M1.1.0/0,M12.5.6/23", 1);
  EXPECT_EQ(Date::TimeZone::local().getName(), "UTC");
  unsetenv("TZ");
  tzset();
}

// The POSIX rule a zone file ends with (RFC 8536, section 3.3).
std::string footerOf(const std::string& name) {
  std::ifstream file("/usr/share/zoneinfo/" + name, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t end = data.size() - 1;
  return data.substr(data.rfind('\n', end - 1) + 1, end - data.rfind('\n', end - 1) - 1);
}

// Every daylight-saving rule of the database, given as TZ, holds in every
// year from 0 to 2400 as the database's own zone, whose future abseil
// extends by the same rule, holds it in the same year of the calendar's
// cycle 2800 to 3199.
TEST(ZoneGlibc, EveryRuleOfTheDatabaseHoldsInEveryYear) {
  std::map<std::string, std::string> zoneOfRule;
  for (const std::string& name : databaseZones()) {
    const std::string rule = footerOf(name);
    if (rule.find(',') != std::string::npos) zoneOfRule.emplace(rule, name);
  }
  ASSERT_GT(zoneOfRule.size(), 20u);
  for (const auto& [rule, name] : zoneOfRule) {
    setenv("TZ", rule.c_str(), 1);
    const Date::TimeZone fromRule = Date::TimeZone::local();
    ASSERT_EQ(fromRule.getName(), rule);
    const Date::TimeZone database = Date::TimeZone::load(name);
    for (int year = 0; year <= 2400; ++year) {
      const int cycleYear = 2800 + year % 400;
      for (int month = 1; month <= 12; ++month) {
        for (const int day : {1, 15}) {
          const Date::ZoneOffset a = fromRule.getOffset(Date::Date(year, month, day, 12, 0, 0));
          const Date::ZoneOffset b =
              database.getOffset(Date::Date(cycleYear, month, day, 12, 0, 0));
          ASSERT_EQ(a.seconds, b.seconds) << rule << ' ' << year << '-' << month << '-' << day;
          ASSERT_EQ(a.isDst, b.isDst) << rule << ' ' << year << '-' << month << '-' << day;
        }
      }
    }
  }
  unsetenv("TZ");
}

}  // namespace
