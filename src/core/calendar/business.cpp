// Business days: ranks of days among the business days of the 10000-year
// calendar, found by counting whole weeks and binary search over holidays.
//
// A day is numbered from 0000-01-01 (0) to 9999-12-31 (cycleDays - 1). The
// business days before day a, B(a), are the worked weekdays before it,
// W(a), less the holidays before it; the business day of rank r is the
// worked weekday of rank r + i, where i is the number of holidays before
// it, found by binary search since W(h) - (holidays before h) grows with
// the holiday h.

#include <normdate/business.h>
#include <normdate/date.h>
#include <normdate/detail/civil.h>
#include <normdate/recurrence.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Date {

namespace {

using int64 = std::int64_t;

constexpr int64 cycleDays = detail::daysInAllYears;  // 0000-01-01 .. 9999-12-31
constexpr int64 daysBeforeEpoch = 719528;            // 0000-01-01 .. 1970-01-01

int64 dayOf(const Date& d) noexcept {
  return detail::daysFromEpoch(d.getYear(), d.getMonth(), d.getDay()) + daysBeforeEpoch;
}

// Day `day` (any value: it wraps) at the time of day of `time`.
Date dateOf(int64 day, const Date& time) noexcept {
  const detail::Fields f = detail::fromDays(detail::floorMod(day, cycleDays) - daysBeforeEpoch, 0);
  return {f.year, f.month, f.day, time.getHour(), time.getMinute(), time.getSecond()};
}

// Days from a Monday to 0000-01-01: day a is the weekday (a + shift) % 7
// of a week from Monday.
constexpr int64 mondayShift = (detail::weekdayOf(0, 1, 1) + 6) % 7;

std::array<bool, 7> readWeekmask(std::string_view text) {
  std::array<bool, 7> worked{};
  const auto refuse = [&text](const char* why) {
    return std::invalid_argument("the weekmask \"" + std::string(text) + "\" " + why);
  };
  if (text.size() == 7 && text.find_first_not_of("01") == std::string_view::npos) {
    for (std::size_t i = 0; i < 7; ++i) worked[i] = text[i] == '1';
  } else {
    static constexpr std::array<std::string_view, 7> names = {"mon", "tue", "wed", "thu",
                                                              "fri", "sat", "sun"};
    for (std::size_t at = 0; at < text.size();) {
      if (text[at] == ' ') {
        ++at;
        continue;
      }
      const std::string_view rest = text.substr(at);
      const auto named = std::find_if(names.begin(), names.end(), [rest](std::string_view n) {
        return rest.size() >= 3 && std::equal(n.begin(), n.end(), rest.begin(), [](char a, char b) {
                 return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
               });
      });
      if (named == names.end()) {
        throw refuse("is neither seven 0s and 1s from Monday nor weekday names (\"Mon Tue\")");
      }
      worked[static_cast<std::size_t>(named - names.begin())] = true;
      at += 3;
    }
  }
  if (std::find(worked.begin(), worked.end(), true) == worked.end()) {
    throw refuse("has no business day");
  }
  return worked;
}

}  // namespace

struct BusinessCalendar::Days {
  std::array<bool, 7> worked{};         // from Monday
  std::array<int64, 8> workedBefore{};  // worked weekdays of a week before each weekday
  std::array<int64, 7> nthWorked{};     // the weekday of each worked day of a week, in order
  int64 perWeek = 0;
  std::vector<std::int32_t> holidays;  // days of worked weekdays, sorted, each once
  std::vector<int64> holidayRanks;     // W(holiday) - its index: never decreasing
  int64 total = 0;                     // business days of the whole calendar

  explicit Days(const std::array<bool, 7>& mask) : worked(mask) {
    for (std::size_t i = 0; i < 7; ++i) {
      workedBefore[i + 1] = workedBefore[i] + (worked[i] ? 1 : 0);
      if (worked[i]) nthWorked[static_cast<std::size_t>(perWeek++)] = static_cast<int64>(i);
    }
  }

  [[nodiscard]] bool isWorkedWeekday(int64 day) const noexcept {
    return worked[static_cast<std::size_t>(detail::floorMod(day + mondayShift, 7))];
  }

  // Worked weekdays before day `day`, counted from day -mondayShift, a Monday.
  [[nodiscard]] int64 weekdaysBefore(int64 day) const noexcept {
    const int64 shifted = day + mondayShift;
    return detail::floorDiv(shifted, 7) * perWeek +
           workedBefore[static_cast<std::size_t>(detail::floorMod(shifted, 7))];
  }

  // The worked weekday with `rank` worked weekdays before it.
  [[nodiscard]] int64 weekdayOfRank(int64 rank) const noexcept {
    return detail::floorDiv(rank, perWeek) * 7 +
           nthWorked[static_cast<std::size_t>(detail::floorMod(rank, perWeek))] - mondayShift;
  }

  [[nodiscard]] bool isHoliday(int64 day) const noexcept {
    return std::binary_search(holidays.begin(), holidays.end(), day);
  }

