// Zoned times against the date library's zoned_time and abseil's civil
// times in a TimeZone: the same wall time a day later, the local time of an
// instant held as a std::chrono count, and RFC 9557 text written and read.
// Each library works in its own types, made before the timing; every row
// is checked first to give normdate's instants and fields.

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <date/date.h>
#include <date/tz.h>
#include <normdate/zoned.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

using std::chrono::nanoseconds;
using std::chrono::seconds;

struct Zone {
  const char* name;
  Date::TimeZone normdate;
  const date::time_zone* dateLib;
  absl::TimeZone abseil;
};

Zone zoneOf(const char* name) {
  absl::TimeZone abseil;
  absl::LoadTimeZone(name, &abseil);
  return {name, Date::TimeZone::load(name), date::locate_zone(name), abseil};
}

// Random instants of a span, as a count of `Duration`.
template <class Duration>
std::vector<std::chrono::sys_time<Duration>> instants(const std::string& seed, int firstYear,
                                                      int lastYear) {
  std::mt19937_64 random(std::hash<std::string>{}(seed));
  const auto first = std::chrono::duration_cast<Duration>(
      Date::Date(firstYear, Date::Jan, 1).toSysSeconds().time_since_epoch());
  const auto last = std::chrono::duration_cast<Duration>(
      Date::Date(lastYear, Date::Dec, 31, 23, 59, 59).toSysSeconds().time_since_epoch());
  std::uniform_int_distribution<typename Duration::rep> pick(first.count(), last.count());
  std::vector<std::chrono::sys_time<Duration>> result;
  for (std::size_t i = 0; i < kInputs; ++i) result.emplace_back(Duration(pick(random)));
  return result;
}

Fields fieldsOf(const Date::Timestamp& t) { return bench::fieldsOf(t.getDate()); }

template <class Duration>
Fields fieldsOfLocal(date::local_time<Duration> local) {
  const date::local_days day = date::floor<date::days>(local);
  const date::year_month_day ymd{day};
  const date::hh_mm_ss<Duration> time{local - day};
  return {static_cast<int>(ymd.year()),
          static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())),
          static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()),
          static_cast<int>(time.seconds().count())};
}

// ---- The same wall time a day later, in each library's own zoned value.

struct DayRow {
  Zone zone;
  std::vector<Date::ZonedTime> normdate;
  std::vector<date::zoned_seconds> dateLib;
  std::vector<absl::Time> abseil;
};

// Instants from 1970 to 2037 whose local time a day later happens once,
// where the three libraries agree on what it is.
DayRow dayRow(const char* name) {
  DayRow row{zoneOf(name), {}, {}, {}};
  for (const std::chrono::sys_seconds t :
       instants<seconds>(std::string("day ") + name, 1970, 2037)) {
    const Date::ZonedTime z(t, row.zone.normdate);
    if (!row.zone.normdate.tryToUtc(z.getLocal().getDate().addDay(1))) continue;
    row.normdate.push_back(z);
    row.dateLib.emplace_back(row.zone.dateLib, date::sys_seconds(t.time_since_epoch()));
    row.abseil.push_back(absl::FromUnixSeconds(t.time_since_epoch().count()));
  }
  return row;
}

const std::vector<DayRow>& dayRows() {
  static const std::vector<DayRow> rows = {dayRow("Europe/Berlin"), dayRow("America/New_York")};
  return rows;
}

std::int64_t addDayNormdate(const DayRow& r, std::size_t i) {
  return r.normdate[i].addDay(1).toSysTime<seconds>().time_since_epoch().count();
}
std::int64_t addDayDateLib(const DayRow& r, std::size_t i) {
  const date::zoned_seconds later(r.zone.dateLib, r.dateLib[i].get_local_time() + date::days{1});
  return later.get_sys_time().time_since_epoch().count();
}
std::int64_t addDayAbseil(const DayRow& r, std::size_t i) {
  const absl::CivilSecond later = absl::ToCivilSecond(r.abseil[i], r.zone.abseil) + 86400;
  return absl::ToUnixSeconds(absl::FromCivil(later, r.zone.abseil));
}

// ---- The local time of an instant held as a count.

struct CountRow {
  Zone zone;
  const char* span;
  bool withDateLib;  // its zones, as Debian builds them, are wrong after 2037
  std::vector<std::chrono::sys_time<nanoseconds>> nanos;
  std::vector<std::chrono::sys_time<std::chrono::microseconds>> micros;  // past 2262
};

