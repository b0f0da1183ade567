// normdate against peer date libraries, in one binary: normalisation of six
// fields on three workloads, formatting, and normdate's own shifts and
// interval arithmetic. Before any timing, every peer is checked to return the
// same fields (or text) as normdate on every input of every workload.

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <benchmark/benchmark.h>
#include <date/date.h>
#include <date/iso_week.h>
#include <date/tz.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "date.h"
#include "zone.h"

namespace {

struct Fields {
  int year, month, day, hour, minute, second;
  friend bool operator==(const Fields&, const Fields&) = default;
};

std::ostream& operator<<(std::ostream& o, const Fields& f) {
  return o << f.year << ',' << f.month << ',' << f.day << ',' << f.hour << ',' << f.minute << ','
           << f.second;
}

std::int64_t floorMod(std::int64_t value, std::int64_t divisor) {
  return ((value % divisor) + divisor) % divisor;
}

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
  return (value - floorMod(value, divisor)) / divisor;
}

// ---- The implementations, six fields in, six fields out. ----

Fields viaNormdate(const Fields& f) {
  const Date::Date d(f.year, f.month, f.day, f.hour, f.minute, f.second);
  return {d.getYear(), d.getMonth(), d.getDay(), d.getHour(), d.getMinute(), d.getSecond()};
}

// The date library's year_month_day / sys_days round trip, with the carries
// it does not do itself done around it: the time of day floored into days,
// the month carried into the year, the year and the day count reduced by
// whole 10000-year cycles to stay within date::year's range.
Fields viaDateLib(const Fields& f) {
  const std::int64_t seconds = f.second + 60 * std::int64_t{f.minute} + 3600 * std::int64_t{f.hour};
  const std::int64_t carriedDays = floorDiv(seconds, 86400);
  const std::int64_t secondOfDay = seconds - carriedDays * 86400;
  const std::int64_t monthFromZero = std::int64_t{f.month} - 1;
  const std::int64_t carriedYears = floorDiv(monthFromZero, 12);
  const auto year = static_cast<int>(floorMod(f.year + carriedYears, 10000));
  const auto month = static_cast<unsigned>(monthFromZero - carriedYears * 12 + 1);
  const std::int64_t dayOffset = floorMod(f.day - 1 + carriedDays, 3652425);
  const date::sys_days first{date::year{year} / date::month{month} / date::day{1}};
  const date::year_month_day ymd{first + date::days{dayOffset}};
  const date::hh_mm_ss time{std::chrono::seconds{secondOfDay}};
  return {static_cast<int>(floorMod(static_cast<int>(ymd.year()), 10000)),
          static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())),
          static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()),
          static_cast<int>(time.seconds().count())};
}

// abseil's normalising CivilSecond constructor, read back.
Fields viaAbseil(const Fields& f) {
  const absl::CivilSecond c(f.year, f.month, f.day, f.hour, f.minute, f.second);
  return {static_cast<int>(floorMod(c.year(), 10000)),
          c.month(),
          c.day(),
          c.hour(),
          c.minute(),
          c.second()};
}

// glibc timegm and gmtime_r on a struct tm of the raw fields, the year
// reduced modulo 10000 first.
Fields viaTimegm(const Fields& f) {
  std::tm fields{};
  fields.tm_year = static_cast<int>(floorMod(f.year, 10000)) - 1900;
  fields.tm_mon = f.month - 1;
  fields.tm_mday = f.day;
  fields.tm_hour = f.hour;
  fields.tm_min = f.minute;
  fields.tm_sec = f.second;
  const std::time_t t = timegm(&fields);
  std::tm split{};
  gmtime_r(&t, &split);
  return {static_cast<int>(floorMod(split.tm_year + 1900, 10000)),
          split.tm_mon + 1,
          split.tm_mday,
          split.tm_hour,
          split.tm_min,
          split.tm_sec};
}

using Normaliser = Fields (*)(const Fields&);

// ---- Workloads: fixed-seed arrays, cycled through. ----

constexpr std::size_t kInputs = 4096;

