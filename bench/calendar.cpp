// Calendar questions: each library asks its own value for the `valid`
// dates: normdate's Date, abseil's CivilSecond, the date library's
// year_month_day and glibc's gmtime_r of a time_t.

#include <absl/time/civil_time.h>
#include <date/date.h>
#include <date/iso_week.h>

#include <ctime>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

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

// Registers one question for the libraries that have it, or checks that
// they all answer as normdate does.
template <bool withAbseil, bool withGlibc, class Ask>
void calendarRow(const char* name, Ask question, Mismatches* check) {
  const CalendarValues& v = calendarValues();
  if (check == nullptr) {
    const std::string row = std::string("calendar/") + name + "/";
    benchmark::RegisterBenchmark((row + "normdate").c_str(), [question](benchmark::State& s) {
      cycle(s, calendarValues().normdate, question);
    });
    benchmark::RegisterBenchmark((row + "date").c_str(), [question](benchmark::State& s) {
      cycle(s, calendarValues().dateLib, question);
    });
    if constexpr (withAbseil) {
      benchmark::RegisterBenchmark((row + "abseil").c_str(), [question](benchmark::State& s) {
        cycle(s, calendarValues().abseil, question);
      });
    }
    if constexpr (withGlibc) {
      benchmark::RegisterBenchmark((row + "gmtime_r").c_str(), [question](benchmark::State& s) {
        cycle(s, calendarValues().glibc, question);
      });
    }
    return;
  }
  for (std::size_t i = 0; i < kInputs; ++i) {
    const int expected = question(v.normdate[i]);
    const Date::Date& d = v.normdate[i];
    if (question(v.dateLib[i]) != expected)
      check->report(name, d, question(v.dateLib[i]), expected);
    if constexpr (withAbseil) {
      if (question(v.abseil[i]) != expected)
        check->report(name, d, question(v.abseil[i]), expected);
    }
    if constexpr (withGlibc) {
      if (question(v.glibc[i]) != expected) check->report(name, d, question(v.glibc[i]), expected);
    }
  }
}

// Every calendar row: checked, or registered where `check` is null.
void calendarRows(Mismatches* check) {
  const auto weekday = [](const auto& value) { return weekdayOf(value); };
  const auto yearDay = [](const auto& value) { return yearDayOf(value); };
  const auto isoWeek = [](const auto& value) { return isoWeekOf(value); };
  calendarRow<true, true>("weekday", weekday, check);
  calendarRow<true, true>("day_of_year", yearDay, check);
  calendarRow<false, false>("iso_week", isoWeek, check);
}

}  // namespace

void checkCalendar(Mismatches& mismatches) { calendarRows(&mismatches); }

void registerCalendar() { calendarRows(nullptr); }

}  // namespace bench
