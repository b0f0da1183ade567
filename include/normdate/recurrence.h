// -----------------------------------------------------------------------------
// File: recurrence.h
// -----------------------------------------------------------------------------
//
// `Date::Recurrence` is a recurrence rule of RFC 5545 (the value of an RRULE,
// section 3.3.10) with its first instance, the start (DTSTART): the dates it
// names, in order, computed as they are asked for.
//
//   const Date::Recurrence lastFridays = Date::Recurrence::parse(
//       "FREQ=MONTHLY;BYDAY=-1FR;COUNT=3", Date::Date(2026, Date::Jan, 1, 9, 0, 0));
//   for (const Date::Date& d : lastFridays) std::cout << d << '\n';
//   // 2026-Jan-30 09:00:00, 2026-Feb-27 09:00:00, 2026-Mar-27 09:00:00
//   lastFridays.next(Date::Date(2026, Date::Feb, 1));  // 2026-Feb-27 09:00:00
//
// Rules
//
// Every part of RFC 5545: FREQ (SECONDLY, MINUTELY, HOURLY, DAILY, WEEKLY,
// MONTHLY, YEARLY), INTERVAL, COUNT or UNTIL, BYSECOND, BYMINUTE, BYHOUR,
// BYDAY (with ordinals: -1FR, 2SU, 20MO), BYMONTHDAY and BYYEARDAY (negative
// values count from the end), BYWEEKNO, BYMONTH, BYSETPOS and WKST, in any
// case. Each period of the frequency (a year, a month, a week from WKST, a
// day, an hour, a minute or a second, every INTERVAL of them from the
// start's) holds the dates and times its parts expand to or limit it to, as
// the RFC's table says; BYSETPOS then picks from them, counting from the
// period's first (1) or last (-1). What the rule leaves open comes from the
// start: a yearly rule without day parts falls on the start's month and day,
// a monthly one on its day of the month, a weekly one on its weekday, and
// the hour, minute and second are the start's wherever the frequency is
// coarser than them and no BYHOUR, BYMINUTE or BYSECOND names them.
//
// - The entries of BYDAY are alternatives: BYDAY=-1FR,MO is every Monday and
//   the last Friday. An ordinal counts within the month in a monthly rule,
//   and in a yearly rule with BYMONTH; within the year in a yearly rule
//   without it.
// - A date a rule names that does not exist, such as February 30, day 31 of
//   a 30-day month, week 53 of a year of 52 weeks or second 60, is skipped,
//   never carried into another date.
// - The occurrences are the dates the rule names at or after the start, and
//   COUNT counts those. A start the rule does not name (RFC 5545 calls it
//   unsynchronised) is not an occurrence: a calendar that wants it adds it
//   to its set itself, as the RFC leaves to the calendar component.
// - UNTIL is a date and time (YYYYMMDDThhmmss, with or without Z) or, where
//   every time of the rule is midnight, a date (YYYYMMDD); it bounds the
//   occurrences inclusively. A recurrence runs in the local time of its
//   dates, whose zone it does not know, so UNTIL is compared as written: a
//   UTC time (Z) bounds local dates by its fields.
// - The occurrences end at 9999-12-31 23:59:59: a recurrence never wraps
//   into the year 0.
//
// Where the RFC can be read two ways, these readings are taken:
// - BYSETPOS counts within the whole period, the start's included: the
//   days of the start's week (or month, or year) before the start count,
//   though they are not occurrences.
// - A yearly BYMONTHDAY without BYMONTH falls in every month of the year.
// - BYWEEKNO without BYDAY, BYMONTHDAY or BYYEARDAY takes the start's
//   weekday, as the RFC takes what a rule leaves open from the start.
// - Each day has the week number of ISO 8601 counted from WKST: week 1 is
//   the first week with four days in its year, and -1 the last week of the
//   week-numbering year the day belongs to. A yearly period is still the
//   calendar year, so a week that spans a year's end gives each year the
//   days it holds in it: Monday 2024-12-30, in week 1 of 2025, is named by
//   BYWEEKNO=1 in the period of 2024, and Saturday 2022-01-01, in the last
//   week of 2021 (52), by BYWEEKNO=-1 or 52 in the period of 2022.
//
// Rules the RFC forbids are refused with `ParseError`, which names the part
// and its offset: an unknown or repeated part, no FREQ, COUNT and UNTIL
// together, COUNT or INTERVAL of 0, a value out of range (BYMONTHDAY=32,
// BYHOUR=24, BYDAY=6MO in a monthly rule), an ordinal in BYDAY of a rule
// that is neither monthly nor yearly or that has BYWEEKNO, BYWEEKNO outside
// yearly rules, BYYEARDAY in daily, weekly or monthly rules, BYMONTHDAY in
// weekly ones, and BYSETPOS without another BYxxx part.
//
// Cost: iterating allocates nothing. `next` and `between` find the period
// of the date they are given arithmetically, without visiting the periods
// before it. Where the rule has COUNT, the occurrences before that period
// are counted, not visited: which days a rule names depends on a year only
// through its weekday of January 1 and its leap years, and every count
// repeats with the calendar every 400 years, so they are counted by years
// and months, and by 400-year cycles. A lookup anywhere in the years 0 to
// 9999 takes at most about 0.1 ms for every daily or coarser rule, and for
// hourly, minutely and secondly rules whose INTERVAL divides a day (the CI
// machine's figures). Three shapes count period by period or day by day,
// within at most three cycles: weekly rules with BYMONTH and BYSETPOS or an
// INTERVAL (under 1 ms), daily rules with an INTERVAL (under 1 ms), and
// hourly, minutely and secondly rules whose INTERVAL divides no day, which
// count each day they name: the slowest, FREQ=SECONDLY;INTERVAL=2053 with
// BYHOUR and six weekdays over ten thousand years, takes about 11 ms, and
// such rules with BYHOUR, BYMINUTE or BYSECOND make a table of at most
// 170 KB for the lookup, the one allocation a lookup makes. A rule that can
// never name a date (FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30) ends: at once
// where its parts show it, and otherwise once a search has passed a whole
// 400-year cycle of the calendar, in which every period the rule can have
// comes round, without finding one; a search between two occurrences far
// apart is bounded the same way.
//
// A recurrence is an immutable value, safe to share between threads; an
// iterator reads the recurrence it came from, which must outlive it.

