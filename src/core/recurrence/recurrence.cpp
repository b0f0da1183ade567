// The occurrences of a recurrence rule, period by period: each period of the
// frequency is found arithmetically, its matching days are gathered as a
// set of bits, and its dates are taken from that set in order.

#include "normdate/recurrence.h"

#include <normdate/detail/civil.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdint>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/recurrence/recurrence_rule.h"

namespace Date {

namespace detail {

namespace {

// Days from 1970-01-01 of 0000-01-01 and of 9999-12-31, and the last second.
constexpr int64 firstDay = -719528;
constexpr int64 lastDay = 2932896;
constexpr int64 lastSecond = lastDay * 86400 + 86399;

constexpr std::uint64_t allBelow(int n) noexcept { return (std::uint64_t{1} << n) - 1; }

// ---- The calendar, in days from 1970-01-01. ----

struct Civil {
  int year, month, day;
};

Civil civilOf(int64 day) noexcept {
  const Fields f = fromDays(day, 0);
  return {f.year, f.month, f.day};
}

int weekdayOfDay(int64 day) noexcept {
  return static_cast<int>(floorMod(day + 4, 7));  // 1970-01-01 was a Thursday
}

int64 lastDayOfMonth(const Civil& c) noexcept {
  return daysFromEpoch(c.year, c.month, static_cast<int>(daysInMonth(c.year, c.month)));
}

// The first day of the week, from `weekStart`, that holds `day`.
int64 weekFirstDay(int64 day, int weekStart) noexcept {
  return day - floorMod(weekdayOfDay(day) - weekStart, 7);
}

// The first day of week 1 of `year`: the week that holds January 4, and so
// at least four days of the year. Years just outside 0 .. 9999 are those a
// 400-year cycle inside, moved by the cycle's days.
int64 weekOneStart(int64 year, int weekStart) noexcept {
  if (year < 0) return weekOneStart(year + 400, weekStart) - daysInForYears;
  if (year > 9999) return weekOneStart(year - 400, weekStart) + daysInForYears;
  return weekFirstDay(daysFromEpoch(static_cast<int>(year), 1, 4), weekStart);
}

// The week number of a day of `year`, and the weeks of its week-numbering
// year.
struct WeekNumber {
  int64 week;
  int64 weeks;
};

WeekNumber weekNumberOf(int64 day, int year, int weekStart) noexcept {
  int64 weekYear = year;
  if (day < weekOneStart(year, weekStart)) {
    --weekYear;
  } else if (day >= weekOneStart(year + 1, weekStart)) {
    ++weekYear;
  }
  const int64 first = weekOneStart(weekYear, weekStart);
  return {(day - first) / 7 + 1, (weekOneStart(weekYear + 1, weekStart) - first) / 7};
}

// ---- Whether a day is named by the rule's day parts. ----

bool weekdayMatches(const RecurrenceRule& r, int64 day, const Civil& c) noexcept {
  const int weekday = weekdayOfDay(day);
  if ((r.dayWeekdays >> weekday & 1) != 0) return true;
  const SignedBits<1>& ordinal = r.ordinals[static_cast<std::size_t>(weekday)];
  if (ordinal.empty()) return false;
  // Which of its kind the day is within the month or the year, from the
  // first and from the last.
  int64 dayInScope = c.day;
  int64 scopeLength = daysInMonth(c.year, c.month);
  if (r.ordinalsInYear) {
    dayInScope = dayOfYear(c.year, c.month, c.day);
    scopeLength = daysInYear(c.year);
  }
  return ordinal.positive.has((dayInScope - 1) / 7 + 1) ||
         ordinal.negative.has((scopeLength - dayInScope) / 7 + 1);
}

// Whether every day part names `day`, of date `c`, within 0000 .. 9999.
bool dayMatches(const RecurrenceRule& r, int64 day, const Civil& c) noexcept {
  if (day < firstDay || day > lastDay) return false;
  if (!r.anyDayPart) return true;
  if (r.dayMonths != 0 && (r.dayMonths >> c.month & 1) == 0) return false;
  if (!r.dayMonthDays.empty() && !r.dayMonthDays.names(c.day, daysInMonth(c.year, c.month))) {
    return false;
  }
  if (!r.yearDays.empty() &&
      !r.yearDays.names(dayOfYear(c.year, c.month, c.day), daysInYear(c.year))) {
    return false;
  }
  if (!r.weekNumbers.empty()) {
    const WeekNumber w = weekNumberOf(day, c.year, r.weekStart);
    if (!r.weekNumbers.names(w.week, w.weeks)) return false;
  }
  return !r.anyWeekday || weekdayMatches(r, day, c);
}

bool dayMatches(const RecurrenceRule& r, int64 day) noexcept {
  if (!r.anyDayPart) return day >= firstDay && day <= lastDay;
  return dayMatches(r, day, civilOf(day));
}

// Calls found(day) for the days of a month from its day `low` on that may
// match, in no particular order: those the most selective part names, or
// every day. Each is still to be checked with dayMatches.
template <class Found>
void candidates(const RecurrenceRule& r, const Civil& month, int low, const Found& found) noexcept {
  const int64 length = daysInMonth(month.year, month.month);
  const int64 first = daysFromEpoch(month.year, month.month, 1);
  const auto offer = [&](int64 d) {
    if (d >= low && d <= length) found(first + d - 1);
  };
  if (!r.dayMonthDays.empty()) {
    r.dayMonthDays.positive.forEach([&](int64 d) { offer(d); });
    r.dayMonthDays.negative.forEach([&](int64 n) { offer(length - n + 1); });
  } else if (!r.yearDays.empty()) {
    const int64 before = dayOfYear(month.year, month.month, 1) - 1;
    const int64 yearLength = daysInYear(month.year);
    r.yearDays.positive.forEach([&](int64 d) { offer(d - before); });
    r.yearDays.negative.forEach([&](int64 n) { offer(yearLength - n + 1 - before); });
  } else if (r.anyWeekday) {
    const int firstWeekday = weekdayOf(month.year, month.month, 1);
    for (int weekday = 0; weekday < 7; ++weekday) {
      if ((r.dayWeekdays >> weekday & 1) == 0 &&
          r.ordinals[static_cast<std::size_t>(weekday)].empty()) {
        continue;
      }
      for (int64 d = 1 + (weekday - firstWeekday + 7) % 7; d <= length; d += 7) offer(d);
    }
  } else {
    for (int64 d = low; d <= length; ++d) found(first + d - 1);
  }
}

// The calendar repeats itself, weekdays included, every 400 years: so does
// whether a day matches, and with the interval, a rule's periods. This many
// units of a step `step` apart bring both back (their least common multiple),
// or a count past every date where that is larger.
int64 repeatAfter(int64 cycle, int64 step) noexcept {
  const int64 multiple = step / std::gcd(cycle, step);
  constexpr int64 past = int64{1} << 50;
  return multiple > past / cycle ? past : cycle * multiple;
}

// The first matching day at or after `day` whose distance from the start's
// is a multiple of `step`, if there is one up to 9999-12-31. Days one by one
// first, where most days match; then month by month, from the candidates.
std::optional<int64> nextMatchingDay(const RecurrenceRule& r, int64 day, int64 step) noexcept {
  const int64 startDay = floorDiv(r.startSeconds, 86400);
  day = std::max(day, firstDay);
  day += floorMod(startDay - day, step);
  const int64 end = std::min(lastDay, day + repeatAfter(daysInForYears, step));
  for (int tries = 0; day <= end && (tries < 8 || step >= 28); ++tries, day += step) {
    if (dayMatches(r, day)) return day;
  }
  while (day <= end) {
    const Civil c = civilOf(day);
    if (r.dayMonths == 0 || (r.dayMonths >> c.month & 1) != 0) {
      int64 best = end + 1;
      candidates(r, c, c.day, [&](int64 d) {
        if (d < best && floorMod(d - startDay, step) == 0 && dayMatches(r, d, civilOf(d))) best = d;
      });
      if (best <= end) return best;
    }
    day = lastDayOfMonth(c) + 1;
  }
  return std::nullopt;
}

// ---- Periods of a daily or coarser frequency. ----

// The period of the frequency that holds `day`.
int64 unitOfDay(const RecurrenceRule& r, int64 day) noexcept {
  switch (r.frequency) {
    case Frequency::Yearly: return civilOf(day).year;
    case Frequency::Monthly: {
      const Civil c = civilOf(day);
      return int64{c.year} * 12 + c.month - 1;
    }
    case Frequency::Weekly: return floorDiv(day + 4 - r.weekStart, 7);
    default: return day;
  }
}

// The period that holds the instant `seconds` from 1970.
int64 unitOfSeconds(const RecurrenceRule& r, int64 seconds) noexcept {
  if (r.frequency < Frequency::Daily) return floorDiv(seconds, r.unitSeconds);
  return unitOfDay(r, floorDiv(seconds, 86400));
}

// The first day of period `unit`, and its days; a period past the year 9999
// starts past its last day.
struct PeriodDays {
  int64 first;
  int64 length;
};

PeriodDays daysOfUnit(const RecurrenceRule& r, int64 unit) noexcept {
  switch (r.frequency) {
    case Frequency::Yearly:
      if (unit > 9999) return {lastDay + 1, 0};
      return {daysFromEpoch(static_cast<int>(unit), 1, 1), daysInYear(unit)};
    case Frequency::Monthly: {
      if (unit > 9999 * 12 + 11) return {lastDay + 1, 0};
      const auto year = static_cast<int>(unit / 12);
      const auto month = static_cast<int>(unit % 12 + 1);
      return {daysFromEpoch(year, month, 1), daysInMonth(year, month)};
    }
    case Frequency::Weekly: return {7 * unit - 4 + r.weekStart, 7};
    default: return {unit, 1};
  }
}

// The first period at or after `unit` that the interval reaches from the
// start's.
int64 alignUp(const RecurrenceRule& r, int64 unit) noexcept {
  if (unit <= r.startUnit) return r.startUnit;
  return r.startUnit + (unit - r.startUnit + r.interval - 1) / r.interval * r.interval;
}

// The matching days of the period from `first`, as offsets from it.
Bits<6> matchingDays(const RecurrenceRule& r, const PeriodDays& period) noexcept {
  Bits<6> days;
  const auto add = [&](int64 day) {
    if (dayMatches(r, day, civilOf(day))) days.set(day - period.first);
  };
  if (r.frequency == Frequency::Daily || r.frequency == Frequency::Weekly) {
    for (int64 day = period.first; day < period.first + period.length; ++day) {
      if (dayMatches(r, day)) days.set(day - period.first);
    }
  } else if (r.frequency == Frequency::Monthly) {
    candidates(r, civilOf(period.first), 1, add);
  } else {
    const int year = civilOf(period.first).year;
    for (int month = 1; month <= 12; ++month) {
      if (r.dayMonths == 0 || (r.dayMonths >> month & 1) != 0)
        candidates(r, {year, month, 1}, 1, add);
    }
  }
  return days;
}

// ---- Periods of an hourly, minutely or secondly frequency. ----

// The first time of day at or after `from` (in units of the frequency),
// and `step` units on from it a whole number of times, whose hour, minute
// and second the rule allows; -1 if the day holds none. A step beyond a day
// leaves only `from`.
class SlotSearch {
 public:
  SlotSearch(const RecurrenceRule& rule, int64 stride) noexcept : r(rule), step(stride) {
    if (step < 64) {
      for (int64 bit = 0; bit < 64; bit += step) every |= std::uint64_t{1} << bit;
    }
  }

