// Time zones: each library with its own zone object (absl::TimeZone, the
// date library's time_zone from Debian's compiled tz, and localtime_r /
// mktime with TZ set) for zones of several kinds, over two spans: 1970 to
// 2037, where every peer has the transitions listed, and 2038 to 2400, where
// they follow the rules (the date library, as Debian builds it, gives wrong
// offsets there, so it sits that span out). Each library takes the local
// time or the instant in its own type, computed before the timing, and
// gives its own; local times are those that happen once, where mktime has
// one answer. normdate's zones come from the system's files, and again from
// the database built into it. Loading: zones loaded again, and every zone
// of the database loaded once from each source, measured before the checks.

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <date/date.h>
#include <date/tz.h>
#include <normdate/zone.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

constexpr std::array<const char*, 4> kZones = {"Europe/Berlin", "America/New_York",
                                               "Australia/Lord_Howe", "Asia/Tokyo"};

struct Span {
  const char* name;
  int firstYear, lastYear;
  bool withDateLib;
};
constexpr std::array<Span, 2> kSpans = {
    {{"1970-2037", 1970, 2037, true}, {"2038-2400", 2038, 2400, false}}};

// One zone over one span: the instants and the local times of each library.
struct ZoneRow {
  std::string zoneName;
  Span span;
  Date::TimeZone normdate;
  Date::TimeZone builtIn;  // the same zone, from the database built in
  absl::TimeZone abseil;
  const date::time_zone* dateLib;
  std::vector<Date::Date> utc, local;  // normdate's
  std::vector<absl::Time> abseilUtc;
  std::vector<absl::CivilSecond> abseilLocal;
  std::vector<std::time_t> glibcUtc;
  std::vector<std::tm> glibcLocal;
  std::vector<date::sys_seconds> dateUtc;
  std::vector<date::local_seconds> dateLocal;
};

ZoneRow makeRow(const char* zoneName, const Span& span) {
  ZoneRow row{zoneName,
              span,
              Date::TimeZone::load(zoneName),
              Date::TimeZone::load(zoneName, Date::ZoneSource::BuiltIn),
              {},
              date::locate_zone(zoneName),
              {},
              {},
              {},
              {},
              {},
              {},
              {},
              {}};
  absl::LoadTimeZone(zoneName, &row.abseil);
  std::mt19937_64 random(std::hash<std::string>{}(row.zoneName + span.name));
  const std::int64_t first = Date::Date(span.firstYear, Date::Jan, 1).toTimeT();
  const std::int64_t last = Date::Date(span.lastYear, Date::Dec, 31, 23, 59, 59).toTimeT();
  std::uniform_int_distribution<std::int64_t> instant(first, last);
  while (row.utc.size() < kInputs) {
    const Date::Date utc = Date::Date::fromTimeT(instant(random));
    const Date::Date local = row.normdate.toLocal(utc);
    if (!row.normdate.tryToUtc(local)) continue;
    row.utc.push_back(utc);
    row.local.push_back(local);
    row.abseilUtc.push_back(absl::FromTimeT(utc.toTimeT()));
    row.abseilLocal.emplace_back(local.getYear(), local.getMonth(), local.getDay(), local.getHour(),
                                 local.getMinute(), local.getSecond());
    row.glibcUtc.push_back(utc.toTimeT());
    std::tm fields = local.toTm();
    fields.tm_isdst = -1;
    row.glibcLocal.push_back(fields);
    row.dateUtc.push_back(date::sys_seconds(utc.toSysSeconds()));
    row.dateLocal.emplace_back(local.toSysSeconds().time_since_epoch());
  }
  return row;
}

const std::vector<ZoneRow>& zoneRows() {
  static const std::vector<ZoneRow> rows = [] {
    std::vector<ZoneRow> result;
    for (const char* zone : kZones) {
      for (const Span& span : kSpans) result.push_back(makeRow(zone, span));
    }
    return result;
  }();
  return rows;
}

// glibc reads its zone from TZ.
void useGlibcZone(const std::string& zone) {
  setenv("TZ", zone.c_str(), 1);
  tzset();
}

Fields fieldsOfCivil(const absl::CivilSecond& c) {
  return {static_cast<int>(c.year()), c.month(), c.day(), c.hour(), c.minute(), c.second()};
}

Fields fieldsOfTm(const std::tm& t) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