int uniform(std::mt19937_64& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

Fields validFields(std::mt19937_64& random) {
  const int year = uniform(random, 0, 9999);
  const int month = uniform(random, 1, 12);
  const int day = uniform(random, 1, month == 2 ? 28 : 30);
  return {year, month, day, uniform(random, 0, 23), uniform(random, 0, 59), uniform(random, 0, 59)};
}

std::vector<Fields> makeWorkload(const std::string& name) {
  std::mt19937_64 random(std::hash<std::string>{}(name));
  std::vector<Fields> inputs(kInputs);
  for (Fields& f : inputs) {
    if (name == "valid") {
      f = validFields(random);
    } else if (name == "day_shift") {
      f = validFields(random);
      f.day += uniform(random, -200000, 200000);
    } else {  // wild
      // The month range keeps timegm's tm_year (a year near 9999 plus the
      // carried months) within an int, which the others do not need.
      f = {uniform(random, -100000, 100000),     uniform(random, -10000, 10000),
           uniform(random, -10000000, 10000000), uniform(random, -1000000, 1000000),
           uniform(random, -10000000, 10000000), uniform(random, -1000000000, 1000000000)};
    }
  }
  return inputs;
}

const std::array<std::string, 3> kWorkloads = {"valid", "day_shift", "wild"};

const std::vector<Fields>& workload(const std::string& name) {
  static const std::array<std::vector<Fields>, 3> all = {
      makeWorkload(kWorkloads[0]), makeWorkload(kWorkloads[1]), makeWorkload(kWorkloads[2])};
  for (std::size_t i = 0; i < kWorkloads.size(); ++i) {
    if (kWorkloads[i] == name) return all[i];
  }
  std::abort();
}

std::vector<Date::Date> dates(const std::string& name) {
  std::vector<Date::Date> result;
  for (const Fields& f : workload(name)) {
    result.emplace_back(f.year, f.month, f.day, f.hour, f.minute, f.second);
  }
  return result;
}

// ---- Formatting peers. ----

std::string formatNormdate(const Date::Date& d) { return d.toString(); }

std::string formatStrftime(const Date::Date& d) {
  std::tm fields{};
  fields.tm_year = d.getYear() - 1900;
  fields.tm_mon = d.getMonth() - 1;
  fields.tm_mday = d.getDay();
  fields.tm_hour = d.getHour();
  fields.tm_min = d.getMinute();
  fields.tm_sec = d.getSecond();
  std::string text(32, '\0');
  text.resize(std::strftime(text.data(), text.size(), "%Y-%b-%d %H:%M:%S", &fields));
  return text;
}

date::sys_seconds toSysSeconds(const Date::Date& d) {
  const date::sys_days day{date::year{d.getYear()} / d.getMonth() / d.getDay()};
  return day + std::chrono::hours{d.getHour()} + std::chrono::minutes{d.getMinute()} +
         std::chrono::seconds{d.getSecond()};
}

std::string formatDateLib(const Date::Date& d) {
  return date::format("%Y-%b-%d %H:%M:%S", toSysSeconds(d));
}

std::string formatAbseil(const Date::Date& d) {
  return absl::FormatCivilTime(absl::CivilSecond(d.getYear(), d.getMonth(), d.getDay(), d.getHour(),
                                                 d.getMinute(), d.getSecond()));
}

// ---- Calendar questions: each library asks its own value for the date. ----

struct CalendarValues {
  std::vector<Date::Date> normdate;
  std::vector<absl::CivilSecond> abseil;
  std::vector<date::year_month_day> dateLib;
  std::vector<std::time_t> glibc;
};

const CalendarValues& calendarValues() {
  static const CalendarValues values = [] {
    CalendarValues v;
    for (const Date::Date& d : dates("valid")) {
      v.normdate.push_back(d);
      v.abseil.emplace_back(d.getYear(), d.getMonth(), d.getDay(), d.getHour(), d.getMinute(),
                            d.getSecond());
      v.dateLib.emplace_back(date::year{d.getYear()} / d.getMonth() / d.getDay());
      v.glibc.push_back(d.toTimeT());
    }
    return v;
  }();
  return values;
}

std::tm splitOf(std::time_t t) {
  std::tm split{};
  gmtime_r(&t, &split);
  return split;
}

// The weekday as tm_wday numbers it, the day of the year from 1, and the ISO
// week date packed as year * 1000 + week * 10 + weekday; each library asks
// its own value.
int weekdayOf(const Date::Date& d) { return d.getWeekday(); }
int weekdayOf(const absl::CivilSecond& c) {
  // abseil counts from Monday = 0.
  return (static_cast<int>(absl::GetWeekday(absl::CivilDay(c))) + 1) % 7;
}
int weekdayOf(const date::year_month_day& ymd) {
  return static_cast<int>(date::weekday(ymd).c_encoding());
}
int weekdayOf(std::time_t t) { return splitOf(t).tm_wday; }

int yearDayOf(const Date::Date& d) { return d.getDayOfYear(); }
int yearDayOf(const absl::CivilSecond& c) { return absl::GetYearDay(absl::CivilDay(c)); }
int yearDayOf(const date::year_month_day& ymd) {
  return static_cast<int>(
             (date::sys_days(ymd) - date::sys_days(ymd.year() / date::January / 1)).count()) +
         1;
}
int yearDayOf(std::time_t t) { return splitOf(t).tm_yday + 1; }

int isoWeekOf(const Date::Date& d) {
  const Date::IsoWeek w = d.getIsoWeek();
  return w.year * 1000 + w.week * 10 + w.weekday;
}
int isoWeekOf(const date::year_month_day& ymd) {
  const iso_week::year_weeknum_weekday w{date::sys_days(ymd)};
  return static_cast<int>(w.year()) * 1000 +
         static_cast<int>(static_cast<unsigned>(w.weeknum())) * 10 +
         static_cast<int>(static_cast<unsigned>(w.weekday()));
}

// Each question of every value, inlined into the timing loop.
template <class Value, class Ask>
void ask(benchmark::State& state, const std::vector<Value>& values, Ask question) {
  std::size_t i = 0;
  for (auto _ : state) {
    int answer = question(values[i]);
    benchmark::DoNotOptimize(answer);
    if (++i == values.size()) i = 0;
  }
}

// Registers one question for the libraries that have it, and checks that
// they all answer as normdate does.
template <bool withAbseil, bool withGlibc, class Ask>
int calendarRow(const char* name, Ask question, bool registerOnly) {
  const CalendarValues& v = calendarValues();
  if (registerOnly) {
    const std::string row = std::string("calendar/") + name + "/";
    benchmark::RegisterBenchmark((row + "normdate").c_str(), [question](benchmark::State& s) {
      ask(s, calendarValues().normdate, question);
    });
    benchmark::RegisterBenchmark((row + "date").c_str(), [question](benchmark::State& s) {
      ask(s, calendarValues().dateLib, question);
    });
    if constexpr (withAbseil) {
      benchmark::RegisterBenchmark((row + "abseil").c_str(), [question](benchmark::State& s) {
        ask(s, calendarValues().abseil, question);
      });
    }
    if constexpr (withGlibc) {
      benchmark::RegisterBenchmark((row + "gmtime_r").c_str(), [question](benchmark::State& s) {
        ask(s, calendarValues().glibc, question);
      });
    }
    return 0;
  }
  int mismatches = 0;
  for (std::size_t i = 0; i < kInputs; ++i) {
    const int expected = question(v.normdate[i]);
    mismatches += question(v.dateLib[i]) != expected;
    if constexpr (withAbseil) mismatches += question(v.abseil[i]) != expected;
    if constexpr (withGlibc) mismatches += question(v.glibc[i]) != expected;
  }
  if (mismatches > 0) std::cerr << name << ": " << mismatches << " answers differ\n";
  return mismatches;
}

// Every calendar row: checked when `registerOnly` is false, registered
// when it is true.
int calendarRows(bool registerOnly) {
  const auto weekday = [](const auto& value) { return weekdayOf(value); };
  const auto yearDay = [](const auto& value) { return yearDayOf(value); };
  const auto isoWeek = [](const auto& value) { return isoWeekOf(value); };
  return calendarRow<true, true>("weekday", weekday, registerOnly) +
         calendarRow<true, true>("day_of_year", yearDay, registerOnly) +
         calendarRow<false, false>("iso_week", isoWeek, registerOnly);
}

// ---- ISO 8601 text: each parser gives the instant, each writer the text. ----

// Texts with numeric offsets, which every peer reads, of dates whose
// instants stay within years 0..9999.
const std::vector<std::string>& isoTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> result;
    std::mt19937_64 random(7);
    for (const Date::Date& d : dates("valid")) {
      const Date::Date inner =
          d.getYear() == 0 || d.getYear() == 9999 ? d.addYear(1 - d.getYear()) : d;
      const int offset = uniform(random, -23 * 60 - 59, 23 * 60 + 59);
      std::array<char, 16> zone{};
      std::snprintf(zone.data(), zone.size(), "%c%02d:%02d", offset < 0 ? '-' : '+',
                    std::abs(offset) / 60, std::abs(offset) % 60);
      result.push_back(inner.toIsoString().substr(0, 19) + zone.data());
    }
    return result;
  }();
  return texts;
}

