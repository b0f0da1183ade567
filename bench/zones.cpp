// Time zones: each library with its own zone object for Europe/Berlin
// (absl::TimeZone, the date library's time_zone from Debian's compiled tz,
// and localtime_r / mktime with TZ set), on dates from 1902 to 2037, where
// every peer reads the same rules, and local times that are unique, where
// mktime has one answer. Each returns its own type.

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <date/date.h>
#include <date/tz.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench.h"
#include "zone.h"

namespace bench {

namespace {

constexpr const char* kZone = "Europe/Berlin";

struct ZoneValues {
  Date::TimeZone normdate = Date::TimeZone::load(kZone);
  absl::TimeZone abseil;
  const date::time_zone* dateLib = date::locate_zone(kZone);
  std::vector<Date::Date> utc;
  std::vector<Date::Date> local;
};

const ZoneValues& zoneValues() {
  static const ZoneValues values = [] {
    ZoneValues v;
    absl::LoadTimeZone(kZone, &v.abseil);
    for (const Date::Date& d : dates("valid")) {
      const Date::Date utc = d.addYear(1902 + d.getYear() % 136 - d.getYear());
      const Date::Date local = v.normdate.toLocal(utc);
      if (!v.normdate.tryToUtc(local)) continue;
      v.utc.push_back(utc);
      v.local.push_back(local);
    }
    return v;
  }();
  return values;
}

using ToLocal = Fields (*)(const Date::Date&);

Fields toLocalNormdate(const Date::Date& utc) {
  return fieldsOf(zoneValues().normdate.toLocal(utc));
}
Fields toLocalAbseil(const Date::Date& utc) {
  const absl::CivilSecond c = zoneValues().abseil.At(absl::FromUnixSeconds(utc.toTimeT())).cs;
  return {static_cast<int>(c.year()), c.month(), c.day(), c.hour(), c.minute(), c.second()};
}
Fields toLocalGlibc(const Date::Date& utc) {
  const std::time_t t = utc.toTimeT();
  std::tm split{};
  localtime_r(&t, &split);
  return {split.tm_year + 1900, split.tm_mon + 1, split.tm_mday,
          split.tm_hour,        split.tm_min,     split.tm_sec};
}
Fields toLocalDateLib(const Date::Date& utc) {
  const date::zoned_seconds zoned(zoneValues().dateLib, date::sys_seconds(utc.toSysSeconds()));
  const date::local_seconds local = zoned.get_local_time();
  const date::local_days day = date::floor<date::days>(local);
  const date::year_month_day ymd{day};
  const date::hh_mm_ss time{local - day};
  return {static_cast<int>(ymd.year()),
          static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())),
          static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()),
          static_cast<int>(time.seconds().count())};
}

constexpr std::array<std::pair<const char*, ToLocal>, 4> toLocalPeers = {{
    {"normdate", toLocalNormdate},
    {"abseil", toLocalAbseil},
    {"localtime_r", toLocalGlibc},
    {"date", toLocalDateLib},
}};

// Each library's own result: a date, an instant, a time_t, a sys_seconds.
Date::Date toUtcNormdate(const Date::Date& local) { return zoneValues().normdate.toUtc(local); }
absl::Time toUtcAbseil(const Date::Date& local) {
  const absl::CivilSecond c(local.getYear(), local.getMonth(), local.getDay(), local.getHour(),
                            local.getMinute(), local.getSecond());
  return zoneValues().abseil.At(c).pre;
}
std::time_t toUtcGlibc(const Date::Date& local) {
  std::tm fields = local.toTm();
  fields.tm_isdst = -1;
  return mktime(&fields);
}
date::sys_seconds toUtcDateLib(const Date::Date& local) {
  const date::local_seconds t{local.toSysSeconds().time_since_epoch()};
  return zoneValues().dateLib->to_sys(t, date::choose::earliest);
}

// Seconds since 1970 of each peer's toUtc result, for the checks.
std::array<std::int64_t, 4> toUtcSeconds(const Date::Date& local) {
  return {toUtcNormdate(local).toSysSeconds().time_since_epoch().count(),
          absl::ToUnixSeconds(toUtcAbseil(local)), toUtcGlibc(local),
          toUtcDateLib(local).time_since_epoch().count()};
}

template <class Convert>
void registerRow(const std::string& name, Convert convert, bool fromUtc) {
  benchmark::RegisterBenchmark(name.c_str(), [convert, fromUtc](benchmark::State& state) {
    cycle(state, fromUtc ? zoneValues().utc : zoneValues().local, convert);
  });
}

}  // namespace

void checkZones(Mismatches& mismatches) {
  // glibc's localtime_r and mktime read the zone from TZ.
  setenv("TZ", kZone, 1);
  tzset();
  const ZoneValues& zones = zoneValues();
  for (std::size_t i = 0; i < zones.utc.size(); ++i) {
    const Fields expected = toLocalNormdate(zones.utc[i]);
    for (const auto& [peer, convert] : toLocalPeers) {
      if (convert(zones.utc[i]) != expected) {
        mismatches.report(std::string("toLocal/") + peer, zones.utc[i], convert(zones.utc[i]),
                          expected);
      }
    }
    const std::array<std::int64_t, 4> seconds = toUtcSeconds(zones.local[i]);
    for (const std::int64_t peer : seconds) {
      if (peer != seconds[0]) mismatches.report("toUtc", zones.local[i], peer, seconds[0]);
    }
  }
}

void registerZones() {
  for (const auto& [peer, convert] : toLocalPeers) {
    registerRow(std::string("zone/toLocal/") + peer, convert, true);
  }
  registerRow("zone/toUtc/normdate", toUtcNormdate, false);
  registerRow("zone/toUtc/abseil", toUtcAbseil, false);
  registerRow("zone/toUtc/mktime", toUtcGlibc, false);
  registerRow("zone/toUtc/date", toUtcDateLib, false);
}

}  // namespace bench