#ifndef NORMDATE_RECURRENCE_H_
#define NORMDATE_RECURRENCE_H_

#include <normdate/date.h>
#include <normdate/export.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Date {

namespace detail {

struct RecurrenceRule;      // the parsed rule, internal
class RecurrenceSetReader;  // reads a set's content lines, internal

// Where an iteration over a recurrence stands: the period it is in, that
// period's days and dates, and what it has taken. Internal.
struct RecurrenceCursor {
  std::int64_t unit = 0;                // the period, in units of the frequency
  std::int64_t firstDay = 0;            // its first day, from 1970-01-01
  std::int64_t slotSeconds = 0;         // an hourly, minutely or secondly period's time of day
  std::array<std::uint64_t, 6> days{};  // its days, by offset from firstDay
  std::int64_t instances = 0;           // its dates before BYSETPOS picks
  std::int64_t instance = -1;           // the last of them taken
  std::int64_t emitted = 0;             // occurrences counted, for COUNT
  bool done = true;
};

}  // namespace detail

class Recurrence {
 public:
  // The occurrences in order: an input iterator, whose end is
  // std::default_sentinel.
  class iterator {
   public:
    using iterator_concept = std::input_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = Date;
    using difference_type = std::ptrdiff_t;
    using reference = const Date&;
    using pointer = const Date*;

    iterator() = default;

    reference operator*() const noexcept { return current; }
    pointer operator->() const noexcept { return &current; }
    NORMDATE_EXPORT iterator& operator++() noexcept;
    void operator++(int) noexcept { ++*this; }
    friend bool operator==(const iterator& it, std::default_sentinel_t /*end*/) noexcept {
      return it.cursor.done;
    }

   private:
    friend class Recurrence;
    // From period `unit`, taking the occurrences from `from` on, with
    // `counted` occurrences before the period counted for COUNT.
    iterator(const detail::RecurrenceRule* read, std::int64_t unit, std::int64_t from,
             std::int64_t counted = 0) noexcept;

    const detail::RecurrenceRule* rule = nullptr;
    detail::RecurrenceCursor cursor;
    Date current{1970, Jan, 1};
    std::int64_t notBefore = 0;  // seconds from 1970: earlier occurrences are counted, not taken
  };