std::int64_t parseIsoNormdate(const std::string& text) {
  return Date::Date::parseIso(text).toSysSeconds().time_since_epoch().count();
}

std::int64_t parseIsoAbseil(const std::string& text) {
  absl::Time t;
  std::string error;
  if (!absl::ParseTime(absl::RFC3339_full, text, &t, &error)) return INT64_MIN;
  return absl::ToUnixSeconds(t);
}

std::int64_t parseIsoStrptime(const std::string& text) {
  std::tm fields{};
  if (strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S%z", &fields) == nullptr) return INT64_MIN;
  const long offset = fields.tm_gmtoff;  // read first: timegm resets it
  return timegm(&fields) - offset;
}

std::int64_t parseIsoDateLib(const std::string& text) {
  std::istringstream in(text);
  date::sys_seconds t;
  in >> date::parse("%FT%T%Ez", t);
  return in.fail() ? INT64_MIN : t.time_since_epoch().count();
}

std::string isoNormdate(const Date::Date& d) { return d.toIsoString(); }

std::string isoStrftime(const Date::Date& d) {
  const std::tm fields = d.toTm();
  std::string text(32, '\0');
  text.resize(std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &fields));
  return text;
}

std::string isoAbseil(const Date::Date& d) {
  return absl::FormatTime("%Y-%m-%d%ET%H:%M:%SZ", absl::FromUnixSeconds(d.toTimeT()),
                          absl::UTCTimeZone());
}