Fields fieldsOfLocal(date::local_seconds local) {
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

// ---- The conversions, each library's own, with its own types. ----

Date::Date toLocalNormdate(const ZoneRow& r, std::size_t i) { return r.normdate.toLocal(r.utc[i]); }
absl::CivilSecond toLocalAbseil(const ZoneRow& r, std::size_t i) {
  return r.abseil.At(r.abseilUtc[i]).cs;
}
std::tm toLocalGlibc(const ZoneRow& r, std::size_t i) {
  std::tm split{};
  localtime_r(&r.glibcUtc[i], &split);
  return split;
}
Fields toLocalDateLib(const ZoneRow& r, std::size_t i) {
  return fieldsOfLocal(date::zoned_seconds(r.dateLib, r.dateUtc[i]).get_local_time());
}

Date::Date toLocalBuiltIn(const ZoneRow& r, std::size_t i) { return r.builtIn.toLocal(r.utc[i]); }

Date::Date toUtcNormdate(const ZoneRow& r, std::size_t i) { return r.normdate.toUtc(r.local[i]); }
Date::Date toUtcBuiltIn(const ZoneRow& r, std::size_t i) { return r.builtIn.toUtc(r.local[i]); }
absl::Time toUtcAbseil(const ZoneRow& r, std::size_t i) {
  return r.abseil.At(r.abseilLocal[i]).pre;
}
std::time_t toUtcGlibc(const ZoneRow& r, std::size_t i) {
  std::tm fields = r.glibcLocal[i];
  return mktime(&fields);
}
date::sys_seconds toUtcDateLib(const ZoneRow& r, std::size_t i) {
  return r.dateLib->to_sys(r.dateLocal[i], date::choose::earliest);
}

Date::LocalTimeInfo lookupNormdate(const ZoneRow& r, std::size_t i) {
  return r.normdate.lookup(r.local[i]);
}
absl::TimeZone::TimeInfo lookupAbseil(const ZoneRow& r, std::size_t i) {
  return r.abseil.At(r.abseilLocal[i]);
}

Date::ZoneOffset offsetNormdate(const ZoneRow& r, std::size_t i) {
  return r.normdate.getOffset(r.utc[i]);
}
absl::TimeZone::CivilInfo offsetAbseil(const ZoneRow& r, std::size_t i) {
  return r.abseil.At(r.abseilUtc[i]);
}

// A row: `convert` on each input of one zone and span in turn, inlined.
template <auto convert>
void registerRow(const std::string& operation, const char* peer, std::size_t row) {
  const ZoneRow& named = zoneRows()[row];
  const std::string name =
      "zone/" + operation + "/" + named.zoneName + "/" + named.span.name + "/" + peer;
  benchmark::RegisterBenchmark(name.c_str(), [row](benchmark::State& state) {
    const ZoneRow& r = zoneRows()[row];
    useGlibcZone(r.zoneName);
    std::size_t i = 0;
    for (auto _ : state) {
      auto result = convert(r, i);
      benchmark::DoNotOptimize(result);
      if (++i == r.utc.size()) i = 0;
    }
  });
}

// ---- Loading. ----

const std::vector<std::string>& databaseZones() {
  static const std::vector<std::string> zones = [] {
    std::ifstream source("/usr/share/zoneinfo/tzdata.zi");
    std::vector<std::string> names;
    for (std::string line; std::getline(source, line);) {
      if (line.rfind("Z ", 0) == 0) names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
  }();
  return zones;
}

// Every zone of the database loaded once from the system's files and once
// from the built-in copy, in turn, abseil's own loads included: the time of
// each source, and every zone must load from both.
void loadEveryZone(Mismatches& mismatches) {
  std::chrono::duration<double, std::milli> took[2] = {};
  std::size_t loaded[2] = {};
  for (const std::string& name : databaseZones()) {
    for (const int from : {0, 1}) {
      const auto start = std::chrono::steady_clock::now();
      const Date::ZoneSource source =
          from == 0 ? Date::ZoneSource::System : Date::ZoneSource::BuiltIn;
      loaded[from] += Date::TimeZone::tryLoad(name, source) ? 1 : 0;
      took[from] += std::chrono::steady_clock::now() - start;
    }
  }
  std::cerr << "the first load of each of the " << databaseZones().size()
            << " zones of the database: " << took[0].count() << " ms from the system's files, "
            << took[1].count() << " ms from the built-in copy (" << took[1] / took[0] << "x)\n";
  for (const std::size_t count : loaded) {
    if (count != databaseZones().size()) {
      mismatches.report("zone/load", "the database", count, databaseZones().size());
    }
  }
}

}  // namespace

void checkZones(Mismatches& mismatches) {
  loadEveryZone(mismatches);
  for (const ZoneRow& r : zoneRows()) {
    useGlibcZone(r.zoneName);
    const std::string where = r.zoneName + " " + r.span.name;
    for (std::size_t i = 0; i < r.utc.size(); ++i) {
      const Fields local = fieldsOf(toLocalNormdate(r, i));
      const std::int64_t instant = toUtcNormdate(r, i).toSysSeconds().time_since_epoch().count();
      if (fieldsOf(toLocalBuiltIn(r, i)) != local || toUtcBuiltIn(r, i) != toUtcNormdate(r, i)) {
        mismatches.report("zone/built-in " + where, r.utc[i], toLocalBuiltIn(r, i), local);
      }
      if (fieldsOfCivil(toLocalAbseil(r, i)) != local ||
          absl::ToUnixSeconds(toUtcAbseil(r, i)) != instant ||
          absl::ToUnixSeconds(lookupAbseil(r, i).pre) != instant ||
          offsetAbseil(r, i).offset != offsetNormdate(r, i).seconds ||
          std::string(offsetAbseil(r, i).zone_abbr) != offsetNormdate(r, i).abbreviation) {
        mismatches.report("zone/abseil " + where, r.utc[i], fieldsOfCivil(toLocalAbseil(r, i)),
                          local);
      }
      if (fieldsOfTm(toLocalGlibc(r, i)) != local || toUtcGlibc(r, i) != instant) {
        mismatches.report("zone/glibc " + where, r.utc[i], fieldsOfTm(toLocalGlibc(r, i)), local);
      }
      if (r.span.withDateLib && (toLocalDateLib(r, i) != local ||
                                 toUtcDateLib(r, i).time_since_epoch().count() != instant)) {
        mismatches.report("zone/date " + where, r.utc[i], toLocalDateLib(r, i), local);
      }
    }
  }
}

void registerZones() {
  for (std::size_t row = 0; row < zoneRows().size(); ++row) {
    registerRow<toLocalNormdate>("toLocal", "normdate", row);
    registerRow<toLocalAbseil>("toLocal", "abseil", row);
    registerRow<toLocalGlibc>("toLocal", "localtime_r", row);
    registerRow<toLocalBuiltIn>("toLocal", "normdate_built_in", row);
    registerRow<toUtcNormdate>("toUtc", "normdate", row);
    registerRow<toUtcBuiltIn>("toUtc", "normdate_built_in", row);
    registerRow<toUtcAbseil>("toUtc", "abseil", row);
    registerRow<toUtcGlibc>("toUtc", "mktime", row);
    if (zoneRows()[row].span.withDateLib) {
      registerRow<toLocalDateLib>("toLocal", "date", row);
      registerRow<toUtcDateLib>("toUtc", "date", row);
    }
    registerRow<lookupNormdate>("lookup", "normdate", row);
    registerRow<lookupAbseil>("lookup", "abseil", row);
    registerRow<offsetNormdate>("getOffset", "normdate", row);
    registerRow<offsetAbseil>("getOffset", "abseil", row);
  }
  // Zones loaded again, every zone of the database in turn: both keep the
  // zones they have loaded.
  for (const bool normdate : {true, false}) {
    benchmark::RegisterBenchmark(normdate ? "zone/load/normdate" : "zone/load/abseil",
                                 [normdate](benchmark::State& state) {
                                   const std::vector<std::string>& names = databaseZones();
                                   std::size_t i = 0;
                                   for (auto _ : state) {
                                     if (normdate) {
                                       auto zone = Date::TimeZone::tryLoad(names[i]);
                                       benchmark::DoNotOptimize(zone);
                                     } else {
                                       absl::TimeZone zone;
                                       bool loaded = absl::LoadTimeZone(names[i], &zone);
                                       benchmark::DoNotOptimize(loaded);
                                       benchmark::DoNotOptimize(zone);
                                     }
                                     if (++i == names.size()) i = 0;
                                   }
                                 });
  }
}

}  // namespace bench