  // Business days before `day` in its cycle; whole cycles before it count
  // `total` each.
  [[nodiscard]] int64 rankOf(int64 day) const noexcept {
    const int64 cycles = detail::floorDiv(day, cycleDays);
    const int64 inCycle = day - cycles * cycleDays;
    const auto holidaysBefore =
        std::lower_bound(holidays.begin(), holidays.end(), inCycle) - holidays.begin();
    return cycles * total + weekdaysBefore(inCycle) - weekdaysBefore(0) - holidaysBefore;
  }

  // The business day with `rank` business days before it (any rank: whole
  // cycles of `total` move it by whole cycles of days).
  [[nodiscard]] int64 dayOfRank(int64 rank) const noexcept {
    const int64 cycles = detail::floorDiv(rank, total);
    const int64 inCycle = rank - cycles * total;
    const auto passed = std::partition_point(holidayRanks.begin(), holidayRanks.end(),
                                             [inCycle](int64 r) { return r <= inCycle; }) -
                        holidayRanks.begin();
    return cycles * cycleDays + weekdayOfRank(weekdaysBefore(0) + inCycle + passed);
  }

  [[nodiscard]] bool isBusinessDay(int64 day) const noexcept {
    return isWorkedWeekday(day) && !isHoliday(detail::floorMod(day, cycleDays));
  }

  void addHoliday(int64 day) {
    if (isWorkedWeekday(day)) holidays.push_back(static_cast<std::int32_t>(day));
  }

  // Sorts the holidays and finds what the questions need of them.
  void index() {
    std::sort(holidays.begin(), holidays.end());
    holidays.erase(std::unique(holidays.begin(), holidays.end()), holidays.end());
    holidayRanks.resize(holidays.size());
    for (std::size_t i = 0; i < holidays.size(); ++i) {
      holidayRanks[i] = weekdaysBefore(holidays[i]) - weekdaysBefore(0) - static_cast<int64>(i);
    }
    total = weekdaysBefore(cycleDays) - weekdaysBefore(0) - static_cast<int64>(holidays.size());
  }
};

BusinessCalendar::BusinessCalendar() : BusinessCalendar("1111100") {}

BusinessCalendar::BusinessCalendar(std::string_view weekmask, const std::vector<Date>& holidays,
                                   const std::vector<RecurrenceSet>& holidaySets) {
  auto found = std::make_shared<Days>(readWeekmask(weekmask));
  for (const Date& d : holidays) found->addHoliday(dayOf(d));
  for (const RecurrenceSet& set : holidaySets) {
    // A rule that names a day many times is moved to the next day at once.
    auto it = set.startingAt(INT64_MIN);
    while (it != RecurrenceSet::end()) {
      const int64 day = dayOf(*it);
      found->addHoliday(day);
      ++it;
      if (it != RecurrenceSet::end() && dayOf(*it) == day) {
        it = set.startingAt((day + 1 - daysBeforeEpoch) * 86400);
      }
    }
  }
  found->index();
  if (found->total == 0) {
    throw std::invalid_argument("the holidays leave the calendar no business day");
  }
  days = std::move(found);
}

bool BusinessCalendar::isBusinessDay(const Date& d) const noexcept {
  return days->isBusinessDay(dayOf(d));
}

Date BusinessCalendar::addBusinessDays(const Date& d, std::int64_t n, Roll roll) const {
  int64 day = dayOf(d);
  if (!days->isBusinessDay(day)) {
    const int64 forward = days->dayOfRank(days->rankOf(day));
    const int64 backward = days->dayOfRank(days->rankOf(day) - 1);
    const auto sameMonth = [&d](int64 other) {
      return dateOf(other, d).getMonth() == d.getMonth();
    };
    switch (roll) {
      case Roll::Forward: day = forward; break;
      case Roll::Backward: day = backward; break;
      case Roll::ModifiedFollowing: day = sameMonth(forward) ? forward : backward; break;
      case Roll::ModifiedPreceding: day = sameMonth(backward) ? backward : forward; break;
      case Roll::Raise:
        throw std::invalid_argument(d.toString("YYYY-MM-DD") + " is not a business day");
    }
  }
  // Whole cycles of business days move no date: only n's remainder counts,
  // so that no count overflows.
  return dateOf(days->dayOfRank(days->rankOf(day) + detail::floorMod(n, days->total)), d);
}

std::int64_t BusinessCalendar::businessDaysBetween(const Date& from,
                                                   const Date& to) const noexcept {
  return days->rankOf(dayOf(to)) - days->rankOf(dayOf(from));
}

Date BusinessCalendar::nextBusinessDay(const Date& d) const noexcept {
  return dateOf(days->dayOfRank(days->rankOf(dayOf(d) + 1)), d);
}

Date BusinessCalendar::previousBusinessDay(const Date& d) const noexcept {
  return dateOf(days->dayOfRank(days->rankOf(dayOf(d)) - 1), d);
}

std::string BusinessCalendar::getWeekmask() const {
  std::string mask;
  for (const bool w : days->worked) mask += w ? '1' : '0';
  return mask;
}

}  // namespace Date