using IsoParser = std::int64_t (*)(const std::string&);
constexpr std::array<std::pair<const char*, IsoParser>, 4> isoParsers = {{
    {"normdate", parseIsoNormdate},
    {"abseil", parseIsoAbseil},
    {"strptime", parseIsoStrptime},
    {"date", parseIsoDateLib},
}};

// ---- Time zones: Europe/Berlin, each library with its own zone object. ----
// Dates from 1902 to 2037, where every peer reads the same rules (the date
// library's compiled tz gives wrong summer offsets after 2037 for zones
// whose files stop listing transitions), and local times that are unique,
// where mktime has one answer.

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

Fields fieldsOf(const Date::Date& d) {
  return {d.getYear(), d.getMonth(), d.getDay(), d.getHour(), d.getMinute(), d.getSecond()};
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

constexpr std::array<std::pair<const char*, ToLocal>, 4> toLocalPeers = {{
    {"normdate", toLocalNormdate},
    {"abseil", toLocalAbseil},
    {"localtime_r", toLocalGlibc},
    {"date", toLocalDateLib},
}};

// Seconds since 1970 of each peer's toUtc result, for the checks.
std::array<std::int64_t, 4> toUtcSeconds(const Date::Date& local) {
  return {toUtcNormdate(local).toSysSeconds().time_since_epoch().count(),
          absl::ToUnixSeconds(toUtcAbseil(local)), toUtcGlibc(local),
          toUtcDateLib(local).time_since_epoch().count()};
}

// ---- Reading token formats back: normdate's tryParse against strptime, ----
// ---- abseil's ParseCivilTime and the date library's parse.           ----

struct ParseRow {
  std::vector<std::string> texts;
  std::string_view format;  // normdate's; its length known, as a literal's is
  const char* percent;      // strptime's and the date library's
  bool accepted;            // whether the texts are valid
};

std::string numericText(const Date::Date& d) { return d.toString("YYYY-MM-DDThh:mm:ss"); }

// Valid dates of years 1000 on, which every parser reads as four digits.
std::vector<Date::Date> fourDigitYears() {
  std::vector<Date::Date> result;
  for (const Date::Date& d : dates("valid"))
    result.push_back(d.addYear(d.getYear() < 1000 ? 1000 : 0));
  return result;
}

const std::array<ParseRow, 3>& parseRows() {
  static const std::array<ParseRow, 3> rows = [] {
    std::array<ParseRow, 3> r = {{{{}, "YYYY-MM-DDThh:mm:ss", "%Y-%m-%dT%H:%M:%S", true},
                                  {{}, "YYYY-MMM-DD hh:mm:ss", "%Y-%b-%d %H:%M:%S", true},
                                  {{}, "YYYY-MM-DDThh:mm:ss", "%Y-%m-%dT%H:%M:%S", false}}};
    std::mt19937_64 random(11);
    for (const Date::Date& d : fourDigitYears()) {
      r[0].texts.push_back(numericText(d));
      r[1].texts.push_back(d.toString());
      // One digit of the numeric form made a letter.
      std::string corrupt = numericText(d);
      constexpr std::array<std::size_t, 14> digits = {0, 1,  2,  3,  5,  6,  8,
                                                      9, 11, 12, 14, 15, 17, 18};
      corrupt[digits[static_cast<std::size_t>(uniform(random, 0, 13))]] = 'x';
      r[2].texts.push_back(corrupt);
    }
    return r;
  }();
  return rows;
}

std::optional<Fields> parseNormdate(const std::string& text, const ParseRow& row) {
  const std::optional<Date::Date> d = Date::Date::tryParse(text, row.format);
  if (!d) return std::nullopt;
  return Fields{d->getYear(), d->getMonth(),  d->getDay(),
                d->getHour(), d->getMinute(), d->getSecond()};
}

std::optional<Fields> parseStrptime(const std::string& text, const ParseRow& row) {
  std::tm f{};
  const char* end = strptime(text.c_str(), row.percent, &f);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return Fields{f.tm_year + 1900, f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec};
}

std::optional<Fields> parseAbseil(const std::string& text, const ParseRow&) {
  absl::CivilSecond c;
  if (!absl::ParseCivilTime(text, &c)) return std::nullopt;
  return Fields{static_cast<int>(c.year()), c.month(), c.day(), c.hour(), c.minute(), c.second()};
}

std::optional<Fields> parseDateLib(const std::string& text, const ParseRow& row) {
  std::istringstream in(text);
  date::local_seconds t;
  in >> date::parse(row.percent, t);
  if (in.fail() || in.peek() != std::char_traits<char>::eof()) return std::nullopt;
  const date::local_days day = date::floor<date::days>(t);
  const date::year_month_day ymd{day};
  const date::hh_mm_ss time{t - day};
  return Fields{static_cast<int>(ymd.year()),
                static_cast<int>(static_cast<unsigned>(ymd.month())),
                static_cast<int>(static_cast<unsigned>(ymd.day())),
                static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count())};
}

