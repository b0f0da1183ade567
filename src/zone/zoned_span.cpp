// Spans of zoned times: Temporal's ZonedDateTime arithmetic, on the engine
// plain date-times use, with local times resolved in the zone.

#include <normdate/span.h>
#include <normdate/zoned.h>

#include <cstdint>
#include <stdexcept>

#include "core/calendar/span_engine.h"
#include "zone/zone_impl.h"

namespace Date {

namespace spans = detail::spans;

namespace {

spans::Local localOf(std::int64_t localSeconds, int nanos) noexcept {
  const std::int64_t day = detail::floorDiv(localSeconds, spans::secondsPerDay);
  return {day, (localSeconds - day * spans::secondsPerDay) * spans::billion + nanos};
}

std::int64_t secondsOf(const spans::Local& local) noexcept {
  return local.day * spans::secondsPerDay + local.nanos / spans::billion;
}

}  // namespace

Span ZonedTime::until(const ZonedTime& other, const DifferenceOptions& options) const {
  // A local time's instant, resolved as calendar software resolves it.
  struct Frame {
    bool zoned;
    const TimeZone::Impl& zone;
    [[nodiscard]] spans::Exact instant(const spans::Local& t) const noexcept {
      const std::int64_t at =
          TimeZone::Impl::instantOf(zone.placeOf(secondsOf(t)), Disambiguation::Compatible);
      return {at, t.nanos % spans::billion};
    }
  };
  const ZonedTime end = other.withZone(timeZone);
  return spans::untilZoned(Frame{true, *timeZone.impl}, {instant, nanosecond},
                           {end.instant, end.nanosecond}, localOf(instant + offset, nanosecond),
                           localOf(end.instant + end.offset, end.nanosecond), options);
}

Span ZonedTime::since(const ZonedTime& other, const DifferenceOptions& options) const {
  return until(other, spans::mirrored(options)).negated();
}

ZonedTime ZonedTime::add(const Span& span, Overflow overflow) const noexcept {
  // The instant of `z` moved on by the span's clock units.
  const spans::Exact clock = spans::clockPart(span);
  const auto movedOn = [&clock](const ZonedTime& z) {
    const spans::Exact at = spans::Exact::of(z.instant + clock.seconds, z.nanosecond + clock.nanos);
    const std::int64_t wrapped = detail::inCalendar(at.seconds);
    return ZonedTime(wrapped, static_cast<int>(at.nanos), z.timeZone.impl->typeAt(wrapped).offset,
                     z.timeZone);
  };
  if (span.years == 0 && span.months == 0 && span.weeks == 0 && span.days == 0) {
    return movedOn(*this);
  }
  const spans::Local local = localOf(instant + offset, nanosecond);
  const std::int64_t day =
      spans::addToDate(local.day, {span.years, span.months, span.weeks, span.days}, overflow);
  return movedOn(
      resolved(secondsOf({day, local.nanos}), nanosecond, timeZone, Disambiguation::Compatible));
}

ZonedTime ZonedTime::subtract(const Span& span, Overflow overflow) const noexcept {
  return add(span.negated(), overflow);
}

ZonedTime ZonedTime::round(Unit smallest, std::int64_t increment, RoundingMode mode) const {
  if (smallest == Unit::Day) {
    if (increment != 1) throw std::invalid_argument("a day rounds with an increment of 1");
    const std::int64_t start = dayStart(0);
    const spans::Exact length{dayStart(1) - start, 0};
    const spans::Exact into = spans::Exact::of(instant - start, nanosecond);
    // The day's progress is not negative: its mode rounds as if positive.
    const spans::Exact rounded = spans::roundExact(into, {length.seconds, 0}, mode);
    const std::int64_t at = detail::inCalendar(start + rounded.seconds);
    return {at, 0, timeZone.impl->typeAt(at).offset, timeZone};
  }
  const spans::Local local =
      spans::roundPlain(localOf(instant + offset, nanosecond), smallest, increment, mode);
  const std::int64_t seconds = secondsOf(local);
  const int nanos = static_cast<int>(local.nanos % spans::billion);
  // The offset kept where the zone has it for the rounded local time.
  const detail::LocalPlace place = timeZone.impl->placeOf(seconds);
  if (place.kind != detail::LocalPlace::Skipped &&
      (seconds - place.pre == offset || seconds - place.post == offset)) {
    const std::int64_t at = detail::inCalendar(seconds - offset);
    return {at, nanos, timeZone.impl->typeAt(at).offset, timeZone};
  }
  return resolved(seconds, nanos, timeZone, Disambiguation::Compatible);
}

}  // namespace Date
