// -----------------------------------------------------------------------------
// File: zoned.h
// -----------------------------------------------------------------------------
//
// `Date::ZonedTime` is an instant seen in a time zone: local time as a value,
// with arithmetic that respects the zone. It holds the instant (UTC, to the
// nanosecond), the zone's offset at it, and the zone, which copies share.
//
//   const Date::ZonedTime meeting =
//       Date::ZonedTime::parse("2026-03-28T12:00:00+01:00[Europe/Berlin]");
//   meeting.addDay(1).toString();    // "2026-03-29T12:00:00+02:00[Europe/Berlin]"
//   meeting.addHour(24).toString();  // "2026-03-29T13:00:00+02:00[Europe/Berlin]"
//   meeting.getLocal();              // 2026-Mar-28 12:00:00
//   meeting.withZone(Date::TimeZone::load("Asia/Tokyo")).toString();
//                                    // "2026-03-28T20:00:00+09:00[Asia/Tokyo]"
//
// Arithmetic follows RFC 5545, section 3.3.6, as Temporal's ZonedDateTime
// does: days are nominal, hours exact. Years, months and days move the
// local date and time, normalised as `Date::addYear`, `addMonth` and
// `addDay` normalise them (January 31 plus one month is March 3), and the
// local time reached is then resolved in the zone by a `Disambiguation`;
// hours, minutes, seconds and durations move the instant. A shift by 0 of
// any unit gives the same instant, also within a repeated hour. Local dates
// wrap their years into 0..9999 as dates do, and so do instants.
//
// Text is RFC 9557's (IXDTF, as Temporal and jiff write it): the local time
// with its offset, then the zone in brackets, "2026-12-08T10:00:00+01:00[Europe/Berlin]".
// It reads back to the same instant in the same zone: an offset with
// seconds (local mean time) is written with them, "+00:53:28".
//
// A `Date::ZonedRecurrence` is a recurrence rule (recurrence.h) that runs in
// the local time of a zoned start and gives its occurrences as ZonedTimes.
//
// Every member is const, and a ZonedTime is as safe to share between
// threads as its TimeZone. Copying one copies no zone: a zone loaded by
// name lives as long as the program, and is shared without a count.

#ifndef NORMDATE_ZONED_H_
#define NORMDATE_ZONED_H_

#include <normdate/date.h>
#include <normdate/recurrence.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>
#include <normdate/zone.h>
#include <normdate/zone_export.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Date {

// What `ZonedTime::parse` does with an offset that the zone's rules do not
// give for the local time of the text (the rules changed after it was
// written), as Temporal's `offset` option does. A "Z" is never in conflict:
// it names the instant, seen in the zone.
enum class OffsetConflict {
  Reject,        // refuse the text, naming the offset and the zone
  PreferOffset,  // the instant of the offset where the zone has that offset
                 // for the local time, else the local time resolved
  UseOffset,     // the instant the offset gives, whatever the zone says
  IgnoreOffset,  // the local time resolved in the zone, the offset unread
};

class ZonedTime {
 public:
  // The instant `utc`, seen in `zone`.
  NORMDATE_ZONE_EXPORT ZonedTime(const Timestamp& utc, const TimeZone& zone) noexcept;

  // The instant of a std::chrono time point of any integral precision
  // (finer than a nanosecond is floored), seen in `zone`.
  template <class Duration>
  ZonedTime(std::chrono::sys_time<Duration> utc, const TimeZone& zone) noexcept
      : ZonedTime(detail::split(utc.time_since_epoch()), zone) {}

