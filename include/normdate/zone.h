// -----------------------------------------------------------------------------
// File: zone.h
// -----------------------------------------------------------------------------
//
// Time zones: converting between UTC and the local time of an IANA zone
// ("Europe/Berlin"), a fixed offset or the machine's own zone, with daylight
// saving time, gaps and overlaps reported exactly. This is the library
// `normdate::zone`, separate from the core so that callers who need only UTC
// dates need nothing beyond the standard library; abseil's time-zone engine
// reads the zones' rules.
//
// The rules come from the system's zone database (TZDIR, else
// /usr/share/zoneinfo: Debian's tzdata), which is updated with the machine,
// and where it lacks a name, or there is none (slim containers, Windows,
// sandboxes), from a copy of the whole IANA database built into the library
// (`TimeZone::builtInDatabaseVersion()`; CMake option NORMDATE_BUILTIN_TZDATA,
// on by default, about 310 KB). `ZoneSource::BuiltIn` asks for the copy
// alone, so that answers do not depend on the machine.
//
// A `Date::Date` stays what it is everywhere else: six normalised fields with
// no zone of its own. A `TimeZone` says what those fields mean as UTC or as
// local time, and converts through the exact instant, so a result before
// 0000-01-01 or after 9999-12-31 wraps its year exactly as `addSecond` would.
// A date is read in the rules of the year it holds: Tokyo's local
// 0000-01-01 05:00 is in year 0's local mean time (+09:18:59), and is
// 9999-12-31 19:41:01 UTC once wrapped. Before a zone's first transition the
// database's earliest rule applies, usually local mean time.
//
// Examples:
//
//   const Date::TimeZone berlin = Date::TimeZone::load("Europe/Berlin");
//   const Date::Date utc;                        // the clock, in UTC
//   const Date::Date local = berlin.toLocal(utc);
//   berlin.toIsoString(utc);                     // "2026-12-06T03:04:49+01:00"
//
//   // 2026-03-29 02:30 does not exist in Berlin: clocks jump from 02:00 to
//   // 03:00. The default, Compatible, moves the wall time forward by the
//   // gap, to 03:30 summer time, which is 01:30 UTC.
//   berlin.toUtc(Date::Date(2026, Date::Mar, 29, 2, 30, 0));   // 01:30 UTC
//   berlin.lookup(Date::Date(2026, Date::Mar, 29, 2, 30, 0)).kind;  // Skipped
//
//   // 2026-10-25 02:30 happens twice. Compatible takes the earlier instant,
//   // 00:30 UTC (summer time); Later takes 01:30 UTC.
//   berlin.toUtc(Date::Date(2026, Date::Oct, 25, 2, 30, 0), Date::Disambiguation::Later);
//
// Only `TimeZone::load` throws. Every conversion is const, and safe to call
// from many threads on the same `TimeZone`; copies share one immutable zone,
// and a moved-from zone is still the zone it was.
//
// Cost: loading a zone asks abseil for its transitions once and indexes its
// answers (at most 64 KiB a zone), so that a conversion either way is O(1):
// a bucket of the index, a transition or two, and past the last transition
// abseil lists, the 400-year cycle of the zone's rules. Conversions allocate
// nothing, and run as fast whichever database the zone came from. Loading a
// name loaded before costs a lookup in a cache that keeps each zone loaded
// for the life of the program (a change of TZDIR after that changes none).

#ifndef NORMDATE_ZONE_H_
#define NORMDATE_ZONE_H_

#include <normdate/date.h>
#include <normdate/timestamp.h>
#include <normdate/zone_export.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Date {

// Thrown by `TimeZone::load` for a name that is not of IANA form ("not a time
// zone name") or that the database lacks ("unknown time zone"). The message
// quotes the name.
class NORMDATE_ZONE_EXPORT ZoneError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
  ZoneError(const ZoneError&) = default;
  ZoneError& operator=(const ZoneError&) = default;
  ~ZoneError() override;
};

// The offset in effect at an instant.
struct ZoneOffset {
  int seconds;               // east of UTC: +7 h is 25200
  bool isDst;                // daylight saving (or another non-standard) time
  std::string abbreviation;  // "CEST", "+0545", "UTC"
};

// How `toUtc` picks an instant for a local time that a transition skipped or
// repeated.
enum class Disambiguation {
  // Calendar software's rule: in a gap the wall time moves forward by the
  // gap's length (the offset from before the gap applies); in an overlap the
  // earlier instant wins.
  Compatible,
  Earlier,  // the earlier of the two candidate instants, in a gap or an overlap
  Later,    // the later of the two
};

