// Internal: a recurrence rule as read from its text, with what the rule
// leaves open filled in from its start, and the sets of small values it is
// made of. Not installed.
#ifndef NORMDATE_RECURRENCE_RULE_H_
#define NORMDATE_RECURRENCE_RULE_H_

#include <normdate/date.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Date::detail {

enum class Frequency : std::uint8_t { Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };

// A set of the values 0 .. 64 * words - 1.
template <std::size_t words>
struct Bits {
  std::array<std::uint64_t, words> word{};

  static constexpr int64 capacity = 64 * words;

  constexpr void set(int64 value) noexcept {
    word[static_cast<std::size_t>(value / 64)] |= std::uint64_t{1} << (value % 64);
  }
  [[nodiscard]] constexpr bool has(int64 value) const noexcept {
    return (word[static_cast<std::size_t>(value / 64)] >> (value % 64) & 1) != 0;
  }
  [[nodiscard]] constexpr bool empty() const noexcept {
    return std::all_of(word.begin(), word.end(), [](std::uint64_t w) { return w == 0; });
  }
  [[nodiscard]] constexpr int64 count() const noexcept {
    int64 n = 0;
    for (const std::uint64_t w : word) n += std::popcount(w);
    return n;
  }
  // Calls f(value) for each value, in ascending order.
  template <class F>
  constexpr void forEach(const F& f) const {
    for (std::size_t i = 0; i < words; ++i) {
      for (std::uint64_t w = word[i]; w != 0; w &= w - 1) {
        f(static_cast<int64>(i * 64) + std::countr_zero(w));
      }
    }
  }
  // The least value >= from, or -1.
  [[nodiscard]] constexpr int64 firstFrom(int64 from) const noexcept {
    for (int64 i = std::max<int64>(from, 0) / 64; i < static_cast<int64>(words); ++i) {
      std::uint64_t w = word[static_cast<std::size_t>(i)];
      if (i == from / 64) w &= ~std::uint64_t{0} << (from % 64);
      if (w != 0) return i * 64 + std::countr_zero(w);
    }
    return -1;
  }
  // The greatest value <= upTo, or -1.
  [[nodiscard]] constexpr int64 lastUpTo(int64 upTo) const noexcept {
    if (upTo < 0) return -1;
    for (int64 i = std::min(upTo, capacity - 1) / 64; i >= 0; --i) {
      std::uint64_t w = word[static_cast<std::size_t>(i)];
      if (i == upTo / 64) w &= ~std::uint64_t{0} >> (63 - upTo % 64);
      if (w != 0) return i * 64 + 63 - std::countl_zero(w);
    }
    return -1;
  }
  // The value of rank `rank` (0 the least). Precondition: rank < count().
  [[nodiscard]] constexpr int64 select(int64 rank) const noexcept {
    std::size_t i = 0;
    for (; rank >= std::popcount(word[i]); ++i) rank -= std::popcount(word[i]);
    std::uint64_t w = word[i];
    for (; rank > 0; --rank) w &= w - 1;
    return static_cast<int64>(i * 64) + std::countr_zero(w);
  }
};

// The values 1 .. max and -max .. -1 of a rule part, as two sets.
template <std::size_t words>
struct SignedBits {
  Bits<words> positive;
  Bits<words> negative;  // by magnitude

  // Adds n, not 0, of -max .. max.
  constexpr void add(int64 n) noexcept {
    if (n > 0) {
      positive.set(n);
    } else {
      negative.set(-n);
    }
  }
  [[nodiscard]] constexpr bool empty() const noexcept {
    return positive.empty() && negative.empty();
  }
  // Whether n of 1 .. length is named, counted from the first or the last.
  [[nodiscard]] constexpr bool names(int64 n, int64 length) const noexcept {
    return positive.has(n) || negative.has(length - n + 1);
  }
};

// A list of small values, ascending.
struct Values {
  std::array<std::uint8_t, 64> value{};
  int size = 0;

  // The members of `bits`, in ascending order.
  static constexpr Values of(std::uint64_t bits) noexcept {
    Values list;
    for (; bits != 0; bits &= bits - 1) {
      list.value[static_cast<std::size_t>(list.size++)] =
          static_cast<std::uint8_t>(std::countr_zero(bits));
    }
    return list;
  }
};

