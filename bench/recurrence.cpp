// Recurrence rules against libical's icalrecur_iterator, on typical rules,
// each from a start the rule names (libical gives its start as the first
// occurrence whether or not the rule names it). Both libraries read the
// rule before the timing; a row expands its first occurrences and counts
// them as items, so the rate is per occurrence. Before any timing, both are
// checked to give the same occurrences. The lookups a thousand years ahead
// are normdate's alone: libical walks there occurrence by occurrence; so
// are those in rules with COUNT, which count the occurrences before.

#include <libical/ical.h>
#include <normdate/recurrence.h>

#include <array>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

struct RuleRow {
  const char* name;
  const char* rule;
  Date::Date start;
};

const std::array<RuleRow, 6> kRules = {{
    {"daily", "FREQ=DAILY", Date::Date(2026, Date::Jan, 1, 9, 0, 0)},
    {"weekly_three_days", "FREQ=WEEKLY;BYDAY=MO,WE,FR", Date::Date(2026, Date::Jan, 5, 9, 0, 0)},
    {"monthly_last_friday", "FREQ=MONTHLY;BYDAY=-1FR", Date::Date(2026, Date::Jan, 30, 9, 0, 0)},
    {"yearly_second_sunday_of_march", "FREQ=YEARLY;BYMONTH=3;BYDAY=2SU",
     Date::Date(2026, Date::Mar, 8, 2, 0, 0)},
    {"hourly_half_past", "FREQ=HOURLY;BYMINUTE=30", Date::Date(2026, Date::Jan, 1, 0, 30, 0)},
    {"monthly_last_weekday", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1",
     Date::Date(2026, Date::Jan, 30, 17, 0, 0)},
}};

// Occurrences a row expands: 500 years of the yearly rule stay below the
// year 2582, where libical stops.
constexpr int kOccurrences = 500;

icaltimetype icalOf(const Date::Date& d) {
  return icaltime_from_string(d.toString("YYYYMMDDThhmmss").c_str());
}

Date::Date dateOf(const icaltimetype& t) {
  return {t.year, static_cast<Date::Month>(t.month), t.day, t.hour, t.minute, t.second};
}

// Expands the first kOccurrences of the rule with libical; the last.
Date::Date expandWithLibical(const icalrecurrencetype& rule, const icaltimetype& start,
                             std::vector<Date::Date>* dates) {
  icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
  icaltimetype t = icaltime_null_time();
  for (int n = 0; n < kOccurrences; ++n) {
    t = icalrecur_iterator_next(it);
    if (dates != nullptr) dates->push_back(dateOf(t));
  }
  icalrecur_iterator_free(it);
  return dateOf(t);
}

Date::Date expandWithNormdate(const Date::Recurrence& rule, std::vector<Date::Date>* dates) {
  auto it = rule.begin();
  Date::Date last = *it;
  for (int n = 0; n < kOccurrences; ++n, ++it) {
    last = *it;
    if (dates != nullptr) dates->push_back(last);
  }
  return last;
}

// The first occurrence after instants spread over a year a thousand years
// past the start.
void registerLookups(const std::string& name, const char* rule, const Date::Date& start) {
  benchmark::RegisterBenchmark(
      ("recurrence/next_1000_years_on/" + name).c_str(), [rule, start](benchmark::State& state) {
        const Date::Recurrence recurrence = Date::Recurrence::parse(rule, start);
        std::vector<Date::Date> after;
        for (std::size_t i = 0; i < kInputs; ++i) {
          after.push_back(start.addYear(1000).addSecond(static_cast<int>(i * 7919 % 31536000)));
        }
        cycle(state, after, [&recurrence](const Date::Date& d) { return recurrence.next(d); });
      });
}

// The rule with COUNT too large to reach, from the year 0, asked about
// instants spread over the year 9999: the lookup counts every occurrence
// of ten thousand years before it.
void registerCountedLookups(const std::string& name, const char* rule, int startYear) {
  benchmark::RegisterBenchmark(
      ("recurrence/next_with_count_in_9999/" + name).c_str(),
      [rule, startYear](benchmark::State& state) {
        const Date::Date start(startYear, Date::Jan, 1, 9, 30, 0);
        const Date::Recurrence recurrence =
            Date::Recurrence::parse(std::string(rule) + ";COUNT=9223372036854775807", start);
        std::vector<Date::Date> after;
        for (std::size_t i = 0; i < kInputs; ++i) {
          after.push_back(
              Date::Date(9999, Date::Jan, 1).addSecond(static_cast<int>(i * 7919 % 31536000)));
        }
        cycle(state, after, [&recurrence](const Date::Date& d) { return recurrence.next(d); });
      });
}

}  // namespace

void checkRecurrences(Mismatches& mismatches) {
  for (const RuleRow& row : kRules) {
    std::vector<Date::Date> ours, theirs;
    expandWithNormdate(Date::Recurrence::parse(row.rule, row.start), &ours);
    expandWithLibical(icalrecurrencetype_from_string(row.rule), icalOf(row.start), &theirs);
    for (std::size_t i = 0; i < ours.size(); ++i) {
      if (ours[i] != theirs[i]) {
        mismatches.report(std::string("libical ") + row.rule, i, theirs[i], ours[i]);
      }
    }
  }
}

void registerRecurrences() {
  for (const RuleRow& row : kRules) {
    const std::string name = std::string("recurrence/") + row.name + "/";
    benchmark::RegisterBenchmark((name + "normdate").c_str(), [row](benchmark::State& state) {
      const Date::Recurrence rule = Date::Recurrence::parse(row.rule, row.start);
      for (auto _ : state) benchmark::DoNotOptimize(expandWithNormdate(rule, nullptr));
      state.SetItemsProcessed(state.iterations() * kOccurrences);
    });
    benchmark::RegisterBenchmark((name + "libical").c_str(), [row](benchmark::State& state) {
      const icalrecurrencetype rule = icalrecurrencetype_from_string(row.rule);
      const icaltimetype start = icalOf(row.start);
      for (auto _ : state) benchmark::DoNotOptimize(expandWithLibical(rule, start, nullptr));
      state.SetItemsProcessed(state.iterations() * kOccurrences);
    });
  }
  for (const RuleRow& row : kRules) registerLookups(row.name, row.rule, row.start);
  registerLookups("secondly_every_7", "FREQ=SECONDLY;INTERVAL=7", Date::Date(2026, Date::Jan, 1));
  for (const RuleRow& row : kRules) registerCountedLookups(row.name, row.rule, 0);
  registerCountedLookups("secondly_in_june", "FREQ=SECONDLY;BYMONTH=6", 0);
  // The slowest shape: an interval that divides no day, and a time part,
  // with which each day named is counted on its own.
  registerCountedLookups("secondly_every_2053_on_weekdays",
                         "FREQ=SECONDLY;INTERVAL=2053;BYHOUR=1,2,3;BYDAY=MO,TU,WE,TH,FR,SA", 0);
}

}  // namespace bench