  // The local time `local` in `zone`; one that a transition skipped or
  // repeated is resolved by `d`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static ZonedTime fromLocal(
      const Timestamp& local, const TimeZone& zone,
      Disambiguation d = Disambiguation::Compatible) noexcept;

  // The current instant, from std::chrono::system_clock, in `zone`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static ZonedTime now(const TimeZone& zone) noexcept;

  // The instant, as UTC fields.
  [[nodiscard]] Timestamp getUtc() const noexcept {
    return Timestamp::fromUnixTime(instant, nanosecond);
  }
  // Its local date, time and fraction in the zone.
  [[nodiscard]] Timestamp getLocal() const noexcept {
    return Timestamp::fromUnixTime(instant + offset, nanosecond);
  }
  [[nodiscard]] const TimeZone& getZone() const noexcept { return timeZone; }
  // The zone's offset at the instant, with its abbreviation.
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZoneOffset getOffset() const;
  // The instant as a time point of `Duration`, as `Timestamp::toSysTime`.
  template <class Duration = std::chrono::nanoseconds>
  [[nodiscard]] std::chrono::sys_time<Duration> toSysTime() const noexcept {
    return getUtc().toSysTime<Duration>();
  }

  // ---- Calendar units: the local date and time moved, then resolved. ----
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime
  addYear(int n, Disambiguation d = Disambiguation::Compatible) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime
  addMonth(int n, Disambiguation d = Disambiguation::Compatible) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime
  addDay(int n, Disambiguation d = Disambiguation::Compatible) const noexcept;

  // ---- Clock units: the instant moved, exactly. Any count is taken. ----
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime addHour(std::int64_t n) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime addMinute(std::int64_t n) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime addSecond(std::int64_t n) const noexcept;
  template <class Rep, class Period>
  [[nodiscard]] ZonedTime operator+(std::chrono::duration<Rep, Period> d) const noexcept {
    return {getUtc() + d, timeZone};
  }
  template <class Rep, class Period>
  [[nodiscard]] ZonedTime operator-(std::chrono::duration<Rep, Period> d) const noexcept {
    return {getUtc() - d, timeZone};
  }

  // The exact time from `earlier` to this instant, as `Timestamp`'s
  // difference: saturated beyond about 292 years.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::chrono::nanoseconds operator-(
      const ZonedTime& earlier) const noexcept;

  // The same instant in another zone.
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime withZone(const TimeZone& other) const noexcept;

  // The first instant of this local day: its midnight, or where a
  // transition skipped midnight, the instant the day began (the end of the
  // gap: America/Santiago's 2026-09-06 begins at 01:00).
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime startOfDay() const noexcept;

  // The length of this local day, from its first instant to the next day's:
  // 24 hours, or 23, 25, 23.5 ... where a transition falls in it.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::chrono::seconds lengthOfDay() const noexcept;

  // ---- Spans (span.h). ----

  // The span from this instant to `other`'s, counted from here as
  // Temporal's ZonedDateTime counts: years to days in this zone's local
  // time (a day across a change of offset may last 23 or 25 hours), the
  // rest in exact time; with a clock unit the largest, all in exact time.
  // `other` is seen in this zone. Throws std::invalid_argument for options
  // Temporal refuses, as `Timestamp::until` does.
  [[nodiscard]] NORMDATE_ZONE_EXPORT Span until(const ZonedTime& other,
                                                const DifferenceOptions& options = {}) const;
  [[nodiscard]] NORMDATE_ZONE_EXPORT Span since(const ZonedTime& other,
                                                const DifferenceOptions& options = {}) const;

  // This time moved by `span`: years to days in local time (the day of
  // month constrained or carried by `overflow`), resolved `Compatible`,
  // then the clock units exactly. A span without years, months, weeks or
  // days moves the instant and nothing else.
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime
  add(const Span& span, Overflow overflow = Overflow::Constrain) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime
  subtract(const Span& span, Overflow overflow = Overflow::Constrain) const noexcept;

  // Rounded to `increment` of `smallest`, Day to Nanosecond: a day is this
  // local day, which may last 23 or 25 hours, rounded between its first
  // instant and the next day's; a clock unit rounds the local time, which
  // keeps its offset where the zone still has it there, else is resolved
  // `Compatible`. Throws std::invalid_argument as `Timestamp::round` does.
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZonedTime
  round(Unit smallest, std::int64_t increment = 1,
        RoundingMode mode = RoundingMode::HalfExpand) const;

  // ---- Text. ----

  // RFC 9557: the local time as `Timestamp::toIsoString` writes it with the
  // offset, then the zone's name in brackets:
  // "2026-12-08T10:00:00.250+01:00[Europe/Berlin]"; a fixed zone as its
  // offset, "[+05:45]". A zone with no IANA name (a POSIX rule of TZ, or a
  // zone file TZ names by its path) is written as its offset at the
  // instant, which reads back to the same instant in a fixed zone.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string toString() const;

  // RFC 3339: the local time with its offset, "2026-12-08T10:00:00+01:00".
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string toIsoString() const;

  // The local time formatted with the tokens of `Timestamp::toString`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string toString(std::string_view format) const;

  // The local time written by `pattern` as `Timestamp::strftime` writes
  // it, where %z and %Ez give the zone's offset at the instant ("+0100",
  // "+01:00"), %Z its abbreviation ("CET") and %s the instant:
  //   z.strftime("%a, %d %b %Y %T %z (%Z)")  // "Tue, 08 Dec 2026 10:00:00 +0100 (CET)"
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string strftime(std::string_view pattern) const;
  NORMDATE_ZONE_EXPORT void strftime(std::string_view pattern, std::string& text) const;

  // Reads `text` by `pattern` as `Timestamp::strptime` does, in `zone`:
  // where the text has an offset (%z) or an instant (%s), that instant
  // seen in the zone; else its local time, resolved by `d`. A %Z must read
  // the zone's abbreviation at that instant, and in a repeated hour picks
  // the instant that has it ("01:30 CDT" or "01:30 CST"). Throws
  // ParseError saying what was expected where.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static ZonedTime strptime(
      std::string_view text, std::string_view pattern, const TimeZone& zone,
      Disambiguation d = Disambiguation::Compatible);
  [[nodiscard]] NORMDATE_ZONE_EXPORT static std::optional<ZonedTime> tryStrptime(
      std::string_view text, std::string_view pattern, const TimeZone& zone,
      Disambiguation d = Disambiguation::Compatible) noexcept;

  // Reads RFC 9557 text: the date and time with an offset or Z as
  // `Timestamp::parseIso` reads them (a time is required), then exactly one
  // zone in brackets, an IANA name or a numeric offset ("[+05:45]"; a
  // leading "!", critical, changes nothing for a zone), then any other
  // annotations: "[u-ca=iso8601]" and "[u-ca=gregory]" are taken, any
  // other is passed over unless marked critical ("[!u-ca=hebrew]",
  // "[!x-foo=bar]"), which is refused. "Z" (and "-00:00", an unknown local
  // offset) names the instant, seen in the zone. Where the zone's rules
  // give another offset for the local time of the text, `c` decides; a
  // local time it resolves is resolved by `d`. An offset without seconds
  // matches a zone's offset with seconds that rounds to it, as Temporal
  // writes those. Throws `ParseError` saying what was expected where, also
  // for a zone name the databases do not hold and for a refused conflict:
  //   the offset +02:00 is not one that Europe/Berlin has for
  //   2026-12-08T10:00:00 in "2026-12-08T10:00:00+02:00[Europe/Berlin]"
  [[nodiscard]] NORMDATE_ZONE_EXPORT static ZonedTime parse(
      std::string_view text, OffsetConflict c = OffsetConflict::Reject,
      Disambiguation d = Disambiguation::Compatible);

  // As above, or nothing where the text is refused.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static std::optional<ZonedTime> tryParse(
      std::string_view text, OffsetConflict c = OffsetConflict::Reject,
      Disambiguation d = Disambiguation::Compatible) noexcept;

  // The same instant in a zone of the same name.
  NORMDATE_ZONE_EXPORT friend bool operator==(const ZonedTime& a, const ZonedTime& b);

 private:
  ZonedTime(std::int64_t seconds, int nanos, std::int32_t zoneOffset, const TimeZone& z) noexcept
      : instant(seconds), nanosecond(nanos), offset(zoneOffset), timeZone(z) {}
  ZonedTime(const detail::Split& utc, const TimeZone& z) noexcept
      : instant(detail::inCalendar(utc.seconds)),
        nanosecond(static_cast<int>(utc.nanoseconds)),
        offset(offsetIn(z, instant)),
        timeZone(z) {}

  // The offset of `z` at `seconds` from 1970, within the years 0 to 9999.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static std::int32_t offsetIn(const TimeZone& z,
                                                                  std::int64_t seconds) noexcept;

  friend class ZonedRecurrence;

  // The local time `local` (seconds as if UTC) and `nanos` resolved in `z`.
  static ZonedTime resolved(std::int64_t local, int nanos, const TimeZone& z,
                            Disambiguation d) noexcept;

  // The instant of text read, or nothing where `c` refuses its offset.
  static std::optional<ZonedTime> fromText(const OffsetTimestamp& stamp, bool instantOnly,
                                           const TimeZone& zone, OffsetConflict c,
                                           Disambiguation d) noexcept;

  // Whether `other`'s zone has this one's name.
  [[nodiscard]] bool sameZone(const ZonedTime& other) const noexcept;

  // This instant `seconds` later, in the same zone.
  [[nodiscard]] ZonedTime movedBy(std::int64_t seconds) const noexcept;

  // The first instant of the local day `days` after this one's.
  [[nodiscard]] std::int64_t dayStart(std::int64_t days) const noexcept;

  std::int64_t instant;  // seconds from 1970-01-01 UTC, within the years 0 to 9999
  int nanosecond;        // [0, 10^9)
  std::int32_t offset;   // the zone's offset at the instant
  TimeZone timeZone;
};