// How UNTIL was written, which its text keeps.
enum class UntilForm : std::uint8_t { None, Date, Local, Utc };

// The fields of each part come in order of alignment, which keeps the
// structure free of padding.
struct RecurrenceRule {
  // ---- The rule as given. ----
  int64 interval = 1;
  int64 count = 0;                          // 0: no COUNT
  std::uint64_t seconds = 0;                // BYSECOND, values 0 .. 60
  std::uint64_t minutes = 0;                // BYMINUTE, 0 .. 59
  std::uint64_t hours = 0;                  // BYHOUR, 0 .. 23
  std::array<SignedBits<1>, 7> ordinals{};  // BYDAY with ordinals, per weekday
  SignedBits<1> monthDays;                  // BYMONTHDAY
  SignedBits<6> yearDays;                   // BYYEARDAY
  SignedBits<1> weekNumbers;                // BYWEEKNO
  SignedBits<6> setPositions;               // BYSETPOS
  Date start{1970, Jan, 1};
  std::array<int, 6> until{};  // year .. second, second 60 allowed
  int weekStart = 1;           // 0 = Sunday .. 6 = Saturday
  std::uint16_t months = 0;    // BYMONTH, 1 .. 12
  Frequency frequency = Frequency::Daily;
  UntilForm untilForm = UntilForm::None;
  std::uint8_t weekdays = 0;  // BYDAY without ordinals, 0 = Sunday

  // ---- What the occurrences are made of: the day parts, with what the
  // rule leaves open taken from the start, and the times of day. ----
  SignedBits<1> dayMonthDays;
  // The times of day an hourly, minutely or secondly period may start at.
  std::array<std::uint64_t, 3> slotDigits{};  // allowed hours, minutes, seconds
  int64 timesPerPeriodDay = 1;
  int64 unitSeconds = 86400;  // the length of a sub-daily period
  int64 unitsPerDay = 1;
  int64 startSeconds = 0;  // seconds from 1970 of the start
  int64 startUnit = 0;     // its period, in units of the frequency
  int64 lastSeconds = 0;   // the last second an occurrence may have
  // The times each day or sub-daily period expands to, as values of the
  // hour, minute and second added to the period's own time of day.
  Values hourList, minuteList, secondList;
  int slotLevels = 0;  // 1 hourly, 2 minutely, 3 secondly
  std::uint16_t dayMonths = 0;
  std::uint8_t dayWeekdays = 0;
  bool anyWeekday = false;      // whether BYDAY, or its default, limits the days
  bool anyDayPart = false;      // whether any part limits the days
  bool ordinalsInYear = false;  // whether BYDAY's ordinals count within the year
  bool never = false;           // whether the rule can name no date at all
};

// Why a rule's text is refused: what was expected, and where.
struct RuleFailure {
  std::string_view expected;
  std::size_t at = 0;
  std::size_t length = 0;
};

// Reads the parts `text` gives into `rule`, whose start is set, and checks
// that they make a rule; nothing where they do.
std::optional<RuleFailure> readRule(std::string_view text, RecurrenceRule& rule) noexcept;

// The message of a ParseError for `failure` in `text`.
std::string failureMessage(std::string_view text, const RuleFailure& failure);

// The canonical text of the parts given.
std::string ruleText(const RecurrenceRule& rule);

// ---- Counting occurrences without visiting them, for COUNT. ----

// The occurrences from the start up to the period `unit` (in units of the
// frequency, one the interval reaches), not including it; or, where that
// is more, at least `cap`. O(1) in the periods for most rules, as
// recurrence_count.cpp says.
int64 occurrencesBefore(const RecurrenceRule& r, int64 unit, int64 cap) noexcept;

// What counting needs of the expansion (recurrence.cpp): whether the day
// parts name a day (days from 1970-01-01), the days of a month they name
// (bit d - 1 for day d), and the dates of the start's period that the rule
// picks but that come before the start.
bool namesDay(const RecurrenceRule& r, int64 day) noexcept;
std::uint32_t monthDayMask(const RecurrenceRule& r, int year, int month) noexcept;
int64 pickedBeforeStart(const RecurrenceRule& r) noexcept;

}  // namespace Date::detail

#endif  // NORMDATE_RECURRENCE_RULE_H_