// What a local time is in a zone.
struct LocalTimeInfo {
  enum Kind {
    Unique,    // it happens once
    Skipped,   // a transition jumped over it (a gap)
    Repeated,  // it happens twice (an overlap)
  };
  Kind kind;
  Date earlier;     // UTC: the earlier candidate instant; for Unique, the instant
  Date later;       // UTC: the later candidate instant; for Unique, the instant
  Date transition;  // UTC: the transition, for Skipped and Repeated; for
                    // Unique, the instant
};

// Where `TimeZone::load` finds a zone's rules.
enum class ZoneSource {
  // The system's database where it holds the name, as it is updated with
  // the machine; else the copy built into the library, so that zones load
  // on machines without one (slim containers, Windows, sandboxes).
  SystemThenBuiltIn,
  // The system's database alone, as the C library reads it.
  System,
  // The copy built into the library alone: the same answers on every
  // machine, whatever its database holds.
  BuiltIn,
};

class TimeZone {
 public:
  // Copies share one immutable zone. A move copies too, so that a moved-from
  // zone is still the zone it was and every function stays defined on it.
  TimeZone(const TimeZone&) = default;
  TimeZone& operator=(const TimeZone&) = default;
  ~TimeZone() = default;

  // The zone of an IANA name such as "Europe/Berlin" or "UTC", from the
  // system's database, or where it lacks the name (or there is none) from
  // the one built into the library. A name that is not of IANA form (empty,
  // over 255 bytes, starting with "/", with an empty, "." or ".." component,
  // or with a byte other than A-Z a-z 0-9 . _ + - /) is refused without
  // touching the file system. Throws `ZoneError`.
  NORMDATE_ZONE_EXPORT static TimeZone load(std::string_view name);

  // As above, from the database `source` names:
  //   TimeZone::load("Europe/Berlin", Date::ZoneSource::BuiltIn)
  NORMDATE_ZONE_EXPORT static TimeZone load(std::string_view name, ZoneSource source);

  // As `load`, but give nothing instead of throwing.
  NORMDATE_ZONE_EXPORT static std::optional<TimeZone> tryLoad(std::string_view name);
  NORMDATE_ZONE_EXPORT static std::optional<TimeZone> tryLoad(std::string_view name,
                                                              ZoneSource source);

  // Every zone and link name `load` finds, sorted by their bytes: those of
  // the system's database (TZDIR, else /usr/share/zoneinfo), and those
  // built in. The directory's own copies of the database in other forms,
  // right/ and posix/, and its posixrules and localtime, which are not
  // names of zones, are left out, as Python's zoneinfo leaves them out.
  // Reads the directory: call it when a list is wanted, not per conversion.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static std::vector<std::string> availableNames();

  // The IANA version of the data `load` uses by default, such as "2025b":
  // the system's, where its zone directory states one (in tzdata.zi, as
  // Debian's does), else that of the built-in copy; empty if neither does.
  [[nodiscard]] NORMDATE_ZONE_EXPORT static std::string databaseVersion();

  // The IANA version of the built-in copy; empty where the library was
  // built without one (CMake option NORMDATE_BUILTIN_TZDATA=OFF).
  [[nodiscard]] NORMDATE_ZONE_EXPORT static std::string builtInDatabaseVersion();

  // UTC, named and abbreviated "UTC".
  NORMDATE_ZONE_EXPORT static TimeZone utc();

  // A fixed offset east of UTC, e.g. fixed(25200) for +07:00. Offsets beyond
  // a day are clamped to +-86399 seconds. The name and abbreviation are the
  // offset: "+07:00", "+05:45", "-00:00:30". It needs no zone database and
  // keeps nothing once its last copy is gone, so that offsets read from text
  // can each make one.
  NORMDATE_ZONE_EXPORT static TimeZone fixed(int offsetSeconds);

  // The machine's zone, from TZ as the C library reads it (a leading ":"
  // is allowed and ignored):
  //   TZ unset                   /etc/localtime, else UTC
  //   TZ empty                   UTC
  //   "/usr/share/zoneinfo/Asia/Tokyo", "/etc/localtime"
  //                              the zone file at that absolute path, even
  //                              one outside the zone directory whose path
  //                              looks like one into it
  //   "Europe/Berlin"            the database's zone of that name
  //   "CET-1CEST,M3.5.0,M10.5.0/3", "EST+5", "<+0545>-5:45"
  //                              a POSIX rule (IEEE Std 1003.1, section 8.3)
  //                              where no file has that name; its rule
  //                              applies in every year, where the C library
  //                              gives standard time before 1970
  // A TZ that names no file and is no rule gives UTC, as in the C library,
  // and so does a rule that abseil's zones cannot hold: one whose changes
  // of offset cross in local time ("AAA0BBB-2,J100/0,J100/3", an hour of
  // daylight time two hours ahead, goes on from 00:00 to 02:00 and back
  // from 03:00 to 01:00), or one that ends daylight time at the instant it
  // begins it again in some year ("AAA-14BBB-13,M1.1.0/0,M12.5.6/23", where
  // December 31 is a Saturday).
  // Paths are read as given: they come from the process's environment, not
  // from users, unlike the names `load` takes. abseil reads the rules: this
  // library gives them to it as zone data through abseil's zone-info source
  // hook, `absl::time_internal::cctz_extension::zone_info_source_factory`,
  // which it defines and which passes every other name on to abseil's own
  // source. A program that defines that hook itself cannot also link this
  // library; where abseil is linked statically into a program that uses
  // this library as a shared one, abseil's own source stays in place and a
  // rule gives UTC.
  NORMDATE_ZONE_EXPORT static TimeZone local();