// Writes `t.toString()`, with no end of line.
NORMDATE_ZONE_EXPORT std::ostream& operator<<(std::ostream& o, const ZonedTime& t);

// A recurrence rule (RFC 5545) that runs in the local time of a zoned
// start: the rule names local dates and times as `Recurrence` does, and
// each is resolved in the start's zone as RFC 5545 says (a time a
// transition skipped moves forward by the gap, a repeated one is the
// earlier: `Disambiguation::Compatible`), keeping the start's fraction of a
// second. An UNTIL in UTC ("Z"), which RFC 5545 requires where the start has
// a zone, bounds the occurrences as an instant; one in local time bounds
// them by their local time, as in `Recurrence`.
//
//   const Date::ZonedRecurrence standups = Date::ZonedRecurrence::parse(
//       "FREQ=WEEKLY;BYDAY=MO,WE;UNTIL=20261231T230000Z",
//       Date::ZonedTime::parse("2026-03-23T09:00:00+01:00[Europe/Berlin]"));
//   *standups.next(...)  // 09:00 in Berlin, in winter and in summer
//
// Occurrences come in the order of their local times, which is the order
// of their instants but where a time resolved forward out of a gap passes
// times just after the gap. `next` and `between` compare instants.
class ZonedRecurrence {
 public:
  // The occurrences in order: an input iterator, whose end is
  // std::default_sentinel.
  class iterator {
   public:
    using iterator_concept = std::input_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = ZonedTime;
    using difference_type = std::ptrdiff_t;
    using reference = const ZonedTime&;
    using pointer = const ZonedTime*;