using TextParser = std::optional<Fields> (*)(const std::string&, const ParseRow&);
constexpr std::array<std::pair<const char*, TextParser>, 4> textParsers = {{
    {"normdate", parseNormdate},
    {"strptime", parseStrptime},
    {"abseil", parseAbseil},
    {"date", parseDateLib},
}};
constexpr std::array<const char*, 3> parseRowNames = {"numeric", "default", "reject"};

// A long text: a pattern repeated to about `bytes` bytes, every field read
// again in each repetition.
struct LongText {
  std::string text, format, percent;
};

LongText longText(std::size_t bytes) {
  LongText t;
  while (t.text.size() < bytes) {
    t.text += "2026-12-06 02:04:49 ";
    t.format += "YYYY-MM-DD hh:mm:ss ";
    t.percent += "%Y-%m-%d %H:%M:%S ";
  }
  return t;
}

// ---- Formats of every length: a 20-byte unit of tokens repeated, padded ----
// ---- with literal bytes, against strftime writing the same text.        ----

struct LengthFormat {
  std::string format, percent;
};

// A format of `bytes` bytes: with tokens, repeated "YYYY-MM-DD hh:mm:ss "
// and as much of it as fits, in whole tokens, then 'x' to the length.
LengthFormat lengthFormat(std::size_t bytes, bool tokens) {
  constexpr std::array<std::pair<std::string_view, std::string_view>, 12> pieces = {{{"YYYY", "%Y"},
                                                                                     {"-", "-"},
                                                                                     {"MM", "%m"},
                                                                                     {"-", "-"},
                                                                                     {"DD", "%d"},
                                                                                     {" ", " "},
                                                                                     {"hh", "%H"},
                                                                                     {":", ":"},
                                                                                     {"mm", "%M"},
                                                                                     {":", ":"},
                                                                                     {"ss", "%S"},
                                                                                     {" ", " "}}};
  LengthFormat f;
  for (std::size_t i = 0; tokens && f.format.size() + pieces[i].first.size() <= bytes;
       i = (i + 1) % pieces.size()) {
    f.format += pieces[i].first;
    f.percent += pieces[i].second;
  }
  f.percent += std::string(bytes - f.format.size(), 'x');
  f.format += std::string(bytes - f.format.size(), 'x');
  return f;
}

constexpr std::array<std::size_t, 14> kFormatLengths = {8,  16,  32,  63,   64,   65,    66,
                                                        80, 128, 256, 1024, 4096, 16384, 65536};

std::string strftimeInto(std::vector<char>& buffer, const std::tm& fields,
                         const std::string& percent) {
  return {buffer.data(), std::strftime(buffer.data(), buffer.size(), percent.c_str(), &fields)};
}

// ---- Checks before timing. ----