  [[nodiscard]] int64 first(int64 from) const noexcept {
    if (step >= r.unitsPerDay) return allowed(from) ? from : -1;
    return search(0, 0, from, true);
  }

 private:
  static constexpr std::array<int64, 3> radix = {24, 60, 60};

  [[nodiscard]] int64 weight(int level) const noexcept {
    int64 w = 1;
    for (int i = level + 1; i < r.slotLevels; ++i) w *= radix[static_cast<std::size_t>(i)];
    return w;
  }

  [[nodiscard]] int64 digitOf(int64 slot, int level) const noexcept {
    return slot / weight(level) % radix[static_cast<std::size_t>(level)];
  }

  [[nodiscard]] bool allowed(int64 slot) const noexcept {
    for (int level = 0; level < r.slotLevels; ++level) {
      if ((r.slotDigits[static_cast<std::size_t>(level)] >> digitOf(slot, level) & 1) == 0) {
        return false;
      }
    }
    return true;
  }

  // The least slot from `prefix` on, with the digits above `level` fixed,
  // no less than `from` where `tight` says those digits are from's own.
  [[nodiscard]] int64 search(int level, int64 prefix, int64 from, bool tight) const noexcept {
    const int64 low = tight ? digitOf(from, level) : 0;
    const std::uint64_t digits =
        r.slotDigits[static_cast<std::size_t>(level)] & ~allBelow(static_cast<int>(low));
    if (level + 1 == r.slotLevels) {
      // The digits that keep the slot a whole number of steps from `from`.
      const int64 firstDigit = low + floorMod(from - prefix - low, step);
      if (firstDigit >= 64) return -1;
      const std::uint64_t reachable =
          step < 64 ? every << firstDigit : std::uint64_t{1} << firstDigit;
      const std::uint64_t hits = digits & reachable;
      return hits == 0 ? -1 : prefix + std::countr_zero(hits);
    }
    const int64 w = weight(level);
    for (std::uint64_t rest = digits; rest != 0; rest &= rest - 1) {
      const int digit = std::countr_zero(rest);
      const int64 found = search(level + 1, prefix + digit * w, from, tight && digit == low);
      if (found >= 0) return found;
    }
    return -1;
  }

