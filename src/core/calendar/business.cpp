// Business days: ranks of days among the business days of the 10000-year
// calendar, found by counting whole weeks and binary search over holidays.
//
// A day is numbered from 0000-01-01 (0) to 9999-12-31 (detail::daysInAllYears - 1). The
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

constexpr int64 daysBeforeEpoch = 719528;  // 0000-01-01 .. 1970-01-01

int64 dayOf(const Date& d) noexcept {
  return detail::daysFromEpoch(d.getYear(), d.getMonth(), d.getDay()) + daysBeforeEpoch;
}

// The day of January 1 of `year`, 0 .. 10000.
constexpr int64 firstDayOf(int64 year) noexcept {
  return 365 * year + (year + 3) / 4 - (year + 99) / 100 + (year + 399) / 400;
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
      const auto* const named =
          std::find_if(names.begin(), names.end(), [rest](std::string_view n) {
            return rest.size() >= 3 &&
                   std::equal(n.begin(), n.end(), rest.begin(), [](char a, char b) {
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

// A day of any cycle, as the day of the calendar and its year.
struct CalendarDay {
  int64 cycles;  // whole cycles of 10000 years before the calendar's
  int64 day;     // 0 .. detail::daysInAllYears - 1
  int64 year;    // 0 .. 9999
};

}  // namespace

struct BusinessCalendar::Days {
  std::array<bool, 7> worked{};         // from Monday
  std::array<int64, 8> workedBefore{};  // worked weekdays of a week before each weekday
  std::array<int64, 7> nthWorked{};     // the weekday of each worked day of a week, in order
  int64 perWeek = 0;
  std::uint64_t perWeekReciprocal = 0;     // 2^32 / perWeek, rounded up
  std::vector<std::int32_t> holidays;      // days of worked weekdays, sorted, each once
  std::vector<std::int32_t> holidayRanks;  // W(holiday) less its index: never decreasing
  // For each year 0..9999, and 10000 for the end: the index of its first
  // holiday, and the business days before its January 1.
  std::vector<std::int32_t> firstHoliday;
  std::vector<std::int32_t> yearRanks;
  int64 total = 0;  // business days of the whole calendar

  explicit Days(const std::array<bool, 7>& mask) : worked(mask) {
    for (std::size_t i = 0; i < 7; ++i) {
      workedBefore[i + 1] = workedBefore[i] + (worked[i] ? 1 : 0);
      if (worked[i]) nthWorked[static_cast<std::size_t>(perWeek++)] = static_cast<int64>(i);
    }
    perWeekReciprocal = (std::uint64_t{1} << 32) / static_cast<std::uint64_t>(perWeek) + 1;
  }

  [[nodiscard]] bool isWorkedWeekday(int64 day) const noexcept {
    return worked[static_cast<std::size_t>(detail::floorMod(day + mondayShift, 7))];
  }

  // Worked weekdays before `day`, counted from the Monday before day 0.
  [[nodiscard]] int64 weekdaysBefore(int64 day) const noexcept {
    const int64 shifted = day + mondayShift;  // not negative for a day of the calendar
    return shifted / 7 * perWeek + workedBefore[static_cast<std::size_t>(shifted % 7)];
  }

  // The worked weekday with `rank` worked weekdays before it, so counted.
  // The division is a multiplication by a reciprocal, exact for a rank
  // below 2^22, which every rank of the calendar is: a division by a
  // divisor known only at run time would cost more than the rest.
  [[nodiscard]] int64 weekdayOfRank(int64 rank) const noexcept {
    const auto r = static_cast<std::uint64_t>(rank);
    const std::uint64_t weeks = r * perWeekReciprocal >> 32;
    const std::uint64_t within = r - weeks * static_cast<std::uint64_t>(perWeek);
    return static_cast<int64>(weeks) * 7 + nthWorked[static_cast<std::size_t>(within)] -
           mondayShift;
  }

  // The holidays of `year`, as indices.
  [[nodiscard]] std::pair<const std::int32_t*, const std::int32_t*> holidaysOf(
      int64 year) const noexcept {
    const auto y = static_cast<std::size_t>(year);
    return {holidays.data() + firstHoliday[y], holidays.data() + firstHoliday[y + 1]};
  }

  // Day `day` of the calendar (0 .. detail::daysInAllYears - 1) of year `year`.
  [[nodiscard]] bool isBusinessDay(int64 day, int64 year) const noexcept {
    const auto [first, last] = holidaysOf(year);
    return isWorkedWeekday(day) && !std::binary_search(first, last, day);
  }

  // Business days before day `day` of year `year`.
  [[nodiscard]] int64 rankOf(int64 day, int64 year) const noexcept {
    const auto [first, last] = holidaysOf(year);
    return yearRanks[static_cast<std::size_t>(year)] + weekdaysBefore(day) -
           weekdaysBefore(firstDayOf(year)) - (std::lower_bound(first, last, day) - first);
  }

  // The business day with `rank` (0 .. total - 1) business days before it,
  // and its year, searched for from the year `near`.
  [[nodiscard]] int64 dayOfRank(int64 rank, int64& year) const noexcept {
    const auto before = [this](int64 y) { return int64{yearRanks[static_cast<std::size_t>(y)]}; };
    int64 y = year;
    const auto holds = [&](int64 candidate) {
      return before(candidate) <= rank && rank < before(candidate + 1);
    };
    if (!holds(y)) {
      if (y < 9999 && holds(y + 1)) {
        ++y;
      } else if (y > 0 && holds(y - 1)) {
        --y;
      } else {
        // Farther: the years near `near` have about as many business days
        // each, and a few steps settle the estimate, or a binary search.
        const int64 perYear = std::max<int64>(1, before(y + (y < 9999 ? 1 : 0)) - before(y));
        y = std::clamp<int64>(y + (rank - before(y)) / perYear, 0, 9999);
        for (int step = 0; step < 4 && before(y) > rank; ++step) --y;
        for (int step = 0; step < 4 && before(y + 1) <= rank; ++step) ++y;
        if (!holds(y)) {
          y = std::upper_bound(yearRanks.begin(), yearRanks.end(), rank) - yearRanks.begin() - 1;
        }
      }
    }
    year = y;
    const auto y0 = static_cast<std::size_t>(y);
    const auto passed = std::partition_point(holidayRanks.begin() + firstHoliday[y0],
                                             holidayRanks.begin() + firstHoliday[y0 + 1],
                                             [rank](int64 r) { return r <= rank; }) -
                        holidayRanks.begin();
    return weekdayOfRank(weekdaysBefore(0) + rank + passed);
  }

  [[nodiscard]] int64 rankOf(const CalendarDay& c) const noexcept {
    return c.cycles * total + rankOf(c.day, c.year);
  }

  // The business day of `rank` (any: whole cycles of business days are
  // whole cycles of days), searched for from the year `near`.
  [[nodiscard]] CalendarDay dayOfAnyRank(int64 rank, int64 near) const noexcept {
    const int64 cycles = rank >= 0 && rank < total ? 0 : detail::floorDiv(rank, total);
    CalendarDay c{cycles, 0, near};
    c.day = dayOfRank(rank - cycles * total, c.year);
    return c;
  }

  void addHoliday(int64 day) {
    if (isWorkedWeekday(day)) holidays.push_back(static_cast<std::int32_t>(day));
  }

  // Sorts the holidays and makes the tables the questions read.
  void index() {
    std::sort(holidays.begin(), holidays.end());
    holidays.erase(std::unique(holidays.begin(), holidays.end()), holidays.end());
    holidayRanks.resize(holidays.size());
    for (std::size_t i = 0; i < holidays.size(); ++i) {
      holidayRanks[i] = static_cast<std::int32_t>(weekdaysBefore(holidays[i]) - weekdaysBefore(0) -
                                                  static_cast<int64>(i));
    }
    firstHoliday.resize(10001);
    yearRanks.resize(10001);
    for (int64 year = 0; year <= 10000; ++year) {
      const int64 first = firstDayOf(year);
      const auto index =
          std::lower_bound(holidays.begin(), holidays.end(), first) - holidays.begin();
      firstHoliday[static_cast<std::size_t>(year)] = static_cast<std::int32_t>(index);
      yearRanks[static_cast<std::size_t>(year)] =
          static_cast<std::int32_t>(weekdaysBefore(first) - weekdaysBefore(0) - index);
    }
    total = yearRanks.back();
  }
};

namespace {

CalendarDay calendarDayOf(const Date& d) noexcept { return {0, dayOf(d), d.getYear()}; }

}  // namespace

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

namespace {

// The date of `c` at the time of day of `time`.
Date dateOf(const CalendarDay& c, const Date& time) noexcept {
  const detail::Fields f = detail::fromDays(c.day - daysBeforeEpoch, 0);
  return {f.year, f.month, f.day, time.getHour(), time.getMinute(), time.getSecond()};
}

}  // namespace

bool BusinessCalendar::isBusinessDay(const Date& d) const noexcept {
  return days->isBusinessDay(dayOf(d), d.getYear());
}

Date BusinessCalendar::addBusinessDays(const Date& d, std::int64_t n, Roll roll) const {
  CalendarDay c = calendarDayOf(d);
  if (!days->isBusinessDay(c.day, c.year)) {
    const int64 rank = days->rankOf(c);
    const CalendarDay forward = days->dayOfAnyRank(rank, c.year);
    const CalendarDay backward = days->dayOfAnyRank(rank - 1, c.year);
    const auto sameMonth = [&d](const CalendarDay& other) {
      return dateOf(other, d).getMonth() == d.getMonth();
    };
    switch (roll) {
      case Roll::Forward: c = forward; break;
      case Roll::Backward: c = backward; break;
      case Roll::ModifiedFollowing: c = sameMonth(forward) ? forward : backward; break;
      case Roll::ModifiedPreceding: c = sameMonth(backward) ? backward : forward; break;
      case Roll::Raise:
        throw std::invalid_argument(d.toString("YYYY-MM-DD") + " is not a business day");
    }
  }
  // Whole cycles of business days move no date: of a count too large to
  // add, only its remainder counts.
  constexpr int64 near = int64{1} << 40;  // no sum with it overflows
  const int64 move = n > -near && n < near ? n : detail::floorMod(n, days->total);
  return dateOf(days->dayOfAnyRank(days->rankOf(c) + move, c.year), d);
}

std::int64_t BusinessCalendar::businessDaysBetween(const Date& from,
                                                   const Date& to) const noexcept {
  return days->rankOf(dayOf(to), to.getYear()) - days->rankOf(dayOf(from), from.getYear());
}

Date BusinessCalendar::nextBusinessDay(const Date& d) const noexcept {
  // The business days up to and including `d` are the rank of the next one.
  const CalendarDay c = calendarDayOf(d);
  const int64 rank = days->rankOf(c) + (days->isBusinessDay(c.day, c.year) ? 1 : 0);
  return dateOf(days->dayOfAnyRank(rank, c.year), d);
}

Date BusinessCalendar::previousBusinessDay(const Date& d) const noexcept {
  const CalendarDay c = calendarDayOf(d);
  return dateOf(days->dayOfAnyRank(days->rankOf(c) - 1, c.year), d);
}

std::string BusinessCalendar::getWeekmask() const {
  std::string mask;
  for (const bool w : days->worked) mask += w ? '1' : '0';
  return mask;
}

}  // namespace Date
