// Business days against QuantLib: a calendar of weekends and the eleven
// yearly holidays of a US-style calendar, written as recurrence rules for
// normdate and added date by date (1901 to 2199, QuantLib's range) to a
// QuantLib BespokeCalendar; a move of 1 to 1000 business days from a
// business day, and the business days between dates one to ten years
// apart. The rows "numpy_like" time the workloads bench/numpy_busday.py
// gives numpy, for the ratio that script prints.

#include <normdate/business.h>
#include <normdate/recurrence.h>

#include <cstdint>
#include <ql/time/calendars/bespokecalendar.hpp>
#include <random>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

constexpr const char* kHolidayRules[] = {
    "FREQ=YEARLY;BYMONTH=1;BYMONTHDAY=1",   "FREQ=YEARLY;BYMONTH=1;BYDAY=3MO",
    "FREQ=YEARLY;BYMONTH=2;BYDAY=3MO",      "FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO",
    "FREQ=YEARLY;BYMONTH=6;BYMONTHDAY=19",  "FREQ=YEARLY;BYMONTH=7;BYMONTHDAY=4",
    "FREQ=YEARLY;BYMONTH=9;BYDAY=1MO",      "FREQ=YEARLY;BYMONTH=10;BYDAY=2MO",
    "FREQ=YEARLY;BYMONTH=11;BYMONTHDAY=11", "FREQ=YEARLY;BYMONTH=11;BYDAY=4TH",
    "FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=25"};

std::vector<Date::RecurrenceSet> holidaySets() {
  std::vector<Date::RecurrenceSet> sets;
  for (const char* rule : kHolidayRules) {
    sets.emplace_back(Date::Date(1901, Date::Jan, 1)).addRule(rule);
  }
  return sets;
}

const Date::BusinessCalendar& normdateCalendar() {
  static const Date::BusinessCalendar calendar("1111100", {}, holidaySets());
  return calendar;
}

QuantLib::Date quantLibDate(const Date::Date& d) {
  return {static_cast<QuantLib::Day>(d.getDay()), static_cast<QuantLib::Month>(d.getMonth()),
          d.getYear()};
}

Date::Date normdateDate(const QuantLib::Date& d) {
  return {d.year(), static_cast<int>(d.month()), d.dayOfMonth(), 0, 0, 0};
}

const QuantLib::Calendar& quantLibCalendar() {
  static const QuantLib::Calendar calendar = [] {
    QuantLib::BespokeCalendar bespoke("normdate's holidays");
    bespoke.addWeekend(QuantLib::Saturday);
    bespoke.addWeekend(QuantLib::Sunday);
    for (const Date::RecurrenceSet& set : holidaySets()) {
      for (const Date::Date& d :
           set.between(Date::Date(1901, Date::Jan, 1), Date::Date(2199, Date::Dec, 31))) {
        bespoke.addHoliday(quantLibDate(d));
      }
    }
    return bespoke;
  }();
  return calendar;
}

struct Move {
  Date::Date from;
  std::int64_t days;
  QuantLib::Date quantLibFrom;
};

struct Stretch {
  Date::Date from;
  Date::Date to;
  QuantLib::Date quantLibFrom;
  QuantLib::Date quantLibTo;
};

// Business days of 1950 to 2100, so that every move and count stays in
// QuantLib's years.
Date::Date businessDay(std::mt19937_64& random) {
  return normdateCalendar().nextBusinessDay(
      Date::Date(1950, Date::Jan, 1).addDay(static_cast<int>(random() % 55000)));
}

const std::vector<Move>& moves(std::int64_t most) {
  static std::vector<std::vector<Move>> byMost(1001);
  std::vector<Move>& all = byMost[static_cast<std::size_t>(most)];
  if (all.empty()) {
    std::mt19937_64 random(most);
    for (std::size_t i = 0; i < kInputs; ++i) {
      const Date::Date d = businessDay(random);
      all.push_back({d, 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(most)),
                     quantLibDate(d)});
    }
  }
  return all;
}

const std::vector<Stretch>& stretches(int years) {
  static std::vector<std::vector<Stretch>> byYears(11);
  std::vector<Stretch>& all = byYears[static_cast<std::size_t>(years)];
  if (all.empty()) {
    std::mt19937_64 random(static_cast<std::uint64_t>(years));
    for (std::size_t i = 0; i < kInputs; ++i) {
      const Date::Date from = businessDay(random);
      const Date::Date to =
          from.addDay(static_cast<int>(random() % static_cast<std::uint64_t>(365 * years)) + 1);
      all.push_back({from, to, quantLibDate(from), quantLibDate(to)});
    }
  }
  return all;
}

Date::Date advanceNormdate(const Move& m) {
  return normdateCalendar().addBusinessDays(m.from, m.days);
}
QuantLib::Date advanceQuantLib(const Move& m) {
  return quantLibCalendar().advance(m.quantLibFrom, static_cast<QuantLib::Integer>(m.days),
                                    QuantLib::Days);
}
std::int64_t countNormdate(const Stretch& s) {
  return normdateCalendar().businessDaysBetween(s.from, s.to);
}
std::int64_t countQuantLib(const Stretch& s) {
  return quantLibCalendar().businessDaysBetween(s.quantLibFrom, s.quantLibTo);
}

constexpr std::int64_t kMoves[] = {1, 10, 100, 1000};
constexpr int kYears[] = {1, 10};

}  // namespace

void checkBusiness(Mismatches& mismatches) {
  for (const std::int64_t most : kMoves) {
    for (const Move& m : moves(most)) {
      if (normdateDate(advanceQuantLib(m)) != advanceNormdate(m)) {
        mismatches.report("business/advance/quantlib", m.from, normdateDate(advanceQuantLib(m)),
                          advanceNormdate(m));
      }
    }
  }
  for (const int years : kYears) {
    for (const Stretch& s : stretches(years)) {
      if (countQuantLib(s) != countNormdate(s)) {
        mismatches.report("business/count/quantlib", s.from, countQuantLib(s), countNormdate(s));
      }
    }
  }
}

void registerBusiness() {
  for (const std::int64_t most : kMoves) {
    const std::string suffix = std::to_string(most);
    benchmark::RegisterBenchmark(
        (std::string("business/advance_up_to/normdate/") += suffix).c_str(),
        [most](benchmark::State& state) { cycle(state, moves(most), advanceNormdate); });
    benchmark::RegisterBenchmark(
        (std::string("business/advance_up_to/quantlib/") += suffix).c_str(),
        [most](benchmark::State& state) { cycle(state, moves(most), advanceQuantLib); });
  }
  for (const int years : kYears) {
    const std::string suffix = std::to_string(years) + "y";
    benchmark::RegisterBenchmark(
        (std::string("business/count_up_to/normdate/") += suffix).c_str(),
        [years](benchmark::State& state) { cycle(state, stretches(years), countNormdate); });
    benchmark::RegisterBenchmark(
        (std::string("business/count_up_to/quantlib/") += suffix).c_str(),
        [years](benchmark::State& state) { cycle(state, stretches(years), countQuantLib); });
  }
  benchmark::RegisterBenchmark("business/build_eleven_rules/normdate", [](benchmark::State& state) {
    const std::vector<Date::RecurrenceSet> sets = holidaySets();
    for (auto _ : state) {
      Date::BusinessCalendar calendar("1111100", {}, sets);
      benchmark::DoNotOptimize(calendar);
    }
  });
}

}  // namespace bench
