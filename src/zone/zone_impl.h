// Internal: what a TimeZone is, shared by the zone's conversions and the
// zoned time built on them. Not installed.
#ifndef NORMDATE_ZONE_ZONE_IMPL_H_
#define NORMDATE_ZONE_ZONE_IMPL_H_

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <normdate/zone.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "zone/zone_index.h"

namespace Date {

namespace detail {

// "+hh:mm", or "+hh:mm:ss" when the offset has seconds.
inline std::string offsetText(int seconds) {
  const int magnitude = seconds < 0 ? -seconds : seconds;
  std::array<char, 10> text = {seconds < 0 ? '-' : '+'};
  std::size_t size = 1;
  const auto put = [&](int value, bool colon) {
    if (colon) text[size++] = ':';
    text[size++] = static_cast<char>('0' + value / 10);
    text[size++] = static_cast<char>('0' + value % 10);
  };
  put(magnitude / 3600, false);
  put(magnitude / 60 % 60, true);
  if (magnitude % 60 != 0) put(magnitude % 60, true);
  return {text.data(), size};
}

}  // namespace detail

// A zone of abseil's engine, what normdate calls it, and the index of
// abseil's answers for it.
struct TimeZone::Impl {
  Impl(absl::TimeZone engine, std::string zoneName, std::string fixedAbbreviation,
       bool nameIsIana = true)
      : zone(engine),
        name(std::move(zoneName)),
        abbreviation(std::move(fixedAbbreviation)),
        iana(nameIsIana),
        index(zone) {}

  // A fixed offset, answered by the index alone: abseil's own fixed zones
  // are kept for the life of the process, one for each offset asked for.
  Impl(std::int32_t offset, const std::string& offsetName)
      : zone(absl::UTCTimeZone()),
        name(offsetName),
        abbreviation(offsetName),
        iana(false),
        index(detail::LocalType{offset, false, abbreviation}) {}

  // The stretch of time an instant falls in, and what a local time (in
  // seconds as if UTC) is: the index's answers, abseil's where it has none.
  [[nodiscard]] detail::LocalType typeAt(std::int64_t instant) const noexcept {
    if (index.answers()) return index.typeAt(instant);
    const absl::TimeZone::CivilInfo info = zone.At(absl::FromUnixSeconds(instant));
    return {static_cast<std::int32_t>(info.offset), info.is_dst, info.zone_abbr};
  }

  [[nodiscard]] detail::LocalPlace placeOf(std::int64_t local) const noexcept {
    if (index.answers()) return index.placeOf(local);
    const absl::TimeZone::TimeInfo info = zone.At(absl::CivilSecond() + local);
    const auto kind = info.kind == absl::TimeZone::TimeInfo::SKIPPED ? detail::LocalPlace::Skipped
                      : info.kind == absl::TimeZone::TimeInfo::REPEATED
                          ? detail::LocalPlace::Repeated
                          : detail::LocalPlace::Unique;
    return {kind, absl::ToUnixSeconds(info.pre), absl::ToUnixSeconds(info.trans),
            absl::ToUnixSeconds(info.post)};
  }

  // The first instant after `after`, and the last before `before`, at which
  // abseil's answers may change: a transition abseil lists, or past the last
  // one, a listed transition moved on by whole cycles.
  [[nodiscard]] std::optional<std::int64_t> candidateAfter(std::int64_t after) const noexcept;
  [[nodiscard]] std::optional<std::int64_t> candidateBefore(std::int64_t before) const noexcept;

  // The instant of the local time whose place is `place`, picked by `d`.
  // `pre` applies the offset from before a transition: in a gap that is
  // the later instant, in an overlap the earlier one, as Compatible asks.
  [[nodiscard]] static std::int64_t instantOf(const detail::LocalPlace& place,
                                              Disambiguation d) noexcept {
    const bool preIsLater = place.kind == detail::LocalPlace::Skipped;
    switch (d) {
      case Disambiguation::Earlier: return preIsLater ? place.post : place.pre;
      case Disambiguation::Later: return preIsLater ? place.pre : place.post;
      default: return place.pre;
    }
  }

  // True when the offset changes at `instant`.
  [[nodiscard]] bool offsetChangesAt(std::int64_t instant) const noexcept {
    return typeAt(instant - 1).offset != typeAt(instant).offset;
  }

  absl::TimeZone zone;
  std::string name;
  // For UTC and fixed zones, the abbreviation; empty for zones whose
  // database gives one for each instant.
  std::string abbreviation;
  // Whether the name is one of the database's, which text may name the
  // zone by: not for a fixed offset, a POSIX rule or a file TZ names.
  bool iana;
  detail::ZoneIndex index;
};

}  // namespace Date

#endif  // NORMDATE_ZONE_ZONE_IMPL_H_
