// The index of a zone's offsets and local times against abseil's own
// answers: around every transition of every zone of the database, and on
// random instants and local times of years 0..9999; and TimeZone's
// disambiguations of the local times it finds in gaps and overlaps.

#include "zone/zone_index.h"

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/zone.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "database_zones.h"

namespace {

using Date::detail::LocalPlace;
using Date::detail::ZoneIndex;

constexpr std::int64_t kFirst = -62167219200;  // 0000-01-01 00:00:00
constexpr std::int64_t kLast = 253402300799;   // 9999-12-31 23:59:59

absl::TimeZone abseilZone(const std::string& name) {
  absl::TimeZone zone;
  EXPECT_TRUE(absl::LoadTimeZone(name, &zone)) << name;
  return zone;
}

// The index gives abseil's answer for the instant and for the local time.
::testing::AssertionResult agrees(const ZoneIndex& index, const absl::TimeZone& zone,
                                  std::int64_t instant, std::int64_t local) {
  const absl::TimeZone::CivilInfo at = zone.At(absl::FromUnixSeconds(instant));
  const Date::detail::LocalType& type = index.typeAt(instant);
  if (type.offset != at.offset || type.isDst != at.is_dst || type.abbreviation != at.zone_abbr) {
    return ::testing::AssertionFailure()
           << "instant " << instant << ": offset " << type.offset << " " << type.abbreviation
           << ", abseil " << at.offset << " " << at.zone_abbr;
  }
  const absl::TimeZone::TimeInfo info = zone.At(absl::CivilSecond() + local);
  const LocalPlace place = index.placeOf(local);
  const auto kind = info.kind == absl::TimeZone::TimeInfo::SKIPPED    ? LocalPlace::Skipped
                    : info.kind == absl::TimeZone::TimeInfo::REPEATED ? LocalPlace::Repeated
                                                                      : LocalPlace::Unique;
  if (place.kind != kind || place.pre != absl::ToUnixSeconds(info.pre) ||
      place.transition != absl::ToUnixSeconds(info.trans) ||
      place.post != absl::ToUnixSeconds(info.post)) {
    return ::testing::AssertionFailure()
           << "local " << local << ": " << place.kind << " " << place.pre << " " << place.transition
           << " " << place.post << ", abseil " << kind << " " << absl::ToUnixSeconds(info.pre)
           << " " << absl::ToUnixSeconds(info.trans) << " " << absl::ToUnixSeconds(info.post);
  }
  return ::testing::AssertionSuccess();
}

TEST(ZoneIndex, EveryTransitionOfEveryZoneAgreesWithAbseil) {
  const std::vector<std::string> zones = databaseZones();
  ASSERT_GT(zones.size(), 300u);
  std::size_t transitions = 0;
  for (const std::string& name : zones) {
    const absl::TimeZone zone = abseilZone(name);
    const ZoneIndex index(zone);
    ASSERT_TRUE(index.answers()) << name;
    ASSERT_LE(index.bytes(), ZoneIndex::defaultBudget) << name;
    absl::TimeZone::CivilTransition next;
    for (absl::Time after = absl::FromUnixSeconds(kFirst);
         zone.NextTransition(after, &next) && absl::ToUnixSeconds(after) < kLast;) {
      const std::int64_t instant = absl::ToUnixSeconds(zone.At(next.to).trans);
      // The civil times on either side of the transition, and every second
      // of the gap or the overlap between them, at its ends and middle.
      const std::int64_t from = next.from - absl::CivilSecond();
      const std::int64_t to = next.to - absl::CivilSecond();
      const std::int64_t low = std::min(from, to);
      const std::int64_t high = std::max(from, to);
      for (const std::int64_t delta : {-1, 0, 1}) {
        for (const std::int64_t local : {low + delta, high + delta, (low + high) / 2 + delta}) {
          ASSERT_TRUE(agrees(index, zone, instant + delta, local)) << name;
        }
      }
      ++transitions;
      after = zone.At(next.to).trans;
    }
  }
  std::cout << zones.size() << " zones, " << transitions << " transitions, no difference\n";
}

TEST(ZoneIndex, RandomInstantsAndLocalTimesOfEveryYearAgreeWithAbseil) {
  std::mt19937_64 random(127);
  std::uniform_int_distribution<std::int64_t> any(kFirst, kLast);
  for (const char* name :
       {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Tokyo", "Europe/Dublin",
        "America/Sao_Paulo", "Africa/Casablanca", "Pacific/Apia", "UTC", "Etc/GMT-14"}) {
    const absl::TimeZone zone = abseilZone(name);
    const ZoneIndex index(zone);
    for (int i = 0; i < 20000; ++i) {
      ASSERT_TRUE(agrees(index, zone, any(random), any(random))) << name;
    }
  }
}

// Tables given less memory have longer buckets, whose lookups scan several
// transitions, down to one bucket for all of them.
TEST(ZoneIndex, SmallerBudgetsGiveLongerBucketsAndTheSameAnswers) {
  std::mt19937_64 random(137);
  // 1850 to 2450, where abseil lists the transitions.
  std::uniform_int_distribution<std::int64_t> listed(-3786825600, 15147187200);
  for (const char* name : {"Europe/Berlin", "Africa/Casablanca"}) {
    const absl::TimeZone zone = abseilZone(name);
    const std::size_t full = ZoneIndex(zone).bytes();
    const ZoneIndex squeezed(zone, full - 1);
    // As short as the budget allows: buckets half as long would not fit.
    EXPECT_LE(squeezed.bytes(), full - 1) << name;
    EXPECT_GT(squeezed.bytes(), full / 2) << name;
    const ZoneIndex oneBucket(zone, 0);
    for (const ZoneIndex* index : {&squeezed, &oneBucket}) {
      for (int i = 0; i < 5000; ++i)
        ASSERT_TRUE(agrees(*index, zone, listed(random), listed(random))) << name;
    }
  }
}

// TimeZone resolves a local time of a gap or an overlap as each
// Disambiguation says, from the instants the index finds.
TEST(ZoneIndex, DisambiguationsPickTheInstantsAbseilFinds) {
  std::mt19937_64 random(131);
  std::uniform_int_distribution<std::int64_t> years(kFirst, kLast);
  for (const char* name : {"Europe/Berlin", "Australia/Lord_Howe", "America/St_Johns"}) {
    const absl::TimeZone zone = abseilZone(name);
    const Date::TimeZone ours = Date::TimeZone::load(name);
    absl::TimeZone::CivilTransition next;
    for (int i = 0; i < 2000; ++i) {
      if (!zone.NextTransition(absl::FromUnixSeconds(years(random)), &next)) continue;
      const absl::CivilSecond middle = next.from + (next.to - next.from) / 2;
      const Date::Date local(static_cast<int>(middle.year()), middle.month(), middle.day(),
                             middle.hour(), middle.minute(), middle.second());
      const absl::TimeZone::TimeInfo info = zone.At(middle);
      const auto date = [](absl::Time t) { return Date::Date::fromTimeT(absl::ToTimeT(t)); };
      const bool gap = info.kind == absl::TimeZone::TimeInfo::SKIPPED;
      ASSERT_EQ(ours.toUtc(local), date(info.pre)) << name << ' ' << local;
      ASSERT_EQ(ours.toUtc(local, Date::Disambiguation::Earlier), date(gap ? info.post : info.pre));
      ASSERT_EQ(ours.toUtc(local, Date::Disambiguation::Later), date(gap ? info.pre : info.post));
      ASSERT_EQ(ours.tryToUtc(local).has_value(), info.kind == absl::TimeZone::TimeInfo::UNIQUE);
    }
  }
}

}  // namespace
