// Every zone of the system database against glibc: random instants from
// 1902 to 2100 through toLocal and getOffset against localtime_r, and local
// times that are unique back through toUtc against mktime. glibc's zone is
// chosen with TZ and tzset, in this single-threaded test program.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "database_zones.h"
#include "date.h"
#include "oracle.h"
#include "zone.h"

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

}  // namespace
