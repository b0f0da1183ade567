// Differences, sums and rounding of plain date-times: timestamps and dates,
// on the engine they share with zoned times.

#include <normdate/date.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>

#include "core/calendar/span_engine.h"

namespace Date {

namespace {

using detail::spans::Local;

Local localOf(const Timestamp& t) noexcept {
  const Date& d = t.getDate();
  const std::int64_t seconds = d.toSysSeconds().time_since_epoch().count();
  const std::int64_t day = detail::floorDiv(seconds, detail::spans::secondsPerDay);
  return {day, (seconds - day * detail::spans::secondsPerDay) * detail::spans::billion +
                   t.getNanosecond()};
}

Timestamp timestampOf(const Local& local) noexcept {
  return Timestamp::fromUnixTime(local.day * detail::spans::secondsPerDay, local.nanos);
}

}  // namespace

Span Timestamp::until(const Timestamp& other, const DifferenceOptions& options) const {
  return detail::spans::untilPlain(localOf(*this), localOf(other), options);
}

Span Timestamp::since(const Timestamp& other, const DifferenceOptions& options) const {
  return detail::spans::untilPlain(localOf(*this), localOf(other), detail::spans::mirrored(options))
      .negated();
}

Timestamp Timestamp::add(const Span& span, Overflow overflow) const noexcept {
  return timestampOf(detail::spans::addPlain(localOf(*this), span, overflow));
}

Timestamp Timestamp::subtract(const Span& span, Overflow overflow) const noexcept {
  return add(span.negated(), overflow);
}

Timestamp Timestamp::round(Unit smallest, std::int64_t increment, RoundingMode mode) const {
  return timestampOf(detail::spans::roundPlain(localOf(*this), smallest, increment, mode));
}

Span Date::until(const Date& other, const DifferenceOptions& options) const {
  return Timestamp(*this).until(Timestamp(other), options);
}

Span Date::since(const Date& other, const DifferenceOptions& options) const {
  return Timestamp(*this).since(Timestamp(other), options);
}

Date Date::add(const Span& span, Overflow overflow) const noexcept {
  return Timestamp(*this).add(span, overflow).getDate();
}

Date Date::subtract(const Span& span, Overflow overflow) const noexcept {
  return add(span.negated(), overflow);
}

}  // namespace Date