const std::vector<CountRow>& countRows() {
  static const std::vector<CountRow> rows = [] {
    std::vector<CountRow> result;
    for (const char* name :
         {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Tokyo"}) {
      const std::string seed = std::string("count ") + name;
      result.push_back(
          {zoneOf(name), "1970-2037", true, instants<nanoseconds>(seed, 1970, 2037), {}});
      result.push_back({zoneOf(name),
                        "2038-2400",
                        false,
                        {},
                        instants<std::chrono::microseconds>(seed, 2038, 2400)});
    }
    return result;
  }();
  return rows;
}

// The local fields of count `i`, by normdate's zone or zoned time.
Fields countNormdate(const CountRow& r, std::size_t i) {
  return r.withDateLib ? fieldsOf(r.zone.normdate.toLocal(r.nanos[i]))
                       : fieldsOf(r.zone.normdate.toLocal(r.micros[i]));
}
Fields countZoned(const CountRow& r, std::size_t i) {
  return r.withDateLib ? fieldsOf(Date::ZonedTime(r.nanos[i], r.zone.normdate).getLocal())
                       : fieldsOf(Date::ZonedTime(r.micros[i], r.zone.normdate).getLocal());
}
Fields countDateLib(const CountRow& r, std::size_t i) {
  return fieldsOfLocal(r.zone.dateLib->to_local(date::sys_time<nanoseconds>(r.nanos[i])));
}

// ---- RFC 9557 text.

struct TextRow {
  Zone zone;
  std::vector<Date::ZonedTime> normdate;
  std::vector<date::zoned_seconds> dateLib;
  std::vector<std::string> texts;
};

const std::vector<TextRow>& textRows() {
  static const std::vector<TextRow> rows = [] {
    std::vector<TextRow> result;
    for (const char* name : {"Europe/Berlin", "America/New_York"}) {
      TextRow row{zoneOf(name), {}, {}, {}};
      for (const std::chrono::sys_seconds t :
           instants<seconds>(std::string("text ") + name, 1970, 2037)) {
        row.normdate.emplace_back(t, row.zone.normdate);
        row.dateLib.emplace_back(row.zone.dateLib, date::sys_seconds(t.time_since_epoch()));
        row.texts.push_back(row.normdate.back().toString());
      }
      result.push_back(std::move(row));
    }
    return result;
  }();
  return rows;
}

std::string formatNormdate(const TextRow& r, std::size_t i) { return r.normdate[i].toString(); }
std::string formatDateLib(const TextRow& r, std::size_t i) {
  return date::format("%FT%T%Ez", r.dateLib[i]) + "[" + std::string(r.zone.dateLib->name()) + "]";
}
std::int64_t parseNormdate(const TextRow& r, std::size_t i) {
  return Date::ZonedTime::parse(r.texts[i]).toSysTime<seconds>().time_since_epoch().count();
}
std::int64_t parseDateLib(const TextRow& r, std::size_t i) {
  std::istringstream in(r.texts[i]);
  date::sys_seconds instant;
  in >> date::parse("%FT%T%Ez", instant);
  in.ignore(1);  // "["
  std::string name;
  std::getline(in, name, ']');
  return date::zoned_seconds(date::locate_zone(name), instant)
      .get_sys_time()
      .time_since_epoch()
      .count();
}

// A row: `run` on each input of row `row` of `rows()` in turn.
template <auto rows, auto run>
void registerRow(const std::string& name, std::size_t row) {
  benchmark::RegisterBenchmark(name.c_str(), [row](benchmark::State& state) {
    const auto& r = rows()[row];
    std::size_t i = 0;
    const std::size_t n = r.normdate.size();
    for (auto _ : state) {
      auto result = run(r, i);
      benchmark::DoNotOptimize(result);
      if (++i == n) i = 0;
    }
  });
}

template <auto run>
void registerCountRow(const std::string& name, std::size_t row) {
  benchmark::RegisterBenchmark(name.c_str(), [row](benchmark::State& state) {
    const CountRow& r = countRows()[row];
    std::size_t i = 0;
    for (auto _ : state) {
      auto result = run(r, i);
      benchmark::DoNotOptimize(result);
      if (++i == kInputs) i = 0;
    }
  });
}

}  // namespace

void checkZoned(Mismatches& mismatches) {
  for (const DayRow& r : dayRows()) {
    for (std::size_t i = 0; i < r.normdate.size(); ++i) {
      const std::int64_t expected = addDayNormdate(r, i);
      if (addDayDateLib(r, i) != expected || addDayAbseil(r, i) != expected) {
        mismatches.report(std::string("zoned/addDay ") + r.zone.name, r.normdate[i],
                          addDayDateLib(r, i), expected);
      }
    }
  }
  for (const CountRow& r : countRows()) {
    for (std::size_t i = 0; i < kInputs; ++i) {
      const Fields expected = countNormdate(r, i);
      if (countZoned(r, i) != expected || (r.withDateLib && countDateLib(r, i) != expected)) {
        mismatches.report(std::string("zoned/count ") + r.zone.name, i, countZoned(r, i), expected);
      }
    }
  }
  for (const TextRow& r : textRows()) {
    for (std::size_t i = 0; i < r.normdate.size(); ++i) {
      const std::int64_t instant = r.normdate[i].toSysTime<seconds>().time_since_epoch().count();
      if (formatDateLib(r, i) != r.texts[i] || parseNormdate(r, i) != instant ||
          parseDateLib(r, i) != instant) {
        mismatches.report(std::string("zoned/text ") + r.zone.name, r.texts[i], formatDateLib(r, i),
                          r.texts[i]);
      }
    }
  }
}

void registerZoned() {
  for (std::size_t row = 0; row < dayRows().size(); ++row) {
    const std::string name = std::string("zoned/addDay/") + dayRows()[row].zone.name + "/";
    registerRow<dayRows, addDayNormdate>(name + "normdate", row);
    registerRow<dayRows, addDayDateLib>(name + "date", row);
    registerRow<dayRows, addDayAbseil>(name + "abseil", row);
  }
  for (std::size_t row = 0; row < countRows().size(); ++row) {
    const CountRow& r = countRows()[row];
    const std::string name = std::string("zoned/from_count/") + r.zone.name + "/" + r.span + "/";
    registerCountRow<countNormdate>(name + "normdate_toLocal", row);
    registerCountRow<countZoned>(name + "normdate_ZonedTime", row);
    if (r.withDateLib) registerCountRow<countDateLib>(name + "date", row);
  }
  for (std::size_t row = 0; row < textRows().size(); ++row) {
    const std::string zone = textRows()[row].zone.name;
    registerRow<textRows, formatNormdate>("zoned/toString/" + zone + "/normdate", row);
    registerRow<textRows, formatDateLib>("zoned/toString/" + zone + "/date", row);
    registerRow<textRows, parseNormdate>("zoned/parse/" + zone + "/normdate", row);
    registerRow<textRows, parseDateLib>("zoned/parse/" + zone + "/date", row);
  }
}

}  // namespace bench
