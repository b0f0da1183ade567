// Time zones: hand-checked conversions, gaps and overlaps, transitions, the
// year wrap, refused names and concurrent use.

#include <gtest/gtest.h>
#include <normdate/zone.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NORMDATE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NORMDATE_SANITIZED 1
#endif
#endif
#if NORMDATE_SANITIZED
// The sanitizer runtimes' count of live heap bytes, declared here: GCC ships
// no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <normdate/date.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "database_zones.h"

namespace {

using Date::Disambiguation;
using Date::LocalTimeInfo;
using Date::TimeZone;

Date::Date at(int y, int mo, int d, int h, int mi, int s = 0) { return {y, mo, d, h, mi, s}; }

struct Known {
  const char* zone;
  Date::Date utc;
  const char* iso;  // the local time with its offset
  const char* abbreviation;
  bool isDst;
};

TEST(Zone, HandCheckedOffsets) {
  const std::array<Known, 12> cases = {{
      {"Europe/Berlin", at(2026, 1, 15, 12, 0), "2026-01-15T13:00:00+01:00", "CET", false},
      {"Europe/Berlin", at(2040, 7, 1, 12, 0), "2040-07-01T14:00:00+02:00", "CEST", true},
      {"Europe/Berlin", at(0, 1, 1, 0, 0), "0000-01-01T00:53:28+00:53:28", "LMT", false},
      {"Australia/Sydney", at(2026, 1, 15, 0, 0), "2026-01-15T11:00:00+11:00", "AEDT", true},
      {"Australia/Sydney", at(2026, 7, 15, 0, 0), "2026-07-15T10:00:00+10:00", "AEST", false},
      {"Asia/Kathmandu", at(2026, 12, 6, 2, 4, 49), "2026-12-06T07:49:49+05:45", "+0545", false},
      {"Australia/Lord_Howe", at(2026, 1, 15, 0, 0), "2026-01-15T11:00:00+11:00", "+11", true},
      {"Australia/Lord_Howe", at(2026, 7, 15, 0, 0), "2026-07-15T10:30:00+10:30", "+1030", false},
      {"America/Sao_Paulo", at(2018, 1, 10, 0, 0), "2018-01-09T22:00:00-02:00", "-02", true},
      {"America/Sao_Paulo", at(2020, 1, 10, 0, 0), "2020-01-09T21:00:00-03:00", "-03", false},
      {"Etc/GMT+5", at(2026, 12, 6, 2, 4, 49), "2026-12-05T21:04:49-05:00", "-05", false},
      {"UTC", at(2026, 12, 6, 2, 4, 49), "2026-12-06T02:04:49+00:00", "UTC", false},
  }};
  for (const Known& c : cases) {
    const TimeZone zone = TimeZone::load(c.zone);
    EXPECT_EQ(zone.getName(), c.zone);
    EXPECT_EQ(zone.toIsoString(c.utc), c.iso) << c.zone;
    const Date::ZoneOffset offset = zone.getOffset(c.utc);
    EXPECT_EQ(offset.abbreviation, c.abbreviation) << c.zone;
    EXPECT_EQ(offset.isDst, c.isDst) << c.zone;
    const Date::Date local = zone.toLocal(c.utc);
    EXPECT_EQ(local.toSysSeconds() - c.utc.toSysSeconds(), std::chrono::seconds{offset.seconds});
    EXPECT_EQ(zone.toUtc(local), c.utc) << c.zone;
  }
}

struct Ambiguous {
  Date::Date local;
  LocalTimeInfo::Kind kind;
  Date::Date earlier, later, transition, compatible;
};

TEST(Zone, GapsAndOverlapsInBerlin) {
  const TimeZone berlin = TimeZone::load("Europe/Berlin");
  const std::array<Ambiguous, 3> cases = {{
      // Clocks jump from 02:00 to 03:00: 02:30 is 03:30 summer time.
      {at(2026, 3, 29, 2, 30), LocalTimeInfo::Skipped, at(2026, 3, 29, 0, 30),
       at(2026, 3, 29, 1, 30), at(2026, 3, 29, 1, 0), at(2026, 3, 29, 1, 30)},
      // Clocks go back from 03:00 to 02:00: 02:30 happens twice.
      {at(2026, 10, 25, 2, 30), LocalTimeInfo::Repeated, at(2026, 10, 25, 0, 30),
       at(2026, 10, 25, 1, 30), at(2026, 10, 25, 1, 0), at(2026, 10, 25, 0, 30)},
      {at(2026, 7, 1, 12, 0), LocalTimeInfo::Unique, at(2026, 7, 1, 10, 0), at(2026, 7, 1, 10, 0),
       at(2026, 7, 1, 10, 0), at(2026, 7, 1, 10, 0)},
  }};
  for (const Ambiguous& c : cases) {
    const LocalTimeInfo info = berlin.lookup(c.local);
    EXPECT_EQ(info.kind, c.kind) << c.local;
    EXPECT_EQ(info.earlier, c.earlier) << c.local;
    EXPECT_EQ(info.later, c.later) << c.local;
    EXPECT_EQ(info.transition, c.transition) << c.local;
    EXPECT_EQ(berlin.toUtc(c.local), c.compatible) << c.local;
    EXPECT_EQ(berlin.toUtc(c.local, Disambiguation::Compatible), c.compatible) << c.local;
    EXPECT_EQ(berlin.toUtc(c.local, Disambiguation::Earlier), c.earlier) << c.local;
    EXPECT_EQ(berlin.toUtc(c.local, Disambiguation::Later), c.later) << c.local;
    EXPECT_EQ(berlin.tryToUtc(c.local).has_value(), c.kind == LocalTimeInfo::Unique);
  }
  // Back to local time: the gap's instants read as the times around it, the
  // overlap's both as 02:30.
  EXPECT_EQ(berlin.toLocal(at(2026, 3, 29, 1, 30)), at(2026, 3, 29, 3, 30));
  EXPECT_EQ(berlin.toLocal(at(2026, 3, 29, 0, 30)), at(2026, 3, 29, 1, 30));
  EXPECT_EQ(berlin.toLocal(at(2026, 10, 25, 0, 30)), at(2026, 10, 25, 2, 30));
  EXPECT_EQ(berlin.toLocal(at(2026, 10, 25, 1, 30)), at(2026, 10, 25, 2, 30));
  EXPECT_EQ(berlin.toIsoString(at(2026, 3, 29, 1, 0)), "2026-03-29T03:00:00+02:00");
}

TEST(Zone, TransitionsAreOffsetChangesStrictlyAfterOrBefore) {
  const TimeZone berlin = TimeZone::load("Europe/Berlin");
  const Date::Date spring = at(2026, 3, 29, 1, 0);
  const Date::Date autumn = at(2026, 10, 25, 1, 0);
  EXPECT_EQ(berlin.nextTransition(at(2026, 1, 1, 0, 0)), spring);
  EXPECT_EQ(berlin.nextTransition(spring), autumn);
  EXPECT_EQ(berlin.prevTransition(autumn), spring);
  EXPECT_EQ(berlin.prevTransition(spring.addSecond(1)), spring);
  EXPECT_EQ(berlin.nextTransition(at(2040, 1, 1, 0, 0)), at(2040, 3, 25, 1, 0));
  // London changed only its daylight-saving flag on 1968-10-27 (British
  // Standard Time, +01:00 all year); the next change of offset is 1971.
  EXPECT_EQ(TimeZone::load("Europe/London").nextTransition(at(1968, 6, 1, 0, 0)),
            at(1971, 10, 31, 2, 0));
  EXPECT_EQ(TimeZone::load("Asia/Kolkata").nextTransition(at(2026, 1, 1, 0, 0)), std::nullopt);
  EXPECT_EQ(TimeZone::utc().prevTransition(at(2026, 1, 1, 0, 0)), std::nullopt);
  EXPECT_EQ(TimeZone::fixed(3600).nextTransition(at(2026, 1, 1, 0, 0)), std::nullopt);

  // In random zones and years, a transition found changes the offset, and
  // stepping back from just after it finds it again.
  const std::array<const char*, 6> zones = {"Europe/Berlin",       "America/New_York",
                                            "Australia/Lord_Howe", "America/Sao_Paulo",
                                            "Asia/Tehran",         "Pacific/Apia"};
  std::mt19937_64 random(67);
  std::uniform_int_distribution<std::int64_t> instant(-2208988800, 4102444800);  // 1900..2100
  for (int i = 0; i < 2000; ++i) {
    const TimeZone zone = TimeZone::load(zones[static_cast<std::size_t>(i) % zones.size()]);
    const Date::Date t = Date::Date::fromTimeT(instant(random));
    if (const std::optional<Date::Date> next = zone.nextTransition(t)) {
      ASSERT_LT(t, *next);
      ASSERT_NE(zone.getOffset(*next).seconds, zone.getOffset(next->addSecond(-1)).seconds);
      ASSERT_EQ(zone.getOffset(t).seconds, zone.getOffset(next->addSecond(-1)).seconds);
      ASSERT_EQ(zone.prevTransition(next->addSecond(1)), next);
    }
  }
}

// A rule of a zone's present-day daylight-saving time: the n-th weekday of
// a month (n = -1 the last), at a time given from that day's 00:00 UTC.
struct YearlyRule {
  int month;
  int n;
  Date::Weekday weekday;
  int utcSeconds;