  const RecurrenceRule& r;
  int64 step;
  std::uint64_t every = 0;  // bits 0, step, 2 step, ... where step < 64
};

// ---- The cursor. ----

// The instance of rank `n` of the cursor's period, in seconds from 1970.
int64 secondsOf(const RecurrenceRule& r, const RecurrenceCursor& c, int64 n) noexcept {
  const Bits<6> days{c.days};
  const int64 day = c.firstDay + days.select(n / r.timesPerPeriodDay);
  int64 time = n % r.timesPerPeriodDay;
  const auto take = [&time](const Values& list) {
    const int64 value = list.value[static_cast<std::size_t>(time % list.size)];
    time /= list.size;
    return value;
  };
  const int64 second = take(r.secondList);
  const int64 minute = take(r.minuteList);
  const int64 hour = take(r.hourList);
  return day * 86400 + c.slotSeconds + hour * 3600 + minute * 60 + second;
}

// The rank of the period's next instance after rank `after` that BYSETPOS
// picks (every one without it), or -1.
int64 nextChosen(const RecurrenceRule& r, const RecurrenceCursor& c, int64 after) noexcept {
  if (r.setPositions.empty()) return after + 1 < c.instances ? after + 1 : -1;
  int64 best = -1;
  const int64 positive = r.setPositions.positive.firstFrom(after + 2);  // rank positive - 1
  if (positive > 0 && positive <= c.instances) best = positive - 1;
  const int64 negative =
      r.setPositions.negative.lastUpTo(c.instances - after - 1);  // rank instances - negative
  if (negative > 0 && (best < 0 || c.instances - negative < best)) best = c.instances - negative;
  return best;
}

// The least rank whose instance is at or after `seconds`, or the count.
int64 firstRankFrom(const RecurrenceRule& r, const RecurrenceCursor& c, int64 seconds) noexcept {
  int64 low = 0;
  int64 high = c.instances;
  while (low < high) {
    const int64 middle = low + (high - low) / 2;
    if (secondsOf(r, c, middle) < seconds) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

// The units of the frequency in 400 years.
int64 unitsPerCycle(const RecurrenceRule& r) noexcept {
  switch (r.frequency) {
    case Frequency::Yearly: return 400;
    case Frequency::Monthly: return 4800;
    case Frequency::Weekly: return daysInForYears / 7;
    default: return daysInForYears * r.unitsPerDay;
  }
}

// Loads period `unit` of a daily or coarser frequency; whether BYSETPOS, if
// given, picks any of its dates.
bool loadDays(const RecurrenceRule& r, RecurrenceCursor& c, int64 unit,
              const PeriodDays& period) noexcept {
  const Bits<6> days = matchingDays(r, period);
  c.unit = unit;
  c.firstDay = period.first;
  c.slotSeconds = 0;
  c.days = days.word;
  c.instances = days.count() * r.timesPerPeriodDay;
  c.instance = -1;
  return nextChosen(r, c, -1) >= 0;
}

// Loads the first period at or after `unit`, a period the interval reaches,
// that holds an occurrence; false if there is none up to the year 9999.
bool seekDays(const RecurrenceRule& r, RecurrenceCursor& c, int64 unit) noexcept {
  const int64 step = r.frequency == Frequency::Daily ? r.interval : 1;
  const int64 last = unit + repeatAfter(unitsPerCycle(r), r.interval);
  for (;;) {
    const PeriodDays period = daysOfUnit(r, unit);
    if (period.first > lastDay || unit > last) return false;
    if (loadDays(r, c, unit, period)) return true;
    if (c.instances > 0) {  // BYSETPOS picked none of its dates
      unit += r.interval;
      continue;
    }
    const std::optional<int64> day = nextMatchingDay(r, period.first + period.length, step);
    if (!day) return false;
    unit = alignUp(r, unitOfDay(r, *day));
  }
}

// As seekDays, for an hourly, minutely or secondly frequency, whose periods
// hold one time of one day each.
bool seekSlots(const RecurrenceRule& r, RecurrenceCursor& c, int64 unit) noexcept {
  const SlotSearch slots(r, r.interval);
  const int64 last = unit + repeatAfter(unitsPerCycle(r), r.interval);
  for (;;) {
    const int64 day = floorDiv(unit, r.unitsPerDay);
    if (day > lastDay || unit > last) return false;
    if (!dayMatches(r, day)) {
      const std::optional<int64> next = nextMatchingDay(r, day + 1, 1);
      if (!next) return false;
      unit = alignUp(r, *next * r.unitsPerDay);
      continue;
    }
    const int64 slot = slots.first(unit - day * r.unitsPerDay);
    if (slot < 0) {
      unit = alignUp(r, (day + 1) * r.unitsPerDay);
      continue;
    }
    c.unit = day * r.unitsPerDay + slot;
    c.firstDay = day;
    c.slotSeconds = slot * r.unitSeconds;
    c.days = {1};
    c.instances = r.timesPerPeriodDay;
    c.instance = -1;
    if (nextChosen(r, c, -1) >= 0) return true;
    unit = c.unit + r.interval;
  }
}

// Moves the cursor to the first period at or after `unit` with an
// occurrence, past the instances before `from`, counting those from the
// start; done where there is none.
void seek(const RecurrenceRule& r, RecurrenceCursor& c, int64 unit, int64 from) noexcept {
  const bool found = r.frequency >= Frequency::Daily ? seekDays(r, c, unit) : seekSlots(r, c, unit);
  if (!found) {
    c.done = true;
    return;
  }
  from = std::max(from, r.startSeconds);
  if (!r.setPositions.empty() || secondsOf(r, c, 0) >= from) return;
  const int64 rank = firstRankFrom(r, c, from);
  c.instance = rank - 1;
  if (r.count == 0) return;
  c.emitted += rank - firstRankFrom(r, c, r.startSeconds);
  c.done = c.emitted >= r.count;  // every occurrence counted lies before `from`
}

// Takes the cursor to the next occurrence at or after `from`, into
// `current`; done where there is none.
void advance(const RecurrenceRule& r, RecurrenceCursor& c, int64 from, Date& current) noexcept {
  while (!c.done) {
    const int64 rank = nextChosen(r, c, c.instance);
    if (rank < 0) {
      seek(r, c, c.unit + r.interval, from);
      continue;
    }
    c.instance = rank;
    const int64 seconds = secondsOf(r, c, rank);
    if (seconds < r.startSeconds) continue;
    if (seconds > r.lastSeconds || (r.count != 0 && c.emitted >= r.count)) {
      c.done = true;
      return;
    }
    ++c.emitted;
    if (seconds >= from) {
      current = Date(std::chrono::sys_seconds(std::chrono::seconds(seconds)));
      return;
    }
  }
}

// ---- Completing a rule from its start. ----

// The day parts, with what the rule leaves open taken from the start.
void completeDayParts(RecurrenceRule& r, const Civil& start, int startWeekday) {
  bool ordinals = false;
  for (const SignedBits<1>& o : r.ordinals) ordinals = ordinals || !o.empty();
  const bool byDay = r.weekdays != 0 || ordinals;
  const bool dayNamed =
      byDay || !r.monthDays.empty() || !r.yearDays.empty() || !r.weekNumbers.empty();
  r.dayMonths = r.months;
  r.dayMonthDays = r.monthDays;
  r.dayWeekdays = r.weekdays;
  if (r.frequency == Frequency::Yearly && !dayNamed) {
    if (r.months == 0) r.dayMonths = static_cast<std::uint16_t>(1U << start.month);
    r.dayMonthDays.positive.set(start.day);
  } else if (r.frequency == Frequency::Monthly && !byDay && r.monthDays.empty()) {
    r.dayMonthDays.positive.set(start.day);
  }
  const bool yearlyByWeek = r.frequency == Frequency::Yearly && !r.weekNumbers.empty() &&
                            r.monthDays.empty() && r.yearDays.empty();
  if (!byDay && (r.frequency == Frequency::Weekly || yearlyByWeek)) {
    r.dayWeekdays = static_cast<std::uint8_t>(1U << startWeekday);
  }
  r.anyWeekday = r.dayWeekdays != 0 || ordinals;
  r.anyDayPart = r.dayMonths != 0 || !r.dayMonthDays.empty() || !r.yearDays.empty() ||
                 !r.weekNumbers.empty() || r.anyWeekday;
  r.ordinalsInYear = r.frequency == Frequency::Yearly && r.months == 0;
}

// The times each period expands to, and the times a sub-daily period may
// start at. Second 60 does not exist, so it is left out of both.
void completeTimes(RecurrenceRule& r, const Fields& start) {
  constexpr std::uint64_t noLeapSecond = allBelow(60);
  const auto given = [](std::uint64_t set, int fallback) {
    return set != 0 ? set : std::uint64_t{1} << fallback;
  };
  const int levels = r.frequency >= Frequency::Daily ? 0 : 3 - static_cast<int>(r.frequency);
  r.slotLevels = levels;
  r.hourList = Values::of(levels >= 1 ? 1 : given(r.hours, start.hour));
  r.minuteList = Values::of(levels >= 2 ? 1 : given(r.minutes, start.minute));
  r.secondList = Values::of(levels >= 3 ? 1 : given(r.seconds, start.second) & noLeapSecond);
  r.timesPerPeriodDay = int64{r.hourList.size} * r.minuteList.size * r.secondList.size;
  r.slotDigits = {r.hours != 0 ? r.hours : allBelow(24), r.minutes != 0 ? r.minutes : noLeapSecond,
                  (r.seconds != 0 ? r.seconds : noLeapSecond) & noLeapSecond};
  constexpr std::array<int64, 4> unitSeconds = {86400, 3600, 60, 1};
  r.unitSeconds = unitSeconds[static_cast<std::size_t>(levels)];
  r.unitsPerDay = 86400 / r.unitSeconds;
}

// The most days a period can hold, from its length and the most selective
// day part.
int64 mostDays(const RecurrenceRule& r) {
  constexpr std::array<int64, 7> length = {1, 1, 1, 1, 7, 31, 366};
  int64 most = length[static_cast<std::size_t>(r.frequency)];
  const int64 months = r.frequency == Frequency::Yearly && r.dayMonths != 0
                           ? std::popcount(r.dayMonths)
                       : r.frequency == Frequency::Yearly ? 12
                                                          : 1;
  if (!r.dayMonthDays.empty()) {
    most = std::min(most,
                    months * (r.dayMonthDays.positive.count() + r.dayMonthDays.negative.count()));
  }
  if (!r.yearDays.empty())
    most = std::min(most, r.yearDays.positive.count() + r.yearDays.negative.count());
  if (!r.weekNumbers.empty()) {
    // A week number names its week's seven days, and in a calendar year up
    // to three more of the week of that number in the week-numbering year
    // before or after: 2024 holds all of week 1 and December 30 and 31,
    // which are in week 1 of 2025.
    most = std::min(most, 10 * (r.weekNumbers.positive.count() + r.weekNumbers.negative.count()));
  }
  if (r.anyWeekday) {
    // Each weekday falls at most once a week, five times a month and 53
    // times a year; each ordinal names at most one day of a month or year.
    constexpr std::array<int64, 7> perWeekday = {1, 1, 1, 1, 1, 5, 53};
    int64 days = std::popcount(r.dayWeekdays) * perWeekday[static_cast<std::size_t>(r.frequency)];
    for (const SignedBits<1>& o : r.ordinals)
      days += (o.positive.count() + o.negative.count()) * (r.ordinalsInYear ? 1 : months);
    most = std::min(most, days);
  }
  return most;
}

// Whether the parts show that the rule can name no date: no time of day, a
// BYSETPOS beyond every period, months or times the interval never reaches,
// or month days no month named holds.
bool namesNothing(const RecurrenceRule& r, const Fields& start) {
  if (r.timesPerPeriodDay == 0 || (r.slotLevels == 3 && r.slotDigits[2] == 0)) return true;
  const int64 most = mostDays(r) * r.timesPerPeriodDay;
  const auto noneUpTo = [](const auto& set, int64 limit) {
    const int64 least = set.firstFrom(1);
    return least < 0 || least > limit;
  };
  if (!r.setPositions.empty() && noneUpTo(r.setPositions.positive, most) &&
      noneUpTo(r.setPositions.negative, most)) {
    return true;
  }
  if (r.frequency < Frequency::Daily) {
    // A period's time of day moves by whole multiples of this each day.
    const int64 cycle = std::gcd(r.interval, r.unitsPerDay);
    const int64 startSlot = floorMod(r.startUnit, r.unitsPerDay);
    if (SlotSearch(r, cycle).first(startSlot % cycle) < 0) return true;
  }
  if (r.frequency == Frequency::Monthly && r.months != 0) {
    const int64 cycle = std::gcd(r.interval, int64{12});
    bool reached = false;
    for (int month = 1; month <= 12; ++month) {
      reached = reached || ((r.months >> month & 1) != 0 && (month - start.month) % cycle == 0);
    }
    if (!reached) return true;
  }
  if (r.dayMonthDays.empty()) return false;
  constexpr std::array<int, 13> longest = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int month = 1; month <= 12; ++month) {
    if (r.dayMonths != 0 && (r.dayMonths >> month & 1) == 0) continue;
    const int days = longest[static_cast<std::size_t>(month)];
    if (!noneUpTo(r.dayMonthDays.positive, days) || !noneUpTo(r.dayMonthDays.negative, days)) {
      return false;
    }
  }
  return true;
}

void complete(RecurrenceRule& r) {
  r.startSeconds = r.start.toSysSeconds().time_since_epoch().count();
  const Fields start = fromSeconds(r.startSeconds);
  const int64 startDay = floorDiv(r.startSeconds, 86400);
  completeDayParts(r, {start.year, start.month, start.day}, weekdayOfDay(startDay));
  completeTimes(r, start);
  r.startUnit = unitOfSeconds(r, r.startSeconds);
  r.lastSeconds = lastSecond;
  if (r.untilForm != UntilForm::None) {
    const std::array<int, 6>& u = r.until;
    r.lastSeconds = daysFromEpoch(u[0], u[1], u[2]) * 86400 + int64{u[3]} * 3600 +
                    int64{u[4]} * 60 + std::min(u[5], 59);
  }
  r.never = namesNothing(r, start);
}

}  // namespace

// ---- What counting needs. ----

bool namesDay(const RecurrenceRule& r, int64 day) noexcept { return dayMatches(r, day); }

std::uint32_t monthDayMask(const RecurrenceRule& r, int year, int month) noexcept {
  if (r.dayMonths != 0 && (r.dayMonths >> month & 1) == 0) return 0;
  const int64 first = daysFromEpoch(year, month, 1);
  std::uint32_t mask = 0;
  candidates(r, {year, month, 1}, 1, [&](int64 day) {
    const int64 offset = day - first;  // [0, 30]
    if (dayMatches(r, day, {year, month, static_cast<int>(offset) + 1})) mask |= 1U << offset;
  });
  return mask;
}

int64 pickedBeforeStart(const RecurrenceRule& r) noexcept {
  RecurrenceCursor c;
  if (r.frequency >= Frequency::Daily) {
    loadDays(r, c, r.startUnit, daysOfUnit(r, r.startUnit));
  } else {
    const int64 day = floorDiv(r.startUnit, r.unitsPerDay);
    const int64 slot = r.startUnit - day * r.unitsPerDay;
    if (!dayMatches(r, day) || SlotSearch(r, r.unitsPerDay).first(slot) != slot) return 0;
    c.firstDay = day;
    c.slotSeconds = slot * r.unitSeconds;
    c.days = {1};
    c.instances = r.timesPerPeriodDay;
  }
  if (r.setPositions.empty()) return firstRankFrom(r, c, r.startSeconds);
  int64 picked = 0;
  for (int64 rank = nextChosen(r, c, -1); rank >= 0 && secondsOf(r, c, rank) < r.startSeconds;
       rank = nextChosen(r, c, rank)) {
    ++picked;
  }
  return picked;
}

}  // namespace detail

Recurrence::Recurrence(std::shared_ptr<const detail::RecurrenceRule> rule) noexcept
    : parsed(std::move(rule)) {}

std::optional<Recurrence> Recurrence::tryParse(std::string_view rule, const Date& start) noexcept {
  try {
    auto read = std::make_shared<detail::RecurrenceRule>();
    read->start = start;
    if (detail::readRule(rule, *read)) return std::nullopt;
    detail::complete(*read);
    return Recurrence(std::move(read));
  } catch (...) {  // only std::bad_alloc
    return std::nullopt;
  }
}

Recurrence Recurrence::parse(std::string_view rule, const Date& start) {
  auto read = std::make_shared<detail::RecurrenceRule>();
  read->start = start;
  if (const std::optional<detail::RuleFailure> failure = detail::readRule(rule, *read)) {
    throw ParseError(detail::failureMessage(rule, *failure), failure->at);
  }
  detail::complete(*read);
  return Recurrence(std::move(read));
}

Recurrence::iterator::iterator(const detail::RecurrenceRule* read, std::int64_t unit,
                               std::int64_t from, std::int64_t counted) noexcept
    : rule(read), notBefore(from) {
  if (rule->never || from > rule->lastSeconds || (rule->count != 0 && counted >= rule->count)) {
    return;
  }
  cursor.done = false;
  cursor.emitted = counted;
  detail::seek(*rule, cursor, unit, from);
  detail::advance(*rule, cursor, from, current);
}

Recurrence::iterator& Recurrence::iterator::operator++() noexcept {
  detail::advance(*rule, cursor, notBefore, current);
  return *this;
}

Recurrence::iterator Recurrence::begin() const noexcept {
  return {parsed.get(), parsed->startUnit, parsed->startSeconds};
}

// From the period that holds `seconds`, with the occurrences before it
// counted where COUNT needs them.
Recurrence::iterator Recurrence::startingAt(std::int64_t seconds) const noexcept {
  const detail::RecurrenceRule& r = *parsed;
  if (seconds <= r.startSeconds || seconds > r.lastSeconds) {
    return {parsed.get(), r.startUnit, std::max(seconds, r.startSeconds)};
  }
  const std::int64_t unit = detail::unitOfSeconds(r, seconds);  // at or after startUnit
  const std::int64_t reached = r.startUnit + (unit - r.startUnit) / r.interval * r.interval;
  const std::int64_t counted = r.count == 0 ? 0 : detail::occurrencesBefore(r, reached, r.count);
  return {parsed.get(), reached, seconds, counted};
}

std::optional<Date> Recurrence::next(const Date& after) const noexcept {
  // A leap second 23:59:60 is passed over as 23:59:59 is.
  const std::int64_t seconds =
      after.toSysSeconds().time_since_epoch().count() - (after.getSecond() == 60 ? 1 : 0);
  const iterator it = startingAt(seconds + 1);
  if (it == end()) return std::nullopt;
  return *it;
}

std::vector<Date> Recurrence::between(const Date& from, const Date& to) const {
  std::vector<Date> found;
  for (iterator it = startingAt(from.toSysSeconds().time_since_epoch().count());
       it != end() && !(to < *it); ++it) {
    found.push_back(*it);
  }
  return found;
}

std::string Recurrence::toString() const { return detail::ruleText(*parsed); }

Date Recurrence::getStart() const noexcept { return parsed->start; }

}  // namespace Date