int verify() {
  int mismatches = 0;
  auto report = [&](const std::string& what, const auto& input, const auto& got,
                    const auto& expected) {
    if (++mismatches <= 20) {
      std::cerr << what << " on " << input << ": " << got << ", normdate " << expected << '\n';
    }
  };
  const std::array<std::pair<const char*, Normaliser>, 3> peers = {
      {{"date", viaDateLib}, {"abseil", viaAbseil}, {"timegm", viaTimegm}}};
  for (const std::string& name : kWorkloads) {
    for (const Fields& f : workload(name)) {
      const Fields expected = viaNormdate(f);
      for (const auto& [peer, normalise] : peers) {
        const Fields got = normalise(f);
        if (got != expected) report(std::string(peer) + "/" + name, f, got, expected);
      }
    }
  }
  // Years from 1000 on, where every peer writes the year as normdate does.
  for (const Date::Date& d : dates("valid")) {
    if (d.getYear() < 1000) continue;
    if (formatStrftime(d) != d.toString()) report("strftime", d, formatStrftime(d), d.toString());
    if (formatDateLib(d) != d.toString()) report("date::format", d, formatDateLib(d), d.toString());
    const std::string iso = d.toString("YYYY-MM-DDThh:mm:ss");
    if (formatAbseil(d) != iso) report("FormatCivilTime", d, formatAbseil(d), iso);
  }
  for (std::size_t r = 0; r < parseRows().size(); ++r) {
    const ParseRow& row = parseRows()[r];
    for (const std::string& text : row.texts) {
      const std::optional<Fields> expected = parseNormdate(text, row);
      if (expected.has_value() != row.accepted) report("tryParse", text, "", row.format);
      for (const auto& [peer, parse] : textParsers) {
        // abseil reads only its own fixed numeric form.
        if (std::string_view(peer) == "abseil" && r == 1) continue;
        const std::optional<Fields> got = parse(text, row);
        if (got != expected) {
          report(std::string("parse/") + parseRowNames[r] + "/" + peer, text,
                 got ? "a date" : "nothing", expected ? "a date" : "nothing");
        }
      }
    }
  }
  for (const bool tokens : {false, true}) {
    const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
    std::vector<char> buffer(kFormatLengths.back() + 1);
    for (const std::size_t bytes : kFormatLengths) {
      const LengthFormat f = lengthFormat(bytes, tokens);
      std::string into = "left over";
      d.toString(f.format, into);
      if (d.toString(f.format) != strftimeInto(buffer, d.toTm(), f.percent) ||
          into != d.toString(f.format)) {
        report("format/length", bytes, strftimeInto(buffer, d.toTm(), f.percent),
               d.toString(f.format));
      }
    }
  }
  const ZoneValues& zones = zoneValues();
  for (std::size_t i = 0; i < zones.utc.size(); ++i) {
    for (const auto& [peer, convert] : toLocalPeers) {
      if (convert(zones.utc[i]) != toLocalNormdate(zones.utc[i])) {
        report(std::string("toLocal/") + peer, zones.utc[i], convert(zones.utc[i]),
               toLocalNormdate(zones.utc[i]));
      }
    }
    const std::array<std::int64_t, 4> seconds = toUtcSeconds(zones.local[i]);
    for (const std::int64_t peer : seconds) {
      if (peer != seconds[0]) report("toUtc", zones.local[i], peer, seconds[0]);
    }
  }
  for (const std::string& text : isoTexts()) {
    for (const auto& [peer, parse] : isoParsers) {
      if (parse(text) != parseIsoNormdate(text)) {
        report(std::string("parse iso/") + peer, text, parse(text), parseIsoNormdate(text));
      }
    }
  }
  for (const Date::Date& d : dates("valid")) {
    if (d.getYear() < 1000) continue;  // strftime writes fewer year digits there
    if (isoStrftime(d) != d.toIsoString())
      report("iso/strftime", d, isoStrftime(d), d.toIsoString());
    if (isoAbseil(d) != d.toIsoString()) report("iso/abseil", d, isoAbseil(d), d.toIsoString());
  }
  mismatches += calendarRows(false);
  return mismatches;
}

// ---- Benchmarks. ----

void parseIso(benchmark::State& state, IsoParser parse) {
  const std::vector<std::string>& texts = isoTexts();
  std::size_t i = 0;
  for (auto _ : state) {
    std::int64_t instant = parse(texts[i]);
    benchmark::DoNotOptimize(instant);
    if (++i == texts.size()) i = 0;
  }
}

template <class Convert>
void zone(benchmark::State& state, Convert convert, bool fromUtc) {
  const std::vector<Date::Date>& inputs = fromUtc ? zoneValues().utc : zoneValues().local;
  std::size_t i = 0;
  for (auto _ : state) {
    auto result = convert(inputs[i]);
    benchmark::DoNotOptimize(result);
    if (++i == inputs.size()) i = 0;
  }
}

