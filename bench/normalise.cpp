// Normalisation: six fields in, six fields out, on three workloads, and an
// instant of std::chrono in nanoseconds split into fields and a fraction;
// normdate's own shifts and interval arithmetic.

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <date/date.h>
#include <normdate/timestamp.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

using std::chrono::nanoseconds;
using NanoTime = std::chrono::sys_time<nanoseconds>;

Fields viaNormdate(const Fields& f) {
  return fieldsOf(Date::Date(f.year, f.month, f.day, f.hour, f.minute, f.second));
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

constexpr std::array<std::pair<const char*, Normaliser>, 4> normalisers = {
    {{"normdate", viaNormdate},
     {"date", viaDateLib},
     {"abseil", viaAbseil},
     {"timegm", viaTimegm}}};

// ---- An instant in nanoseconds as fields and the nanoseconds after them. ----

struct SplitInstant {
  Fields fields;
  std::int64_t nanosecond;
  friend bool operator==(const SplitInstant&, const SplitInstant&) = default;
  friend std::ostream& operator<<(std::ostream& o, const SplitInstant& s) {
    return o << s.fields << " +" << s.nanosecond << " ns";
  }
};

// Every instant a 64-bit count of nanoseconds holds, 1677 to 2262.
const std::vector<NanoTime>& instants() {
  static const std::vector<NanoTime> values = [] {
    std::vector<NanoTime> result;
    std::mt19937_64 random(19);
    for (std::size_t i = 0; i < kInputs; ++i) {
      result.emplace_back(nanoseconds(static_cast<std::int64_t>(random())));
    }
    return result;
  }();
  return values;
}

SplitInstant splitNormdate(NanoTime t) {
  const Date::Timestamp stamp(t);
  return {fieldsOf(stamp.getDate()), stamp.getNanosecond()};
}

SplitInstant splitDateLib(NanoTime t) {
  const date::sys_days day = date::floor<date::days>(t);
  const date::year_month_day ymd{day};
  const date::hh_mm_ss time{t - day};
  return {
      {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
       static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(time.hours().count()),
       static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count())},
      time.subseconds().count()};
}

SplitInstant splitAbseil(NanoTime t) {
  const absl::Time instant = absl::FromUnixNanos(t.time_since_epoch().count());
  const absl::CivilSecond c = absl::ToCivilSecond(instant, absl::UTCTimeZone());
  const std::int64_t fraction =
      absl::ToInt64Nanoseconds(instant - absl::FromCivil(c, absl::UTCTimeZone()));
  return {{static_cast<int>(c.year()), c.month(), c.day(), c.hour(), c.minute(), c.second()},
          fraction};
}

SplitInstant splitGlibc(NanoTime t) {
  const std::int64_t count = t.time_since_epoch().count();
  const std::time_t seconds = floorDiv(count, 1'000'000'000);
  std::tm split{};
  gmtime_r(&seconds, &split);
  return {{split.tm_year + 1900, split.tm_mon + 1, split.tm_mday, split.tm_hour, split.tm_min,
           split.tm_sec},
          count - seconds * 1'000'000'000};
}

using Splitter = SplitInstant (*)(NanoTime);
constexpr std::array<std::pair<const char*, Splitter>, 4> splitters = {{{"normdate", splitNormdate},
                                                                        {"date", splitDateLib},
                                                                        {"abseil", splitAbseil},
                                                                        {"gmtime_r", splitGlibc}}};

// A row whose splitter is inlined into the timing loop, as it would be
// into a caller's: a call through a pointer would cost every peer alike.
template <Splitter split>
void registerSplit(const char* peer) {
  benchmark::RegisterBenchmark((std::string("timestamp/from_sys_time/") + peer).c_str(),
                               [](benchmark::State& state) {
                                 cycle(state, instants(), [](NanoTime t) { return split(t); });
                               });
}

// ---- normdate's own arithmetic. ----

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

}  // namespace

void checkNormalisation(Mismatches& mismatches) {
  for (const std::string& name : kWorkloads) {
    for (const Fields& f : workload(name)) {
      const Fields expected = viaNormdate(f);
      for (const auto& [peer, normalise] : normalisers) {
        const Fields got = normalise(f);
        if (got != expected) mismatches.report(std::string(peer) + "/" + name, f, got, expected);
      }
    }
  }
  for (const NanoTime t : instants()) {
    for (const auto& [peer, split] : splitters) {
      if (split(t) != splitNormdate(t)) {
        mismatches.report(std::string("timestamp/") + peer, t.time_since_epoch().count(), split(t),
                          splitNormdate(t));
      }
    }
  }
}

void registerNormalisation() {
  for (const std::string& name : kWorkloads) {
    for (const auto& [peer, normalise] : normalisers) {
      benchmark::RegisterBenchmark(("normalise/" + name + "/" + peer).c_str(),
                                   [normalise = normalise, &name](benchmark::State& state) {
                                     cycle(state, workload(name), normalise);
                                   });
    }
  }
  registerSplit<splitNormdate>(splitters[0].first);
  registerSplit<splitDateLib>(splitters[1].first);
  registerSplit<splitAbseil>(splitters[2].first);
  registerSplit<splitGlibc>(splitters[3].first);
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
}

}  // namespace bench