  // The IANA name as loaded ("Europe/Berlin"), "UTC", or a fixed zone's
  // offset. The machine's zone has its IANA name where one is known (a path
  // into the zone directory, TZDIR or /usr/share/zoneinfo, or /etc/localtime
  // linked there), else the path or rule TZ gives, or "localtime" for an
  // /etc/localtime that names none.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string getName() const;

  // The offset in effect at the instant `utc`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT ZoneOffset getOffset(const Date& utc) const;

  // The local time at the instant `utc`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT Date toLocal(const Date& utc) const noexcept;

  // Whether the local time `local` happened once, never or twice, and the
  // instants it names.
  [[nodiscard]] NORMDATE_ZONE_EXPORT LocalTimeInfo lookup(const Date& local) const noexcept;

  // The instant of the local time `local`; a skipped or repeated one is
  // resolved by `d`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT Date
  toUtc(const Date& local, Disambiguation d = Disambiguation::Compatible) const noexcept;

  // The instant of `local` if it happened exactly once, nothing otherwise.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::optional<Date> tryToUtc(const Date& local) const noexcept;

  // The first instant strictly after `utc` at which the zone's offset
  // changes; changes of only the abbreviation or the daylight-saving flag do
  // not count. Nothing if there is none up to 9999-12-31 23:59:59. Past the
  // last year for which the database lists transitions, they follow its
  // present rules to the year 9999, as the offsets do.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::optional<Date> nextTransition(
      const Date& utc) const noexcept;

  // The last such instant strictly before `utc`; nothing if there is none
  // from 0000-01-01 00:00:00 on.
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::optional<Date> prevTransition(
      const Date& utc) const noexcept;

  // The current local time: `toLocal(Date())`.
  [[nodiscard]] NORMDATE_ZONE_EXPORT Date now() const noexcept;

  // The local time at the instant `utc` as ISO 8601 text with its numeric
  // offset: "2026-03-29T03:00:00+02:00". Offset 0 is "+00:00", and an offset
  // with seconds (local mean time) is written "+00:53:28".
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string toIsoString(const Date& utc) const;

  // The conversions above for timestamps. Offsets change only on whole
  // seconds, so the fraction passes through unchanged, and the text has it
  // as `Timestamp::toIsoString` writes it: "2026-07-01T14:00:00.250+02:00".
  [[nodiscard]] NORMDATE_ZONE_EXPORT Timestamp toLocal(const Timestamp& utc) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT Timestamp
  toUtc(const Timestamp& local, Disambiguation d = Disambiguation::Compatible) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::optional<Timestamp> tryToUtc(
      const Timestamp& local) const noexcept;
  [[nodiscard]] NORMDATE_ZONE_EXPORT std::string toIsoString(const Timestamp& utc) const;

  // The local time at an instant given as a std::chrono time point of any
  // integral precision (finer than a nanosecond is floored), read from its
  // count without making UTC fields of it first; the year wraps as a
  // Timestamp's does.
  //   berlin.toLocal(std::chrono::system_clock::now())
  template <class Duration>
  [[nodiscard]] Timestamp toLocal(std::chrono::sys_time<Duration> utc) const noexcept {
    const detail::Split instant = detail::split(utc.time_since_epoch());
    return localAt(instant.seconds, static_cast<int>(instant.nanoseconds));
  }

 private:
  friend class ZonedTime;  // answers from the zone's index in seconds
  struct Impl;
  explicit TimeZone(std::shared_ptr<const Impl> zone) noexcept;

  // The local time `nanosecond` after second `seconds` from 1970 (UTC),
  // that instant first wrapped into the years 0 to 9999.
  [[nodiscard]] NORMDATE_ZONE_EXPORT Timestamp localAt(std::int64_t seconds,
                                                       int nanosecond) const noexcept;

  std::shared_ptr<const Impl> impl;
};

}  // namespace Date

#endif  // NORMDATE_ZONE_H_