void parseText(benchmark::State& state, TextParser parse, std::size_t row) {
  const ParseRow& r = parseRows()[row];
  std::size_t i = 0;
  for (auto _ : state) {
    std::optional<Fields> fields = parse(r.texts[i], r);
    benchmark::DoNotOptimize(fields);
    if (++i == r.texts.size()) i = 0;
  }
}

void parseLong(benchmark::State& state, bool normdate) {
  const LongText t = longText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    if (normdate) {
      std::optional<Date::Date> d = Date::Date::tryParse(t.text, t.format);
      benchmark::DoNotOptimize(d);
    } else {
      std::tm f{};
      const char* end = strptime(t.text.c_str(), t.percent.c_str(), &f);
      benchmark::DoNotOptimize(end);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.text.size()));
}

// How a format-length row writes its text: normdate's toString returning a
// new string, or into one string reused by every iteration (as strftime
// writes into one buffer), or strftime.
enum class FormatWriter { Returned, Into, Strftime };

void formatLength(benchmark::State& state, FormatWriter writer, bool tokens) {
  const LengthFormat f = lengthFormat(static_cast<std::size_t>(state.range(0)), tokens);
  const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
  const std::tm fields = d.toTm();
  std::vector<char> buffer(f.format.size() + 1);
  std::string into;
  for (auto _ : state) {
    switch (writer) {
      case FormatWriter::Returned: {
        std::string text = d.toString(f.format);
        benchmark::DoNotOptimize(text);
        break;
      }
      case FormatWriter::Into:
        d.toString(f.format, into);
        benchmark::DoNotOptimize(into.data());
        break;
      case FormatWriter::Strftime: {
        std::size_t n = std::strftime(buffer.data(), buffer.size(), f.percent.c_str(), &fields);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer.data());
        break;
      }
    }
    benchmark::ClobberMemory();
  }
}

void normalise(benchmark::State& state, Normaliser impl, const std::string& name) {
  const std::vector<Fields>& inputs = workload(name);
  std::size_t i = 0;
  for (auto _ : state) {
    Fields result = impl(inputs[i]);
    benchmark::DoNotOptimize(result);
    if (++i == inputs.size()) i = 0;
  }
}

void format(benchmark::State& state, std::string (*impl)(const Date::Date&)) {
  const std::vector<Date::Date> inputs = dates("valid");
  std::size_t i = 0;
  for (auto _ : state) {
    std::string text = impl(inputs[i]);
    benchmark::DoNotOptimize(text);
    if (++i == inputs.size()) i = 0;
  }
}

void formatLong(benchmark::State& state) {
  std::string format;
  for (int i = 0; i < 10; ++i) format += "YYYY-MMM-DD hh:mm:ss MM/DD ";
  const std::vector<Date::Date> inputs = dates("valid");
  std::size_t i = 0;
  for (auto _ : state) {
    std::string text = inputs[i].toString(format);
    benchmark::DoNotOptimize(text);
    if (++i == inputs.size()) i = 0;
  }
  state.counters["format_bytes"] = static_cast<double>(format.size());
}

void shift(benchmark::State& state, Date::Date (Date::Date::*member)(int) const) {
  const std::vector<Date::Date> inputs = dates("valid");
  std::mt19937_64 random(1);
  std::vector<int> amounts(inputs.size());
  for (int& a : amounts) a = uniform(random, -200000, 200000);
  std::size_t i = 0;
  for (auto _ : state) {
    Date::Date d = (inputs[i].*member)(amounts[i]);
    benchmark::DoNotOptimize(d);
    if (++i == inputs.size()) i = 0;
  }
}

void getInterval(benchmark::State& state) {
  const std::vector<Date::Date> a = dates("valid");
  const std::vector<Date::Date> b = dates("day_shift");
  std::size_t i = 0;
  for (auto _ : state) {
    Date::DateInterval interval = a[i].getInterval(b[i]);
    benchmark::DoNotOptimize(interval);
    if (++i == a.size()) i = 0;
  }
}

void addInterval(benchmark::State& state) {
  const std::vector<Date::Date> inputs = dates("valid");
  std::vector<Date::DateInterval> intervals;
  for (const Fields& f : workload("valid")) {
    intervals.emplace_back(f.year % 100, f.month - 6, f.day - 15, f.hour - 12, f.minute - 30,
                           f.second - 30);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    Date::Date d = inputs[i].addInterval(intervals[i]);
    benchmark::DoNotOptimize(d);
    if (++i == inputs.size()) i = 0;
  }
}