  // The rule `rule`, an RRULE value without the "RRULE:" prefix, with its
  // first instance `start` (DTSTART). Throws `ParseError` saying what was
  // expected where:
  //   expected BYMONTHDAY (1 to 31 or -31 to -1) at offset 24 of
  //   "FREQ=MONTHLY;BYMONTHDAY=32", found "32"
  [[nodiscard]] NORMDATE_EXPORT static Recurrence parse(std::string_view rule, const Date& start);

  // As above, or nothing where the rule is refused.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Recurrence> tryParse(
      std::string_view rule, const Date& start) noexcept;

  // The occurrences, in order: `for (const Date& d : rule)`, and the
  // algorithms of std::ranges, for which the type is an input range.
  [[nodiscard]] NORMDATE_EXPORT iterator begin() const noexcept;
  [[nodiscard]] static std::default_sentinel_t end() noexcept { return {}; }

  // The first occurrence strictly after `after`, if there is one.
  [[nodiscard]] NORMDATE_EXPORT std::optional<Date> next(const Date& after) const noexcept;

  // Every occurrence d with from <= d <= to, in order.
  [[nodiscard]] NORMDATE_EXPORT std::vector<Date> between(const Date& from, const Date& to) const;

  // A canonical RRULE text that parses, with the same start, to the same
  // rule: its parts in the RFC's order, each value list sorted, names and
  // values upper case, defaults left out.
  [[nodiscard]] NORMDATE_EXPORT std::string toString() const;

  // The first instance the rule was given.
  [[nodiscard]] NORMDATE_EXPORT Date getStart() const noexcept;

 private:
  friend class RecurrenceSet;

  explicit Recurrence(std::shared_ptr<const detail::RecurrenceRule> rule) noexcept;

  // The occurrences from `seconds` after 1970-01-01 00:00:00 on.
  [[nodiscard]] iterator startingAt(std::int64_t seconds) const noexcept;

  std::shared_ptr<const detail::RecurrenceRule> parsed;
};

// `Date::RecurrenceSet` is RFC 5545's recurrence set of a component: a
// start (DTSTART), any number of rules (RRULE) and dates (RDATE), less the
// dates of exclusion rules (EXRULE, deprecated by RFC 5545 but still
// written) and excluded dates (EXDATE). Its occurrences are the union of
// the rules' and the dates, in order, each date once, less the exclusions:
//
//   Date::RecurrenceSet payday(Date::Date(2026, Date::Jan, 1, 9, 0, 0));
//   payday.addRule("FREQ=MONTHLY;BYMONTHDAY=-1")
//       .addDate(Date::Date(2026, Date::Dec, 23, 9, 0, 0))
//       .excludeDate(Date::Date(2026, Date::Dec, 31, 9, 0, 0));
//   payday.next(Date::Date(2026, Date::Dec, 1));  // 2026-Dec-23 09:00:00
//
// or, the same, read from iCalendar content lines:
//
//   DTSTART:20260101T090000
//   RRULE:FREQ=MONTHLY;BYMONTHDAY=-1
//   RDATE:20261223T090000
//   EXDATE:20261231T090000
//
// The start is an occurrence only where a rule names it or a date adds it,
// as python-dateutil's rruleset has it (RFC 5545 counts DTSTART as the
// first instance whatever the rules say; a component that wants that adds
// it as an RDATE). Rules and exclusion rules run from the set's start.
//
// A set runs in local time: a TZID parameter of DTSTART is read and kept
// (`getZone`), for the caller to resolve its local times in that zone
// (<normdate/zoned.h>). DTSTART's form decides the others': a date
// (VALUE=DATE), a date and time, or a date and time in UTC ("Z"); RDATE
// and EXDATE values of another form or zone are refused, as RFC 5545 asks
// them to match.
//
// Cost: `next`, `between` and iteration merge the rules' occurrences
// lazily, each rule finding the period asked about arithmetically as a
// `Recurrence` does; an excluded occurrence is passed over one at a time,
// and an exclusion rule is consulted at the occurrence itself, without
// visiting its occurrences before it. An iterator allocates once, for its
// rules' cursors. A set is a value: copies share their parsed rules.
class RecurrenceSet {
 public:
  // The occurrences in order: an input iterator, whose end is
  // std::default_sentinel.
  class iterator {
   public:
    using iterator_concept = std::input_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = Date;
    using difference_type = std::ptrdiff_t;
    using reference = const Date&;
    using pointer = const Date*;

