// Counting a rule's occurrences before a period without visiting them, so
// that a lookup in a rule with COUNT costs about what it costs without.
//
// Which days a rule's day parts name depends on a day's year only through
// the year's type: the weekday of its January 1, whether it is a leap year,
// and, for week numbers, whether the years before and after it are. So the
// days of each month of a type are a mask, found once per lookup, and a
// year's count is the sum of its masks. Periods then count by their days:
// a run of days by whole years and months, a period picked from by BYSETPOS
// by the number of dates it holds, and a day of an hourly, minutely or
// secondly rule by the times of day it holds.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/recurrence/recurrence_rule.h"

namespace Date::detail {

namespace {

// Days from 1970-01-01 of 0000-01-01 and of 9999-12-31.
constexpr int64 firstDay = -719528;
constexpr int64 lastDay = 2932896;

struct YearMonth {
  int year;
  int month;
};

YearMonth yearMonthOf(int64 day) noexcept {
  const Fields f = fromDays(day, 0);
  return {f.year, f.month};
}

// Bits 0, step, 2 step, ... below 64; for a step of 64 or more, bit 0.
constexpr std::uint64_t everyStep(int64 step) noexcept {
  std::uint64_t bits = 0;
  for (int64 bit = 0; bit < 64; bit += std::max<int64>(step, 1)) bits |= std::uint64_t{1} << bit;
  return bits;
}

// The positions i of 0..63 at which base + i is a whole number of steps
// from `anchor`.
std::uint64_t alignedBits(int64 base, int64 step, int64 anchor, std::uint64_t every) noexcept {
  const int64 first = floorMod(anchor - base, step);  // [0, step)
  return first < 64 ? every << first : 0;
}

std::uint64_t bitsBelow(int64 n) noexcept {
  return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// The occurrences of one lookup, from the masks of the year types it meets.
class Counter {
 public:
  explicit Counter(const RecurrenceRule& rule) noexcept
      : r(rule), every(everyStep(rule.interval)) {}

  // The occurrences of the periods from `from` up to `to` that the interval
  // reaches from the start's; counting stops at `cap`. The calendar, and so
  // what every period holds, repeats every 400 years: a run of periods as
  // long holds as many occurrences as any other run of them that starts as
  // far before a period the interval reaches. A run is counted period by
  // period once for each such distance (one, where the interval divides
  // the run), and so is what is left after the whole runs.
  int64 periods(int64 from, int64 to, int64 cap) noexcept {
    const int64 cycle = unitsPerCycle();
    int64 count = 0;
    if (r.frequency == Frequency::Weekly && weekStart(from) < firstDay && from < to) {
      // The week begun in the year -1, which holds fewer days than others.
      limit = cap;
      count = direct(from, from + 1);
      from += r.interval;
    }
    while (to - from >= cycle && count < cap) {
      const int64 skip = floorMod(r.startUnit - from, r.interval);  // to the first one reached
      count += cycleFrom(from, skip);
      from += cycle;
    }
    limit = cap - count;
    return count + direct(from + floorMod(r.startUnit - from, r.interval), to);
  }

 private:
  // The periods of 400 years.
  [[nodiscard]] int64 unitsPerCycle() const noexcept {
    switch (r.frequency) {
      case Frequency::Yearly: return 400;
      case Frequency::Monthly: return 4800;
      case Frequency::Weekly: return daysInForYears / 7;
      default: return daysInForYears * r.unitsPerDay;
    }
  }

  // The occurrences of the 400 years from `from`, whose first period the
  // interval reaches is `skip` on; kept for each `skip`.
  int64 cycleFrom(int64 from, int64 skip) noexcept {
    for (std::size_t i = 0; i < cycles; ++i) {
      if (cycleSkip[i] == skip) return cycleCount[i];
    }
    limit = std::numeric_limits<int64>::max();  // a count kept must be whole
    const int64 count = direct(from + skip, from + unitsPerCycle());
    if (cycles < cycleSkip.size()) {
      cycleSkip[cycles] = skip;
      cycleCount[cycles++] = count;
    }
    return count;
  }

  // The occurrences of the periods from `from`, one the interval reaches,
  // up to `to`, period by period or day by day.
  int64 direct(int64 from, int64 to) noexcept {
    switch (r.frequency) {
      case Frequency::Yearly: return yearly(from, to);
      case Frequency::Monthly: return monthly(from, to);
      case Frequency::Weekly: return weekly(from, to);
      case Frequency::Daily: return picked(r.timesPerPeriodDay) * steppedDays(from, to, r.interval);
      default: return subDaily(from, to);
    }
  }

  // ---- Days. ----

  // The year's type, 0 .. yearTypes - 1: its January 1's weekday, and
  // whether it and, where week numbers count, the years beside it are leap
  // years.
  static constexpr int yearTypes = 7 * 8;
  [[nodiscard]] int typeOf(int year) const noexcept {
    int type = weekdayOf(year, 1, 1) * 8 + (isLeapYear(year) ? 4 : 0);
    if (!r.weekNumbers.empty()) {
      type += (isLeapYear(year - 1) ? 2 : 0) + (isLeapYear(year + 1) ? 1 : 0);
    }
    return type;
  }

  // The days of a month that the rule's day parts name, bit d - 1 for day d.
  std::uint32_t mask(int year, int month) noexcept {
    const int type = typeOf(year);
    if ((known >> type & 1) == 0) {
      total[static_cast<std::size_t>(type)] = 0;
      for (int m = 1; m <= 12; ++m) {
        const std::uint32_t days = monthDayMask(r, year, m);
        masks[static_cast<std::size_t>(type * 12 + m - 1)] = days;
        total[static_cast<std::size_t>(type)] += std::popcount(days);
      }
      known |= std::uint64_t{1} << type;
    }
    return masks[static_cast<std::size_t>(type * 12 + month - 1)];
  }

  int64 yearTotal(int year) noexcept {
    mask(year, 1);
    return total[static_cast<std::size_t>(typeOf(year))];
  }

  // The named days of [from, to), clipped to 0000..9999, that are a whole
  // number of steps from the start's day: month by month, and for a step
  // of one by whole years where they fit.
  int64 steppedDays(int64 from, int64 to, int64 step) noexcept {
    from = std::max(from, firstDay);
    to = std::min(to, lastDay + 1);
    const int64 anchor = floorDiv(r.startSeconds, 86400);
    int64 count = 0;
    while (from < to && count < limit) {
      const YearMonth at = yearMonthOf(from);
      const int64 monthStart = daysFromEpoch(at.year, at.month, 1);
      if (step == 1 && at.month == 1 && from == monthStart && to - from >= daysInYear(at.year)) {
        count += yearTotal(at.year);
        from += daysInYear(at.year);
        continue;
      }
      const int64 monthEnd = monthStart + daysInMonth(at.year, at.month);
      std::uint64_t days = mask(at.year, at.month);
      days &= ~bitsBelow(from - monthStart) & bitsBelow(std::min(to, monthEnd) - monthStart);
      if (step > 1) days &= alignedBits(monthStart, step, anchor, every);
      count += std::popcount(days);
      from = monthEnd;
    }
    return count;
  }

  // ---- Periods of a week or longer. ----

  // The occurrences BYSETPOS picks from a period of n dates (n without it):
  // the positions up to n from the first and from the last, those named
  // both ways once. Periods hold few distinct counts, which are kept.
  int64 picked(int64 n) noexcept {
    if (r.setPositions.empty() || n <= 0) return std::max<int64>(n, 0);
    Picked& kept = pickedOf[static_cast<std::size_t>(n) % pickedOf.size()];
    if (kept.n == n) return kept.count;
    const SignedBits<6>& positions = r.setPositions;
    int64 count = upTo(positions.positive, n) + upTo(positions.negative, n);
    positions.positive.forEach([&](int64 p) {
      if (p <= n && n - p + 1 < Bits<6>::capacity && positions.negative.has(n - p + 1)) --count;
    });
    kept = {n, count};
    return count;
  }

  // The values of `bits` from 1 to n.
  static int64 upTo(const Bits<6>& bits, int64 n) noexcept {
    int64 count = 0;
    for (std::size_t i = 0; i < bits.word.size(); ++i) {
      const int64 below = n + 1 - static_cast<int64>(i) * 64;  // bits of this word below n + 1
      if (below <= 0) break;
      count += std::popcount(bits.word[i] & bitsBelow(below));
    }
    return count;
  }

  int64 yearly(int64 from, int64 to) noexcept {
    int64 count = 0;
    for (int64 year = from; year < to && year <= 9999 && count < limit; year += r.interval) {
      count += picked(yearTotal(static_cast<int>(year)) * r.timesPerPeriodDay);
    }
    return count;
  }

  int64 monthly(int64 from, int64 to) noexcept {
    int64 count = 0;
    for (int64 unit = from; unit < to && count < limit;) {
      const int year = static_cast<int>(unit / 12);
      const int month = static_cast<int>(unit % 12) + 1;
      // The first month of a year that the interval reaches, where it
      // divides a year and the whole year is asked for: the year's type
      // says what its months hold.
      if (12 % r.interval == 0 && month <= r.interval && (int64{year} + 1) * 12 <= to) {
        count += monthsOfYear(year);
        unit += 12;
        continue;
      }
      count += picked(std::popcount(mask(year, month)) * r.timesPerPeriodDay);
      unit += r.interval;
    }
    return count;
  }

  // The occurrences of the months of `year` that the interval reaches,
  // where it divides 12; kept for each type.
  int64 monthsOfYear(int year) noexcept {
    const int type = typeOf(year);
    if ((yearKnown >> type & 1) == 0) {
      int64 count = 0;
      for (int64 month = floorMod(r.startUnit, r.interval); month < 12; month += r.interval) {
        count +=
            picked(std::popcount(mask(year, static_cast<int>(month) + 1)) * r.timesPerPeriodDay);
      }
      yearCount[static_cast<std::size_t>(type)] = count;
      yearKnown |= std::uint64_t{1} << type;
    }
    return yearCount[static_cast<std::size_t>(type)];
  }

  [[nodiscard]] int64 weekStart(int64 unit) const noexcept { return 7 * unit - 4 + r.weekStart; }

  int64 weekly(int64 from, int64 to) noexcept {
    if (r.interval == 1 && r.setPositions.empty()) {
      return r.timesPerPeriodDay * steppedDays(weekStart(from), weekStart(to), 1);
    }
    int64 count = 0;
    for (int64 unit = from; unit < to && count < limit; unit += r.interval) {
      const int64 first = weekStart(unit);
      // A week of a rule without BYMONTH holds its weekdays, and so does
      // every later week asked about: the last ends before the year 10000.
      if (r.dayMonths == 0 && first >= firstDay) {
        const int64 reached = (to - unit + r.interval - 1) / r.interval;
        count += reached * picked(std::popcount(r.dayWeekdays) * r.timesPerPeriodDay);
        unit += (reached - 1) * r.interval;
        continue;
      }
      count += picked(daysOfWeek(first) * r.timesPerPeriodDay);
    }
    return count;
  }

  // The named days of the week from `first`, from the masks of the months
  // it falls in; weeks are asked in order, so the last month is kept.
  int64 daysOfWeek(int64 first) noexcept {
    int64 count = 0;
    const int64 end = std::min(first + 7, lastDay + 1);
    for (int64 day = std::max(first, firstDay); day < end;) {
      if (day < keptStart || day >= keptEnd) {
        const YearMonth at = yearMonthOf(day);
        keptStart = daysFromEpoch(at.year, at.month, 1);
        keptEnd = keptStart + daysInMonth(at.year, at.month);
        keptDays = mask(at.year, at.month);
      }
      const int64 stop = std::min(end, keptEnd);
      count += std::popcount(keptDays & bitsBelow(stop - keptStart) & ~bitsBelow(day - keptStart));
      day = stop;
    }
    return count;
  }

  // ---- Periods of an hour, a minute or a second. ----

  // The periods from `begin` up to `end` within `day` (as units of its
  // day) that the interval reaches and whose hour, minute and second the
  // rule allows.
  [[nodiscard]] int64 slotsIn(int64 day, int64 begin, int64 end) const noexcept {
    const int64 base = day * r.unitsPerDay;
    const auto lastLevel = [&](std::uint64_t allowed, int64 levelBase, int64 size) {
      const int64 low = std::clamp<int64>(begin - levelBase, 0, size);
      const int64 high = std::clamp<int64>(end - levelBase, 0, size);
      const std::uint64_t bits = allowed & bitsBelow(high) & ~bitsBelow(low) &
                                 alignedBits(base + levelBase, r.interval, r.startUnit, every);
      return std::popcount(bits);
    };
    if (r.slotLevels == 1) return lastLevel(r.slotDigits[0], 0, 24);
    int64 count = 0;
    const int64 perHour = r.slotLevels == 2 ? 60 : 3600;
    for (std::uint64_t hours = r.slotDigits[0]; hours != 0; hours &= hours - 1) {
      const int64 hour = int64{std::countr_zero(hours)} * perHour;
      if (hour + perHour <= begin || hour >= end) continue;
      if (r.slotLevels == 2) {
        count += lastLevel(r.slotDigits[1], hour, 60);
        continue;
      }
      for (std::uint64_t minutes = r.slotDigits[1]; minutes != 0; minutes &= minutes - 1) {
        const int64 minute = hour + int64{std::countr_zero(minutes)} * 60;
        if (minute + 60 > begin && minute < end) count += lastLevel(r.slotDigits[2], minute, 60);
      }
    }
    return count;
  }

  int64 subDaily(int64 from, int64 to) noexcept {
    const int64 perDay = r.unitsPerDay;
    const int64 fromDay = floorDiv(from, perDay);
    const int64 toDay = floorDiv(to, perDay);
    const auto partOf = [&](int64 day, int64 begin, int64 end) {
      return namesDay(r, day) ? slotsIn(day, begin, end) : 0;
    };
    int64 slots = 0;
    if (fromDay == toDay) {
      slots = partOf(fromDay, from - fromDay * perDay, to - fromDay * perDay);
    } else {
      slots = partOf(fromDay, from - fromDay * perDay, perDay) + wholeDays(fromDay + 1, toDay) +
              partOf(toDay, 0, to - toDay * perDay);
    }
    return picked(r.timesPerPeriodDay) * slots;
  }

  // The periods of the named days [from, to). Where the interval divides a
  // day, each day holds as many; otherwise the days are visited one by one.
  int64 wholeDays(int64 from, int64 to) noexcept {
    if (r.unitsPerDay % r.interval == 0) {
      const int64 perDay = slotsIn(floorDiv(r.startUnit, r.unitsPerDay), 0, r.unitsPerDay);
      return perDay * steppedDays(from, to, 1);
    }
    int64 count = 0;
    from = std::max(from, firstDay);
    to = std::min(to, lastDay + 1);
    while (from < to && count < limit) {
      const YearMonth at = yearMonthOf(from);
      const int64 monthStart = daysFromEpoch(at.year, at.month, 1);
      const int64 monthEnd = std::min(to, monthStart + daysInMonth(at.year, at.month));
      std::uint64_t days = mask(at.year, at.month);
      days &= ~bitsBelow(from - monthStart) & bitsBelow(monthEnd - monthStart);
      for (; days != 0; days &= days - 1) count += daySlots(monthStart + std::countr_zero(days));
      from = monthEnd;
    }
    return count;
  }

  // The periods of a whole day where the interval does not divide a day:
  // which times it reaches depends on the day only through how far into it
  // the first one is. Without BYHOUR, BYMINUTE or BYSECOND they are counted
  // at once; with them, a table for every such distance is made once, from
  // the times the rule allows, or, where it cannot be had, they are visited.
  int64 daySlots(int64 day) noexcept {
    const int64 first = floorMod(r.startUnit - day * r.unitsPerDay, r.interval);  // [0, interval)
    if (first >= r.unitsPerDay) return 0;
    if (r.hours == 0 && r.minutes == 0 && r.seconds == 0) {
      return (r.unitsPerDay - 1 - first) / r.interval + 1;
    }
    if (r.interval > r.unitsPerDay) return slotAllowed(first) ? 1 : 0;
    if (slotsAt.empty()) makeSlotTable();
    if (!slotsAt.empty()) return slotsAt[static_cast<std::size_t>(first)];
    int64 count = 0;
    for (int64 t = first; t < r.unitsPerDay; t += r.interval) count += slotAllowed(t) ? 1 : 0;
    return count;
  }

  // For each distance of the first time reached into a day, the times of
  // the day reached that the rule allows; empty where the memory is not to
  // be had. Precondition: interval below the units of a day, so that each
  // count is below 2^16.
  void makeSlotTable() noexcept {
    try {
      slotsAt.assign(static_cast<std::size_t>(r.interval), 0);
    } catch (...) {  // only std::bad_alloc
      return;
    }
    for (int64 t = 0; t < r.unitsPerDay; ++t) {
      if (slotAllowed(t)) ++slotsAt[static_cast<std::size_t>(t % r.interval)];
    }
  }

  // Whether the rule allows the hour, minute and second of the period that
  // starts `t` units into a day.
  [[nodiscard]] bool slotAllowed(int64 t) const noexcept {
    static constexpr std::array<int64, 3> perDigit = {3600, 60, 1};
    const int64 scale = r.slotLevels == 1 ? 3600 : r.slotLevels == 2 ? 60 : 1;
    const int64 seconds = t * scale;
    for (int level = 0; level < r.slotLevels; ++level) {
      const auto i = static_cast<std::size_t>(level);
      const int64 digit = seconds / perDigit[i] % (level == 0 ? 24 : 60);
      if ((r.slotDigits[i] >> digit & 1) == 0) return false;
    }
    return true;
  }

  const RecurrenceRule& r;
  const std::uint64_t every;  // bits a whole number of intervals apart
  int64 limit = 0;
  // The month daysOfWeek asked for last: its days and named days.
  int64 keptStart = 0;
  int64 keptEnd = 0;
  std::uint64_t keptDays = 0;
  // The 400-year runs counted, by how far their first period reached is
  // from their start; a lookup spans at most 25 of them.
  std::size_t cycles = 0;
  std::array<int64, 26> cycleSkip{};
  std::array<int64, 26> cycleCount{};
  // The times of a day reached and allowed, by how far into it the first
  // reached is: made where a lookup needs it.
  std::vector<std::uint16_t> slotsAt;
  std::uint64_t known = 0;  // the year types whose masks are found
  std::array<std::uint32_t, std::size_t{yearTypes} * 12> masks{};
  std::array<int64, yearTypes> total{};
  std::uint64_t yearKnown = 0;
  std::array<int64, yearTypes> yearCount{};
  struct Picked {
    int64 n = -1;  // none yet
    int64 count;
  };
  std::array<Picked, 16> pickedOf{};
};

}  // namespace

int64 occurrencesBefore(const RecurrenceRule& r, int64 unit, int64 cap) noexcept {
  if (unit <= r.startUnit) return 0;
  const int64 before = pickedBeforeStart(r);
  const int64 most = std::numeric_limits<int64>::max();
  return Counter(r).periods(r.startUnit, unit, cap > most - before ? most : cap + before) - before;
}

}  // namespace Date::detail