void registerAll() {
  const std::array<std::pair<const char*, Normaliser>, 4> impls = {{{"normdate", viaNormdate},
                                                                    {"date", viaDateLib},
                                                                    {"abseil", viaAbseil},
                                                                    {"timegm", viaTimegm}}};
  for (const std::string& name : kWorkloads) {
    for (const auto& [impl, fn] : impls) {
      benchmark::RegisterBenchmark(("normalise/" + name + "/" + impl).c_str(), normalise, fn, name);
    }
  }
  benchmark::RegisterBenchmark("format/default/normdate", format, formatNormdate);
  benchmark::RegisterBenchmark("format/default/strftime", format, formatStrftime);
  benchmark::RegisterBenchmark("format/default/date", format, formatDateLib);
  benchmark::RegisterBenchmark("format/iso/abseil", format, formatAbseil);
  benchmark::RegisterBenchmark("format/long/normdate", formatLong);
  const std::array<std::pair<const char*, Date::Date (Date::Date::*)(int) const>, 6> shifts = {
      {{"addYear", &Date::Date::addYear},
       {"addMonth", &Date::Date::addMonth},
       {"addDay", &Date::Date::addDay},
       {"addHour", &Date::Date::addHour},
       {"addMinute", &Date::Date::addMinute},
       {"addSecond", &Date::Date::addSecond}}};
  for (const auto& [name, member] : shifts) {
    benchmark::RegisterBenchmark((std::string("shift/") + name).c_str(), shift, member);
  }
  benchmark::RegisterBenchmark("interval/getInterval", getInterval);
  benchmark::RegisterBenchmark("interval/addInterval", addInterval);
  for (std::size_t r = 0; r < parseRows().size(); ++r) {
    for (const auto& [peer, parse] : textParsers) {
      if (std::string_view(peer) == "abseil" && r == 1) continue;
      benchmark::RegisterBenchmark((std::string("parse/") + parseRowNames[r] + "/" + peer).c_str(),
                                   parseText, parse, r);
    }
  }
  for (const bool normdate : {true, false}) {
    benchmark::RegisterBenchmark(normdate ? "parse/long/normdate" : "parse/long/strptime",
                                 parseLong, normdate)
        ->Arg(1 << 10)
        ->Arg(1 << 16)
        ->Arg(1 << 20);
  }
  for (const bool tokens : {true, false}) {
    for (const auto& [writer, label] :
         {std::pair(FormatWriter::Returned, "normdate"), std::pair(FormatWriter::Into, "into"),
          std::pair(FormatWriter::Strftime, "strftime")}) {
      const std::string name =
          std::string("format/length/") + (tokens ? "tokens/" : "plain/") + label;
      auto* b = benchmark::RegisterBenchmark(name.c_str(), formatLength, writer, tokens);
      for (const std::size_t bytes : kFormatLengths) b->Arg(static_cast<std::int64_t>(bytes));
    }
  }
  for (const auto& [peer, convert] : toLocalPeers) {
    benchmark::RegisterBenchmark((std::string("zone/toLocal/") + peer).c_str(), zone<ToLocal>,
                                 convert, true);
  }
  benchmark::RegisterBenchmark("zone/toUtc/normdate", zone<decltype(&toUtcNormdate)>, toUtcNormdate,
                               false);
  benchmark::RegisterBenchmark("zone/toUtc/abseil", zone<decltype(&toUtcAbseil)>, toUtcAbseil,
                               false);
  benchmark::RegisterBenchmark("zone/toUtc/mktime", zone<decltype(&toUtcGlibc)>, toUtcGlibc, false);
  benchmark::RegisterBenchmark("zone/toUtc/date", zone<decltype(&toUtcDateLib)>, toUtcDateLib,
                               false);
  for (const auto& [peer, parse] : isoParsers) {
    benchmark::RegisterBenchmark((std::string("iso/parse/") + peer).c_str(), parseIso, parse);
  }
  benchmark::RegisterBenchmark("iso/format/normdate", format, isoNormdate);
  benchmark::RegisterBenchmark("iso/format/strftime", format, isoStrftime);
  benchmark::RegisterBenchmark("iso/format/abseil", format, isoAbseil);
  calendarRows(true);
}

}  // namespace

int main(int argc, char** argv) {
  // glibc's localtime_r and mktime read the zone from TZ.
  setenv("TZ", kZone, 1);
  tzset();
  if (const int mismatches = verify(); mismatches > 0) {
    std::cerr << mismatches << " results differ from normdate's; no timing done\n";
    return 1;
  }
  std::cerr << "every peer agrees with normdate on every input\n";
  registerAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