    iterator() = default;

    reference operator*() const noexcept { return current; }
    pointer operator->() const noexcept { return &current; }
    NORMDATE_EXPORT iterator& operator++();
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& it, std::default_sentinel_t /*end*/) noexcept {
      return it.done;
    }

   private:
    friend class RecurrenceSet;
    iterator(const RecurrenceSet* owner, std::int64_t fromSeconds);
    void pass();
    void settle();
    bool isExcluded();

    const RecurrenceSet* set = nullptr;
    std::vector<Recurrence::iterator> rules;       // one per rule, at its next occurrence
    std::vector<Recurrence::iterator> exclusions;  // one per exclusion rule
    std::size_t nextDate = 0;                      // into the set's dates
    std::size_t nextExcluded = 0;                  // into its excluded dates
    Date current{1970, Jan, 1};
    bool done = true;
  };

  // A set whose start is `first`, with, as yet, no occurrences.
  NORMDATE_EXPORT explicit RecurrenceSet(const Date& first);

  // Adds the rule `rule` (an RRULE value, without "RRULE:"), or an
  // exclusion rule, run from the set's start; throws `ParseError` as
  // `Recurrence::parse` does.
  NORMDATE_EXPORT RecurrenceSet& addRule(std::string_view rule);
  NORMDATE_EXPORT RecurrenceSet& excludeRule(std::string_view rule);
  // Adds a date, or excludes one; a date given twice counts once.
  NORMDATE_EXPORT RecurrenceSet& addDate(const Date& date);
  NORMDATE_EXPORT RecurrenceSet& excludeDate(const Date& date);

  // Reads the content lines of a recurrence set: one DTSTART and any
  // number of RRULE, RDATE, EXDATE and EXRULE lines, in any order, names in
  // any case, lines ended by CRLF or LF and unfolded as RFC 5545 section
  // 3.1 says (a line break before a space or a tab is removed with it).
  // RDATE and EXDATE take comma-separated values; the parameters are TZID
  // (on DTSTART, and on the others only the same zone) and VALUE (DATE or
  // DATE-TIME; RDATE's PERIOD is refused). Throws `ParseError` saying what
  // was expected where (an offset of the whole text), or, for a rule, what
  // `Recurrence::parse` says, with the line.
  [[nodiscard]] NORMDATE_EXPORT static RecurrenceSet parse(std::string_view text);
  [[nodiscard]] NORMDATE_EXPORT static std::optional<RecurrenceSet> tryParse(
      std::string_view text) noexcept;

  // Content lines that read back to the same set: DTSTART, then the rules
  // as `Recurrence::toString` writes them, the exclusion rules, the dates
  // and the excluded dates, sorted, each line ended by CRLF and folded
  // after 75 bytes, as RFC 5545 asks.
  [[nodiscard]] NORMDATE_EXPORT std::string toString() const;

  // The occurrences, in order.
  [[nodiscard]] NORMDATE_EXPORT iterator begin() const;
  [[nodiscard]] static std::default_sentinel_t end() noexcept { return {}; }

  // The first occurrence strictly after `after`, if there is one.
  [[nodiscard]] NORMDATE_EXPORT std::optional<Date> next(const Date& after) const;

  // Every occurrence d with from <= d <= to, in order.
  [[nodiscard]] NORMDATE_EXPORT std::vector<Date> between(const Date& from, const Date& to) const;

  [[nodiscard]] const Date& getStart() const noexcept { return start; }
  // DTSTART's TZID, or empty where it had none.
  [[nodiscard]] const std::string& getZone() const noexcept { return zone; }

 private:
  friend class BusinessCalendar;
  friend class detail::RecurrenceSetReader;

  // The form DTSTART's value has, which RDATE and EXDATE values share.
  enum class Form : unsigned char { DateTime, Utc, DateOnly };

  // The occurrences from `seconds` after 1970-01-01 00:00:00 on.
  [[nodiscard]] iterator startingAt(std::int64_t seconds) const;

  Date start;
  std::string zone;
  Form form = Form::DateTime;
  std::vector<Recurrence> rules;
  std::vector<Recurrence> exclusionRules;
  std::vector<Date> dates;     // sorted, each once
  std::vector<Date> excluded;  // sorted, each once
};

}  // namespace Date

#endif  // NORMDATE_RECURRENCE_H_