    reference operator*() const noexcept { return *current; }
    pointer operator->() const noexcept { return &*current; }
    NORMDATE_ZONE_EXPORT iterator& operator++() noexcept;
    void operator++(int) noexcept { ++*this; }
    friend bool operator==(const iterator& it, std::default_sentinel_t /*end*/) noexcept {
      return !it.current;
    }

   private:
    friend class ZonedRecurrence;
    iterator(const ZonedRecurrence* rule, Recurrence::iterator at) noexcept;
    void settle() noexcept;  // onto the first occurrence from `local` on

    const ZonedRecurrence* owner;
    Recurrence::iterator local;
    std::optional<ZonedTime> current;
  };

  // The rule `rule` (an RRULE value) with its first instance `start`.
  // Throws `ParseError` as `Recurrence::parse` does.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static ZonedRecurrence parse(std::string_view rule,
                                                                  const ZonedTime& start);
  [[nodiscard]] NORMDATE_ZONE_EXPORT static std::optional<ZonedRecurrence> tryParse(
      std::string_view rule, const ZonedTime& start) noexcept;

  [[nodiscard]] NORMDATE_ZONE_EXPORT iterator begin() const noexcept;
  [[nodiscard]] static std::default_sentinel_t end() noexcept { return {}; }

  // The first occurrence whose instant is after that of `after`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::optional<ZonedTime> next(const ZonedTime& after) const;

  // Every occurrence whose instant lies from that of `from` to that of
  // `to`, both included, in order.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::vector<ZonedTime> between(const ZonedTime& from,
                                                                    const ZonedTime& to) const;

  // The rule's canonical text, as `Recurrence::toString` writes it.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string toString() const;
  [[nodiscard]] const ZonedTime& getStart() const noexcept { return start; }

 private:
  ZonedRecurrence(Recurrence given, Recurrence inLocalTime, ZonedTime first,
                  std::optional<std::int64_t> untilInstant) noexcept;

  // Whether an occurrence at local time `local` (seconds as if UTC), or any
  // later one, can still be within UNTIL.
  [[nodiscard]] bool mayFollow(std::int64_t local) const noexcept;
  [[nodiscard]] bool withinUntil(const ZonedTime& occurrence) const noexcept;
  [[nodiscard]] ZonedTime resolve(const Date& local) const noexcept;
  // The local time from which to look for instants after `instant`: its
  // own, or a day earlier where a transition near it may reorder them.
  [[nodiscard]] Date searchFrom(const ZonedTime& at, int direction) const noexcept;

  Recurrence rule;   // as given, for its text
  Recurrence local;  // without an UNTIL in UTC, which is applied here
  ZonedTime start;
  std::optional<std::int64_t> until;  // an UNTIL in UTC, in seconds from 1970
};

}  // namespace Date

#endif  // NORMDATE_ZONED_H_
