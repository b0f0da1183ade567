// Zoned times: an instant in seconds, the zone's offset at it and the zone.
// Calendar arithmetic moves the local time, in seconds as if UTC, and
// resolves it in the zone's index; clock arithmetic moves the instant.

#include "normdate/zoned.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include "core/text/conversion_text.h"
#include "core/text/quoted.h"
#include "zone/zone_impl.h"

namespace Date {

namespace {

using detail::firstSecond;
using detail::inCalendar;
using detail::lastSecond;

constexpr std::int64_t secondsPerDay = 86400;

Date dateAt(std::int64_t seconds) noexcept {
  return Date(std::chrono::sys_seconds(std::chrono::seconds(seconds)));
}

std::int64_t secondsOf(const Date& d) noexcept {
  return d.toSysSeconds().time_since_epoch().count();
}

// `n` units of `unitSeconds`, less whole 10000-year cycles: the same move
// of every field, and a sum that cannot overflow.
std::int64_t reduced(std::int64_t n, std::int64_t unitSeconds) noexcept {
  return detail::floorMod(n, detail::secondsInAllYears / unitSeconds) * unitSeconds;
}

}  // namespace

ZonedTime::ZonedTime(const Timestamp& utc, const TimeZone& z) noexcept
    : instant(secondsOf(utc.getDate())),
      nanosecond(utc.getNanosecond()),
      offset(z.impl->typeAt(instant).offset),
      timeZone(z) {}

std::int32_t ZonedTime::offsetIn(const TimeZone& z, std::int64_t seconds) noexcept {
  return z.impl->typeAt(seconds).offset;
}

ZonedTime ZonedTime::resolved(std::int64_t local, int nanos, const TimeZone& z,
                              Disambiguation d) noexcept {
  local = inCalendar(local);
  const detail::LocalPlace place = z.impl->placeOf(local);
  const std::int64_t at = TimeZone::Impl::instantOf(place, d);
  if (place.kind == detail::LocalPlace::Unique && at >= firstSecond && at <= lastSecond) {
    return {at, nanos, static_cast<std::int32_t>(local - at), z};
  }
  const std::int64_t wrapped = inCalendar(at);
  return {wrapped, nanos, z.impl->typeAt(wrapped).offset, z};
}

ZonedTime ZonedTime::fromLocal(const Timestamp& local, const TimeZone& zone,
                               Disambiguation d) noexcept {
  return resolved(secondsOf(local.getDate()), local.getNanosecond(), zone, d);
}

ZonedTime ZonedTime::now(const TimeZone& zone) noexcept { return {Timestamp::now(), zone}; }

ZoneOffset ZonedTime::getOffset() const { return timeZone.getOffset(dateAt(instant)); }

ZonedTime ZonedTime::addYear(int n, Disambiguation d) const noexcept {
  if (n == 0) return *this;
  return resolved(secondsOf(dateAt(instant + offset).addYear(n)), nanosecond, timeZone, d);
}

ZonedTime ZonedTime::addMonth(int n, Disambiguation d) const noexcept {
  if (n == 0) return *this;
  return resolved(secondsOf(dateAt(instant + offset).addMonth(n)), nanosecond, timeZone, d);
}

ZonedTime ZonedTime::addDay(int n, Disambiguation d) const noexcept {
  if (n == 0) return *this;
  return resolved(instant + offset + n * secondsPerDay, nanosecond, timeZone, d);
}

ZonedTime ZonedTime::movedBy(std::int64_t seconds) const noexcept {
  const std::int64_t at = inCalendar(instant + seconds);
  return {at, nanosecond, timeZone.impl->typeAt(at).offset, timeZone};
}

ZonedTime ZonedTime::addHour(std::int64_t n) const noexcept { return movedBy(reduced(n, 3600)); }
ZonedTime ZonedTime::addMinute(std::int64_t n) const noexcept { return movedBy(reduced(n, 60)); }
ZonedTime ZonedTime::addSecond(std::int64_t n) const noexcept { return movedBy(reduced(n, 1)); }

std::chrono::nanoseconds ZonedTime::operator-(const ZonedTime& earlier) const noexcept {
  return getUtc() - earlier.getUtc();
}

ZonedTime ZonedTime::withZone(const TimeZone& other) const noexcept {
  const std::int32_t otherOffset = other.impl->typeAt(instant).offset;
  return {instant, nanosecond, otherOffset, other};
}

std::int64_t ZonedTime::dayStart(std::int64_t days) const noexcept {
  const std::int64_t midnight =
      inCalendar((detail::floorDiv(instant + offset, secondsPerDay) + days) * secondsPerDay);
  // A skipped midnight: the day begins where the gap ends, at the change.
  const detail::LocalPlace place = timeZone.impl->placeOf(midnight);
  return inCalendar(place.kind == detail::LocalPlace::Skipped ? place.transition : place.pre);
}

ZonedTime ZonedTime::startOfDay() const noexcept {
  const std::int64_t at = dayStart(0);
  return {at, 0, timeZone.impl->typeAt(at).offset, timeZone};
}

std::chrono::seconds ZonedTime::lengthOfDay() const noexcept {
  std::int64_t length = dayStart(1) - dayStart(0);
  // The last day of the year 9999 ends where the year 0 begins.
  if (length < 0) length += detail::secondsInAllYears;
  return std::chrono::seconds(length);
}

// ---- Text. ----

std::string ZonedTime::toIsoString() const {
  std::string text = getLocal().toIsoString();
  text.pop_back();  // the "Z"
  text += detail::offsetText(offset);
  return text;
}

std::string ZonedTime::toString() const {
  std::string text = toIsoString();
  text += '[';
  text += timeZone.impl->iana ? timeZone.impl->name : detail::offsetText(offset);
  text += ']';
  return text;
}

std::string ZonedTime::toString(std::string_view format) const {
  return getLocal().toString(format);
}

std::ostream& operator<<(std::ostream& o, const ZonedTime& t) { return o << t.toString(); }

std::string ZonedTime::strftime(std::string_view pattern) const {
  std::string text;
  strftime(pattern, text);
  return text;
}

void ZonedTime::strftime(std::string_view pattern, std::string& text) const {
  // The abbreviation is looked up only for a pattern that may write it.
  const std::string abbreviation =
      pattern.find('Z') != std::string_view::npos ? getOffset().abbreviation : std::string();
  const Timestamp local = getLocal();
  detail::writeConversions(local.getDate(), local.getNanosecond(), {offset, abbreviation}, pattern,
                           text);
}

namespace {

// The zoned time of what a pattern read, or nothing with `failure` set.
std::optional<ZonedTime> zonedOf(const detail::ReadTime& read, const TimeZone& zone,
                                 Disambiguation d, detail::ReadFailure& failure) noexcept {
  const bool instant = read.offsetSeconds || read.unixSeconds;
  const ZonedTime first =
      instant ? ZonedTime(read.local - std::chrono::seconds(read.offsetSeconds.value_or(0)), zone)
              : ZonedTime::fromLocal(read.local, zone, d);
  if (read.abbreviation.empty()) return first;
  const auto named = [&](const ZonedTime& z) {
    return z.getOffset().abbreviation == read.abbreviation &&
           (instant || z.getLocal() == read.local);
  };
  if (named(first)) return first;
  // In a repeated hour, the abbreviation picks the instant.
  if (!instant) {
    for (const Disambiguation other : {Disambiguation::Earlier, Disambiguation::Later}) {
      const ZonedTime candidate = ZonedTime::fromLocal(read.local, zone, other);
      if (named(candidate)) return candidate;
    }
  }
  failure = {"the zone's abbreviation at that time", read.abbreviationAt, read.abbreviation.size(),
             false};
  return std::nullopt;
}

}  // namespace

ZonedTime ZonedTime::strptime(std::string_view text, std::string_view pattern, const TimeZone& zone,
                              Disambiguation d) {
  detail::ReadTime read;
  detail::ReadFailure failure;
  std::optional<ZonedTime> result;
  if (detail::readConversions(text, pattern, true, read, failure)) {
    result = zonedOf(read, zone, d, failure);
  }
  if (!result) throw ParseError(detail::describe(failure, text, pattern), failure.at);
  return *result;
}

std::optional<ZonedTime> ZonedTime::tryStrptime(std::string_view text, std::string_view pattern,
                                                const TimeZone& zone, Disambiguation d) noexcept {
  detail::ReadTime read;
  detail::ReadFailure failure;
  if (!detail::readConversions(text, pattern, true, read, failure)) return std::nullopt;
  return zonedOf(read, zone, d, failure);
}

// ---- Reading RFC 9557 text. ----

namespace {

// Why a text is refused: what was expected where, and how much was found
// there.
struct Refusal {
  std::string expected;
  std::size_t at = 0;
  std::size_t length = 0;
};

// What a text says: the instant and the offset of its date and time, and
// its zone.
struct ZonedText {
  OffsetTimestamp stamp{};
  bool instantOnly = false;  // "Z" or "-00:00": the instant, with no local offset
  std::optional<TimeZone> zone;
};

bool isLower(char c) noexcept { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool isAlphanumeric(char c) noexcept { return isLower(c) || isDigit(c) || (c >= 'A' && c <= 'Z'); }

// RFC 9557's key: a lower-case letter or "_", then those, digits and "-".
bool isKey(std::string_view key) noexcept {
  if (key.empty() || !(isLower(key[0]) || key[0] == '_')) return false;
  return std::all_of(key.begin(), key.end(),
                     [](char c) { return isLower(c) || isDigit(c) || c == '_' || c == '-'; });
}

// Its value: letters and digits in runs joined by single "-".
bool isValue(std::string_view value) noexcept {
  if (value.empty() || value.front() == '-' || value.back() == '-') return false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const bool joint = value[i] == '-';
    if (!isAlphanumeric(value[i]) && !(joint && value[i - 1] != '-')) return false;
  }
  return true;
}

// A numeric zone, "+hh:mm" (or "+hhmm", "+hh", "+hh:mm:ss"), as a fixed zone.
std::optional<TimeZone> fixedZone(std::string_view text) {
  const std::optional<OffsetTimestamp> read =
      Timestamp::tryParseIsoWithOffset("1970-01-01T00:00:00" + std::string(text));
  if (!read || text.empty() || (text[0] != '+' && text[0] != '-')) return std::nullopt;
  return TimeZone::fixed(read->offsetSeconds);
}

// Reads one bracketed annotation from `at`, onto `read`.
std::optional<Refusal> readAnnotation(std::string_view text, std::size_t& at, bool& tagged,
                                      ZonedText& read) {
  if (text[at] != '[') return Refusal{R"("[" or the end of the text)", at, 1};
  const std::size_t close = text.find(']', at);
  if (close == std::string_view::npos) return Refusal{R"("]")", text.size(), 0};
  std::size_t start = at + 1;
  const bool critical = start < close && text[start] == '!';
  if (critical) ++start;
  const std::string_view inner = text.substr(start, close - start);
  const std::size_t equals = inner.find('=');
  at = close + 1;
  if (equals == std::string_view::npos) {
    if (read.zone || tagged) {
      return Refusal{"one time zone, before any other annotation", start, inner.size()};
    }
    read.zone = inner.empty() || inner[0] == '+' || inner[0] == '-' ? fixedZone(inner)
                                                                    : TimeZone::tryLoad(inner);
    if (!read.zone) {
      return Refusal{R"(a time zone of the databases or an offset such as "+05:45")", start,
                     inner.size()};
    }
    return std::nullopt;
  }
  tagged = true;
  const std::string_view key = inner.substr(0, equals);
  const std::string_view value = inner.substr(equals + 1);
  if (!isKey(key) || !isValue(value)) {
    return Refusal{"an annotation key=value (RFC 9557)", start, inner.size()};
  }
  const bool known = key == "u-ca" && (value == "iso8601" || value == "gregory");
  if (critical && !known) {
    return Refusal{
        R"(an annotation read here ("u-ca=iso8601" or "u-ca=gregory"), or one not critical)",
        start - 1, inner.size() + 1};
  }
  return std::nullopt;
}

// Reads the whole text; its date and time as `Timestamp::parseIso` reads
// them, refused through `iso` where they are not.
template <class IsoRefusal>
std::optional<Refusal> readZoned(std::string_view text, ZonedText& read, const IsoRefusal& iso) {
  const std::size_t bracket = text.find('[');
  const std::string_view dateTime = text.substr(0, bracket);
  const std::optional<OffsetTimestamp> stamp = Timestamp::tryParseIsoWithOffset(dateTime);
  if (!stamp) return iso(dateTime);
  if (dateTime.size() <= 10) {
    return Refusal{R"(a time after the date ("T", "t" or " "))", dateTime.size(), 1};
  }
  read.stamp = *stamp;
  const char last = dateTime.back();
  read.instantOnly = last == 'Z' || last == 'z' || dateTime.ends_with("-00:00");
  bool tagged = false;
  for (std::size_t at = dateTime.size(); at < text.size();) {
    if (std::optional<Refusal> refusal = readAnnotation(text, at, tagged, read)) return refusal;
  }
  if (!read.zone) {
    return Refusal{R"(a time zone in brackets, such as "[Europe/Berlin]")", dateTime.size(), 0};
  }
  return std::nullopt;
}

std::string messageOf(std::string_view text, const Refusal& refusal) {
  const std::string found = refusal.at >= text.size()
                                ? std::string("the end of the text")
                                : detail::quoted(text.substr(refusal.at, refusal.length));
  return "expected " + refusal.expected + " at offset " + std::to_string(refusal.at) + " of " +
         detail::quoted(text) + ", found " + found;
}

// Whether `offset` is `zoneOffset`, or rounds to it where it has seconds
// and `offset` has none, as Temporal writes such offsets.
bool offsetMatches(std::int64_t offset, std::int64_t zoneOffset) noexcept {
  if (offset == zoneOffset) return true;
  if (offset % 60 != 0 || zoneOffset % 60 == 0) return false;
  const std::int64_t rounded =
      (zoneOffset < 0 ? -1 : 1) * (((zoneOffset < 0 ? -zoneOffset : zoneOffset) + 30) / 60 * 60);
  return rounded == offset;
}

}  // namespace

// The instant of a text read: where the offset conflicts with the zone's
// rules, `c` decides; nothing where it refuses.
std::optional<ZonedTime> ZonedTime::fromText(const OffsetTimestamp& stamp, bool instantOnly,
                                             const TimeZone& zone, OffsetConflict c,
                                             Disambiguation d) noexcept {
  if (instantOnly || c == OffsetConflict::UseOffset) return ZonedTime(stamp.utc, zone);
  const std::int64_t local = inCalendar(secondsOf(stamp.utc.getDate()) + stamp.offsetSeconds);
  const int nanos = stamp.utc.getNanosecond();
  if (c == OffsetConflict::IgnoreOffset) return resolved(local, nanos, zone, d);
  const detail::LocalPlace place = zone.impl->placeOf(local);
  for (const std::int64_t candidate : {place.pre, place.post}) {
    const std::int64_t zoneOffset = local - candidate;
    const bool real = place.kind != detail::LocalPlace::Skipped;
    if (real && offsetMatches(stamp.offsetSeconds, zoneOffset)) {
      return resolved(
          local, nanos, zone,
          zoneOffset == local - place.pre ? Disambiguation::Earlier : Disambiguation::Later);
    }
  }
  if (c == OffsetConflict::Reject) return std::nullopt;
  return resolved(local, nanos, zone, d);
}

ZonedTime ZonedTime::parse(std::string_view text, OffsetConflict c, Disambiguation d) {
  ZonedText read;
  const auto iso = [](std::string_view dateTime) -> std::optional<Refusal> {
    (void)Timestamp::parseIsoWithOffset(dateTime);  // throws what was expected where
    return std::nullopt;
  };
  if (const std::optional<Refusal> refusal = readZoned(text, read, iso)) {
    throw ParseError(messageOf(text, *refusal), refusal->at);
  }
  if (std::optional<ZonedTime> zoned = fromText(read.stamp, read.instantOnly, *read.zone, c, d)) {
    return *std::move(zoned);
  }
  // Refused: the offset's place, and the local time the text wrote.
  const std::size_t at = text.find_last_of("+-", text.find('['));
  std::string local =
      ZonedTime(read.stamp.utc, TimeZone::fixed(read.stamp.offsetSeconds)).getLocal().toIsoString();
  local.pop_back();  // the "Z"
  throw ParseError("the offset " + detail::offsetText(read.stamp.offsetSeconds) +
                       " is not one that " + read.zone->getName() + " has for " + local + " in " +
                       detail::quoted(text),
                   at);
}

std::optional<ZonedTime> ZonedTime::tryParse(std::string_view text, OffsetConflict c,
                                             Disambiguation d) noexcept {
  try {
    ZonedText read;
    const auto iso = [](std::string_view) { return std::optional<Refusal>(Refusal{}); };
    if (readZoned(text, read, iso)) return std::nullopt;
    return fromText(read.stamp, read.instantOnly, *read.zone, c, d);
  } catch (...) {  // only std::bad_alloc
    return std::nullopt;
  }
}

bool ZonedTime::sameZone(const ZonedTime& other) const noexcept {
  return timeZone.impl == other.timeZone.impl || timeZone.impl->name == other.timeZone.impl->name;
}

bool operator==(const ZonedTime& a, const ZonedTime& b) {
  return a.instant == b.instant && a.nanosecond == b.nanosecond && a.sameZone(b);
}

// ---- Recurrences in a zone. ----

namespace {

// More than any zone's offset and any change of it: a local time this far
// past an instant is past it in every zone.
constexpr std::int64_t widestOffset = std::int64_t{26} * 3600;

}  // namespace

ZonedRecurrence::ZonedRecurrence(Recurrence given, Recurrence inLocalTime, ZonedTime first,
                                 std::optional<std::int64_t> untilInstant) noexcept
    : rule(std::move(given)),
      local(std::move(inLocalTime)),
      start(std::move(first)),
      until(untilInstant) {}

ZonedRecurrence ZonedRecurrence::parse(std::string_view rule, const ZonedTime& start) {
  const Date localStart = start.getLocal().getDate();
  Recurrence given = Recurrence::parse(rule, localStart);
  // An UNTIL in UTC bounds instants: the rule in local time goes without.
  const std::string canonical = given.toString();
  const std::size_t part = canonical.find("UNTIL=");
  const std::size_t end = std::min(canonical.find(';', part), canonical.size());
  if (part == std::string::npos || canonical[end - 1] != 'Z') {
    Recurrence copy = given;
    return {std::move(given), std::move(copy), start, std::nullopt};
  }
  const Date untilUtc = Date::parse(canonical.substr(part + 6, 15), "YYYYMMDDThhmmss");
  std::string unbounded = canonical.substr(0, part) + canonical.substr(end);
  if (unbounded.back() == ';') unbounded.pop_back();
  Recurrence inLocalTime = Recurrence::parse(unbounded, localStart);
  return {std::move(given), std::move(inLocalTime), start, secondsOf(untilUtc)};
}

std::optional<ZonedRecurrence> ZonedRecurrence::tryParse(std::string_view rule,
                                                         const ZonedTime& start) noexcept {
  try {
    if (!Recurrence::tryParse(rule, start.getLocal().getDate())) return std::nullopt;
    return parse(rule, start);
  } catch (...) {  // only std::bad_alloc
    return std::nullopt;
  }
}

bool ZonedRecurrence::mayFollow(std::int64_t localSeconds) const noexcept {
  return !until || localSeconds - widestOffset <= *until;
}

bool ZonedRecurrence::withinUntil(const ZonedTime& occurrence) const noexcept {
  return !until || occurrence.instant <= *until;
}

ZonedTime ZonedRecurrence::resolve(const Date& localDate) const noexcept {
  return ZonedTime::resolved(secondsOf(localDate), start.nanosecond, start.timeZone,
                             Disambiguation::Compatible);
}

Date ZonedRecurrence::searchFrom(const ZonedTime& at, int direction) const noexcept {
  const ZonedTime here = at.withZone(start.timeZone);
  std::int64_t localSeconds = here.instant + here.offset;
  // Near a change of offset, times resolved out of a gap or into an
  // overlap may lie on the other side of the instant.
  const std::optional<Date> change =
      start.timeZone.nextTransition(dateAt(here.instant - widestOffset));
  if (change && secondsOf(*change) <= here.instant + widestOffset) {
    localSeconds += direction * widestOffset;
  }
  return dateAt(localSeconds);
}

ZonedRecurrence::iterator::iterator(const ZonedRecurrence* rule, Recurrence::iterator at) noexcept
    : owner(rule), local(at) {
  settle();
}

void ZonedRecurrence::iterator::settle() noexcept {
  for (; local != std::default_sentinel; ++local) {
    if (!owner->mayFollow(secondsOf(*local))) break;
    ZonedTime occurrence = owner->resolve(*local);
    if (owner->withinUntil(occurrence)) {
      current = std::move(occurrence);
      return;
    }
  }
  current.reset();
}

ZonedRecurrence::iterator& ZonedRecurrence::iterator::operator++() noexcept {
  ++local;
  settle();
  return *this;
}

ZonedRecurrence::iterator ZonedRecurrence::begin() const noexcept { return {this, local.begin()}; }

std::optional<ZonedTime> ZonedRecurrence::next(const ZonedTime& after) const {
  for (std::optional<Date> d = local.next(searchFrom(after, -1).addSecond(-1)); d;
       d = local.next(*d)) {
    if (!mayFollow(secondsOf(*d))) break;
    const ZonedTime occurrence = resolve(*d);
    const bool later =
        occurrence.instant > after.instant ||
        (occurrence.instant == after.instant && occurrence.nanosecond > after.nanosecond);
    if (later && withinUntil(occurrence)) return occurrence;
  }
  return std::nullopt;
}

std::vector<ZonedTime> ZonedRecurrence::between(const ZonedTime& from, const ZonedTime& to) const {
  const auto order = [](const ZonedTime& a, const ZonedTime& b) {
    return a.instant < b.instant || (a.instant == b.instant && a.nanosecond <= b.nanosecond);
  };
  std::vector<ZonedTime> found;
  for (const Date& d : local.between(searchFrom(from, -1), searchFrom(to, 1))) {
    const ZonedTime occurrence = resolve(d);
    if (order(from, occurrence) && order(occurrence, to) && withinUntil(occurrence)) {
      found.push_back(occurrence);
    }
  }
  return found;
}

std::string ZonedRecurrence::toString() const { return rule.toString(); }

}  // namespace Date