  [[nodiscard]] Date::Date in(int year) const {
    return Date::Date(year, static_cast<Date::Month>(month), 1)
        .nthWeekdayOfMonth(n, weekday)
        .addSecond(utcSeconds);
  }
};

struct Rules {
  const char* zone;
  YearlyRule first;  // the year's first transition
  YearlyRule second;
};

// Past 2037 the database states rules, not transitions, and abseil lists
// them for 400 years only; the transitions of every year to 9999 match the
// rules, computed here with the calendar alone.
TEST(Zone, TransitionsFollowTheRulesToTheYear9999) {
  constexpr int hour = 3600;
  const std::array<Rules, 4> zones = {{
      {"Europe/Berlin", {3, -1, Date::Sun, hour}, {10, -1, Date::Sun, hour}},
      {"America/New_York", {3, 2, Date::Sun, 7 * hour}, {11, 1, Date::Sun, 6 * hour}},
      // 02:00 or 03:00 local time on a Sunday is the Saturday before in UTC.
      {"Australia/Sydney", {4, 1, Date::Sun, -8 * hour}, {10, 1, Date::Sun, -8 * hour}},
      {"Australia/Lord_Howe", {4, 1, Date::Sun, -9 * hour}, {10, 1, Date::Sun, -17 * hour / 2}},
  }};
  for (const Rules& rules : zones) {
    const TimeZone zone = TimeZone::load(rules.zone);
    for (int year = 2036; year <= 9999; ++year) {
      const Date::Date first = rules.first.in(year);
      const Date::Date second = rules.second.in(year);
      ASSERT_EQ(zone.nextTransition(at(year, 1, 1, 0, 0)), first) << rules.zone << ' ' << year;
      ASSERT_EQ(zone.nextTransition(first), second) << rules.zone << ' ' << year;
      ASSERT_EQ(zone.prevTransition(second), first) << rules.zone << ' ' << year;
      if (year < 9999) {
        ASSERT_EQ(zone.prevTransition(at(year + 1, 1, 1, 0, 0)), second)
            << rules.zone << ' ' << year;
      }
    }
    EXPECT_EQ(zone.nextTransition(rules.second.in(9999)), std::nullopt) << rules.zone;
  }
  EXPECT_EQ(TimeZone::load("America/Sao_Paulo").nextTransition(at(2036, 1, 1, 0, 0)), std::nullopt);
  EXPECT_EQ(TimeZone::load("America/Sao_Paulo").prevTransition(at(9000, 1, 1, 0, 0)),
            at(2019, 2, 17, 2, 0));
}

// Conversions allocate nothing and cannot throw, and say so.
static_assert(noexcept(std::declval<TimeZone>().toLocal(std::declval<Date::Date>())));
static_assert(noexcept(std::declval<TimeZone>().toUtc(std::declval<Date::Timestamp>())));
static_assert(noexcept(std::declval<TimeZone>().tryToUtc(std::declval<Date::Date>())));
static_assert(noexcept(std::declval<TimeZone>().lookup(std::declval<Date::Date>())));
static_assert(noexcept(std::declval<TimeZone>().nextTransition(std::declval<Date::Date>())));

TEST(Zone, FixedAndUtcZones) {
  const std::array<std::pair<int, const char*>, 6> cases = {{{25200, "+07:00"},
                                                             {20700, "+05:45"},
                                                             {-30, "-00:00:30"},
                                                             {0, "+00:00"},
                                                             {100000, "+23:59:59"},
                                                             {INT32_MIN, "-23:59:59"}}};
  for (const auto& [seconds, name] : cases) {
    const TimeZone zone = TimeZone::fixed(seconds);
    EXPECT_EQ(zone.getName(), name);
    EXPECT_EQ(zone.getOffset(at(2026, 1, 1, 0, 0)).abbreviation, name);
    const int clamped = std::clamp(seconds, -86399, 86399);
    EXPECT_EQ(zone.toLocal(at(2026, 1, 1, 0, 0)), at(2026, 1, 1, 0, 0).addSecond(clamped));
  }
  EXPECT_EQ(TimeZone::utc().getName(), "UTC");
  EXPECT_EQ(TimeZone::utc().getOffset(at(2026, 1, 1, 0, 0)).abbreviation, "UTC");
  EXPECT_EQ(TimeZone::load("UTC").getName(), "UTC");
}

// Every offset the writer can give reads back: fixed offsets with every
// count of seconds, and each database zone's local mean time and a few
// instants of its later history.
TEST(Zone, IsoTextWithEveryOffsetReadsBackToItsInstant) {
  const Date::Date instant = at(2026, 12, 6, 2, 4, 49);
  for (int seconds = 0; seconds < 60; ++seconds) {
    for (int hours = 0; hours < 24; ++hours) {
      const int magnitude = hours * 3600 + (hours * 7 + seconds) % 60 * 60 + seconds;
      for (const int offset : {magnitude, -magnitude}) {
        const std::string text = TimeZone::fixed(offset).toIsoString(instant);
        ASSERT_EQ(Date::Date::parseIso(text), instant) << text;
      }
    }
  }
  EXPECT_EQ(TimeZone::load("Europe/Amsterdam").toIsoString(at(1900, 1, 1, 12, 0)),
            "1900-01-01T12:19:32+00:19:32");
  std::mt19937_64 random(73);
  std::uniform_int_distribution<std::int64_t> seconds(-62167219200, 253402300799);
  for (const std::string& name : databaseZones()) {
    const TimeZone zone = TimeZone::load(name);
    for (int i = 0; i < 20; ++i) {
      const Date::Date utc = i == 0 ? at(1800, 1, 1, 0, 0) : Date::Date::fromTimeT(seconds(random));
      const std::string text = zone.toIsoString(utc);
      ASSERT_EQ(Date::Date::parseIso(text), utc) << name << ": " << text;
    }
  }
}

// Moving shares the zone, as copying does: every member still answers on
// the moved-from zone, as the zone it was.
TEST(Zone, AMovedFromZoneIsStillTheZone) {
  TimeZone moved = TimeZone::load("Europe/Berlin");
  const TimeZone target = std::move(moved);
  TimeZone assigned = TimeZone::utc();
  assigned = std::move(moved);
  const Date::Date gap = at(2026, 3, 29, 2, 30);
  for (const TimeZone* zone : {&moved, &assigned}) {
    EXPECT_EQ(zone->getName(), target.getName());
    EXPECT_EQ(zone->getOffset(gap).abbreviation, target.getOffset(gap).abbreviation);
    EXPECT_EQ(zone->toLocal(gap), target.toLocal(gap));
    EXPECT_EQ(zone->lookup(gap).kind, LocalTimeInfo::Skipped);
    EXPECT_EQ(zone->toUtc(gap, Disambiguation::Later), target.toUtc(gap, Disambiguation::Later));
    EXPECT_EQ(zone->tryToUtc(gap), std::nullopt);
    EXPECT_EQ(zone->nextTransition(gap), target.nextTransition(gap));
    EXPECT_EQ(zone->prevTransition(gap), target.prevTransition(gap));
    EXPECT_EQ(zone->toIsoString(gap), target.toIsoString(gap));
    EXPECT_FALSE(zone->now() < target.now().addSecond(-5));
  }
}

// A timestamp converts as its whole second, with the fraction carried; its
// ISO text, read back with its offset, writes the same text from a fixed
// zone of that offset.
TEST(Zone, TimestampsConvertAsTheirWholeSecond) {
  EXPECT_EQ(TimeZone::load("Europe/Berlin")
                .toIsoString(Date::Timestamp(at(2026, 7, 1, 12, 0), 250'000'000)),
            "2026-07-01T14:00:00.250+02:00");
  std::mt19937_64 random(107);
  std::uniform_int_distribution<std::int64_t> seconds(-62167219200, 253402300799);
  std::uniform_int_distribution<std::int64_t> nanoseconds(0, 999'999'999);
  for (const char* name : {"Europe/Berlin", "Australia/Lord_Howe", "America/New_York"}) {
    const TimeZone zone = TimeZone::load(name);
    for (int i = 0; i < 3000; ++i) {
      const Date::Date whole = Date::Date::fromTimeT(seconds(random));
      const std::int64_t fraction = nanoseconds(random);
      const Date::Timestamp t(whole, fraction);
      ASSERT_EQ(zone.toLocal(t), Date::Timestamp(zone.toLocal(whole), fraction));
      for (const Disambiguation d :
           {Disambiguation::Compatible, Disambiguation::Earlier, Disambiguation::Later}) {
        ASSERT_EQ(zone.toUtc(t, d), Date::Timestamp(zone.toUtc(whole, d), fraction));
      }
      const std::optional<Date::Date> unique = zone.tryToUtc(whole);
      ASSERT_EQ(zone.tryToUtc(t),
                unique ? std::optional(Date::Timestamp(*unique, fraction)) : std::nullopt);
      const std::string text = zone.toIsoString(t);
      const Date::OffsetTimestamp read = Date::Timestamp::parseIsoWithOffset(text);
      ASSERT_EQ(read.utc, t) << text;
      ASSERT_EQ(read.offsetSeconds, zone.getOffset(whole).seconds) << text;
      ASSERT_EQ(TimeZone::fixed(read.offsetSeconds).toIsoString(read.utc), text);
    }
  }
}

TEST(Zone, YearsWrapThroughTheExactInstant) {
  const TimeZone tokyo = TimeZone::load("Asia/Tokyo");
  EXPECT_EQ(tokyo.toLocal(at(9999, 12, 31, 20, 0)), at(0, 1, 1, 5, 0));
  // A local time of year 0 is read with year 0's rule, local mean time
  // (+09:18:59), and its instant wraps back to year 9999.
  EXPECT_EQ(tokyo.toUtc(at(0, 1, 1, 5, 0)), at(9999, 12, 31, 19, 41, 1));
  const TimeZone plus7 = TimeZone::fixed(25200);
  EXPECT_EQ(plus7.toUtc(at(0, 1, 1, 3, 0)), at(9999, 12, 31, 20, 0));
  EXPECT_EQ(plus7.toLocal(at(9999, 12, 31, 20, 0)), at(0, 1, 1, 3, 0));
}

TEST(Zone, RefusedNamesSayWhy) {
  const std::array<std::pair<std::string, const char*>, 14> cases = {{
      {"", R"(not a time zone name: "")"},
      {"/etc/localtime", R"(not a time zone name: "/etc/localtime")"},
      {"../../etc/passwd", R"(not a time zone name: "../../etc/passwd")"},
      {"Europe/../Asia/Tokyo", R"(not a time zone name: "Europe/../Asia/Tokyo")"},
      {"Europe//Berlin", R"(not a time zone name: "Europe//Berlin")"},
      {"Europe/Berlin/", R"(not a time zone name: "Europe/Berlin/")"},
      {"./UTC", R"(not a time zone name: "./UTC")"},
      {"Europe/Ber lin", R"(not a time zone name: "Europe/Ber lin")"},
      {"file:UTC", R"(not a time zone name: "file:UTC")"},
      {std::string("Europe/\x01\xff"), R"(not a time zone name: "Europe/\x01\xff")"},
      {std::string(256, 'A'),
       R"(not a time zone name: "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA...")"},
      {"Mars/Olympus_Mons", R"(unknown time zone: "Mars/Olympus_Mons")"},
      {"Europe", R"(unknown time zone: "Europe")"},
      {"zone1970.tab", R"(unknown time zone: "zone1970.tab")"},
  }};
  for (const auto& [name, message] : cases) {
    EXPECT_FALSE(TimeZone::tryLoad(name).has_value()) << name;
    try {
      (void)TimeZone::load(name);
      ADD_FAILURE() << "loaded " << name;
    } catch (const Date::ZoneError& error) {
      EXPECT_STREQ(error.what(), message);
    }
  }
  // 255 bytes are of IANA form; the database just lacks the name.
  try {
    (void)TimeZone::load(std::string(255, 'A'));
    ADD_FAILURE() << "loaded 255 bytes";
  } catch (const Date::ZoneError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("unknown time zone: ", 0), 0u);
  }
}

// The bytes the program has allocated and not freed, as the allocator in
// use counts them.
std::size_t liveHeapBytes() {
#if NORMDATE_SANITIZED
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// Names come from users: many distinct unknown ones must not each leave
// memory behind.
TEST(Zone, UnknownNamesLeaveNoMemoryBehind) {
  const std::size_t before = liveHeapBytes();
  for (int i = 0; i < 200000; ++i) {
    ASSERT_FALSE(TimeZone::tryLoad("Unknown/Zone_" + std::to_string(i)).has_value());
  }
  EXPECT_LT(liveHeapBytes(), before + (std::size_t{1} << 20));
}

// Offsets come from text: fixed zones of every offset, each converting,
// leave no memory behind.
TEST(Zone, FixedZonesLeaveNoMemoryBehind) {
  const std::size_t before = liveHeapBytes();
  for (int offset = -86399; offset <= 86399; ++offset) {
    const TimeZone zone = TimeZone::fixed(offset);
    ASSERT_EQ(zone.toLocal(at(2026, 1, 1, 0, 0)), at(2026, 1, 1, 0, 0).addSecond(offset));
  }
  EXPECT_LT(liveHeapBytes(), before + (std::size_t{1} << 20));
}

// Names are looked for in TZDIR, or where TZDIR is unset or empty in the
// system's zone directory (not the current one).
TEST(Zone, NamesAreLookedForInTzdir) {
  const std::filesystem::path directory =
      std::filesystem::temp_directory_path() / "normdate_zone_test_tzdir";
  std::filesystem::create_directories(directory / "Test");
  std::filesystem::copy_file("/usr/share/zoneinfo/Asia/Tokyo", directory / "Test" / "Zone",
                             std::filesystem::copy_options::overwrite_existing);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  setenv("TZDIR", "", 1);
  EXPECT_FALSE(TimeZone::tryLoad("Test/Zone").has_value());
  setenv("TZDIR", directory.c_str(), 1);
  EXPECT_EQ(TimeZone::load("Test/Zone").toIsoString(at(2026, 1, 1, 0, 0)),
            "2026-01-01T09:00:00+09:00");
  unsetenv("TZDIR");
  std::filesystem::current_path(before);
  std::filesystem::remove_all(directory);
}

TEST(Zone, LocalZoneFollowsTz) {
  const char* saved = std::getenv("TZ");
  const std::string before = saved != nullptr ? saved : "";
  setenv("TZ", ":Asia/Kathmandu", 1);
  EXPECT_EQ(TimeZone::local().getName(), "Asia/Kathmandu");
  setenv("TZ", "Asia/Tokyo", 1);
  EXPECT_EQ(TimeZone::local().getName(), "Asia/Tokyo");
  setenv("TZ", "Not/A_Zone", 1);
  EXPECT_EQ(TimeZone::local().getName(), "UTC");
  // A zone file of an application's own is read where it is, though its
  // path looks like one into the database: here Tokyo's rules.
  const std::filesystem::path own =
      std::filesystem::temp_directory_path() / "normdate_zone_test_own/zoneinfo/Europe/Berlin";
  std::filesystem::create_directories(own.parent_path());
  std::filesystem::copy_file("/usr/share/zoneinfo/Asia/Tokyo", own,
                             std::filesystem::copy_options::overwrite_existing);
  setenv("TZ", own.c_str(), 1);
  EXPECT_EQ(TimeZone::local().getName(), own.string());
  EXPECT_EQ(TimeZone::local().getOffset(at(2026, 7, 1, 0, 0)).seconds, 9 * 3600);
  std::filesystem::remove_all(own.parent_path().parent_path());
  // A rule's abbreviations are named by byte-sized indexes: a standard one
  // may be long, but one that pushes the daylight one beyond is refused.
  const std::string longName(300, 'A');
  setenv("TZ", ("<" + longName + ">5").c_str(), 1);
  EXPECT_EQ(TimeZone::local().getOffset(at(2026, 1, 1, 0, 0)).abbreviation, longName);
  setenv("TZ", ("<" + longName + ">5EDT,M3.2.0,M11.1.0").c_str(), 1);
  EXPECT_EQ(TimeZone::local().getName(), "UTC");

  unsetenv("TZ");
  const TimeZone machine = TimeZone::local();  // /etc/localtime, else UTC
  // Where /etc/localtime links into the database, the zone has that name.
  std::error_code error;
  const std::string link = std::filesystem::read_symlink("/etc/localtime", error).string();
  const std::size_t zoneinfo = link.rfind("zoneinfo/");
  if (!error && zoneinfo != std::string::npos) {
    EXPECT_EQ(machine.getName(), link.substr(zoneinfo + 9));
  } else {
    EXPECT_FALSE(machine.getName().empty());
  }
  EXPECT_EQ(machine.toUtc(machine.toLocal(at(2026, 1, 15, 12, 0))), at(2026, 1, 15, 12, 0));
  if (saved != nullptr) setenv("TZ", before.c_str(), 1);
  const Date::Date before2 = TimeZone::utc().now();
  EXPECT_FALSE(Date::Date() < before2);
}

// Many threads load the same and different zones and convert at once; run
// under ThreadSanitizer by the tsan preset.
TEST(Zone, ConcurrentLoadsAndConversions) {
  const std::array<const char*, 4> names = {"Europe/Berlin", "America/New_York", "Asia/Kathmandu",
                                            "Australia/Lord_Howe"};
  const TimeZone shared = TimeZone::load("Europe/Paris");
  std::vector<std::thread> threads;
  std::vector<int> failures(8);
  for (std::size_t t = 0; t < failures.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        const TimeZone zone =
            TimeZone::load(names[(t + static_cast<std::size_t>(i)) % names.size()]);
        const Date::Date utc = at(2000 + i % 50, 1 + i % 12, 1 + i % 28, i % 24, i % 60);
        if (zone.toUtc(zone.toLocal(utc), Disambiguation::Earlier) > utc) ++failures[t];
        if (shared.toUtc(shared.toLocal(utc), Disambiguation::Earlier) > utc) ++failures[t];
        const TimeZone copy = shared;
        if (copy.getName() != "Europe/Paris") ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
