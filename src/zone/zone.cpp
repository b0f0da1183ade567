#include "normdate/zone.h"

#include <absl/time/civil_time.h>
#include <absl/time/time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "core/text/quoted.h"
#include "zone/builtin_zones.h"
#include "zone/zone_index.h"
#include "zone/zone_rule.h"
#include "zone/zone_source.h"

namespace Date {

namespace {

constexpr std::int64_t firstSecond = -62167219200;  // 0000-01-01 00:00:00
constexpr std::int64_t lastSecond = 253402300799;   // 9999-12-31 23:59:59

using detail::cycleSeconds;

}  // namespace

// A zone of abseil's engine, what normdate calls it, and the index of
// abseil's answers for it.
struct TimeZone::Impl {
  Impl(absl::TimeZone engine, std::string zoneName, std::string fixedAbbreviation)
      : zone(engine),
        name(std::move(zoneName)),
        abbreviation(std::move(fixedAbbreviation)),
        index(zone) {}

  // A fixed offset, answered by the index alone: abseil's own fixed zones
  // are kept for the life of the process, one for each offset asked for.
  Impl(std::int32_t offset, const std::string& offsetName)
      : zone(absl::UTCTimeZone()),
        name(offsetName),
        abbreviation(offsetName),
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

  // True when the offset changes at `instant`.
  [[nodiscard]] bool offsetChangesAt(std::int64_t instant) const noexcept {
    return typeAt(instant - 1).offset != typeAt(instant).offset;
  }

  absl::TimeZone zone;
  std::string name;
  // For UTC and fixed zones, the abbreviation; empty for zones whose
  // database gives one for each instant.
  std::string abbreviation;
  detail::ZoneIndex index;
};

std::optional<std::int64_t> TimeZone::Impl::candidateAfter(std::int64_t after) const noexcept {
  // Past the last listed transition, abseil answers [last, last + cycle) as
  // [last - cycle, last), and so on for each later cycle.
  std::int64_t shift = 0;
  if (index.repeats() && after >= index.lastListed()) {
    shift = ((after - index.lastListed()) / cycleSeconds + 1) * cycleSeconds;
  }
  absl::TimeZone::CivilTransition transition;
  if (!zone.NextTransition(absl::FromUnixSeconds(after - shift), &transition)) {
    return std::nullopt;
  }
  return absl::ToUnixSeconds(zone.At(transition.to).trans) + shift;
}

std::optional<std::int64_t> TimeZone::Impl::candidateBefore(std::int64_t before) const noexcept {
  // As above; a cycle's answers may also change where it starts, which is
  // last - cycle moved on.
  std::int64_t shift = 0;
  std::optional<std::int64_t> found;
  if (index.repeats() && before > index.lastListed()) {
    shift = ((before - index.lastListed() - 1) / cycleSeconds + 1) * cycleSeconds;
    found = index.lastListed() - cycleSeconds;
  }
  absl::TimeZone::CivilTransition transition;
  if (zone.PrevTransition(absl::FromUnixSeconds(before - shift), &transition)) {
    const std::int64_t listed = absl::ToUnixSeconds(zone.At(transition.to).trans);
    found = std::max(found.value_or(listed), listed);
  }
  if (!found) return std::nullopt;
  return *found + shift;
}

namespace {

std::int64_t secondsOf(const Date& d) noexcept {
  return d.toSysSeconds().time_since_epoch().count();
}

Date dateOf(std::int64_t seconds) noexcept {
  return Date(std::chrono::sys_seconds{std::chrono::seconds{seconds}});
}

// True for a name of IANA form: components of A-Z a-z 0-9 . _ + - separated
// by single slashes, none of them "." or "..", at most 255 bytes in all.
bool isIanaForm(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    for (const char c : part) {
      const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '+' || c == '-';
      if (!allowed) return false;
    }
    start = end + 1;
  }
  return true;
}

// "+hh:mm", or "+hh:mm:ss" when the offset has seconds.
std::string offsetText(int seconds) {
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

// The zone directory: TZDIR if set, as abseil and the C library read it,
// else /usr/share/zoneinfo.
std::filesystem::path zoneDirectory() {
  // NOLINTNEXTLINE(concurrency-mt-unsafe): read, as abseil reads it
  const char* directory = std::getenv("TZDIR");
  return directory != nullptr && *directory != '\0' ? directory : "/usr/share/zoneinfo";
}

// True when the zone directory holds a file of that name.
bool inZoneDirectory(std::string_view name) {
  std::error_code error;
  return std::filesystem::is_regular_file(zoneDirectory() / name, error);
}

// abseil keeps every name it is asked to load, found or not, for the life
// of the process; so it is asked only for files that exist, and its memory
// stays bounded by the files of the zone directory.
std::optional<absl::TimeZone> loadAbseil(std::string_view name) {
  absl::TimeZone zone;
  if (!isIanaForm(name) || !inZoneDirectory(name) ||
      !absl::LoadTimeZone(absl::string_view(name.data(), name.size()), &zone)) {
    return std::nullopt;
  }
  return zone;
}

// True for a file of zone data (RFC 8536): it begins with "TZif".
bool isZoneFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::array<char, 4> magic{};
  return file.read(magic.data(), magic.size()) && std::string_view(magic.data(), 4) == "TZif";
}

// The zone of the database built into the library, given to abseil under a
// name of its own, apart from the system's zone of the same name.
std::optional<absl::TimeZone> loadBuiltIn(std::string_view name) {
  if (!isIanaForm(name)) return std::nullopt;
  std::optional<std::string> data = detail::builtInZoneData(name);
  if (!data) return std::nullopt;
  return detail::loadAs("normdate-builtin:" + std::string(name), *std::move(data));
}

// The IANA name of the zone file at `path`, where the path, or the link it
// is, leads into the zone directory: "/usr/share/zoneinfo/Europe/Berlin",
// or /etc/localtime linked there. A file elsewhere has none, whatever its
// path holds: "/opt/app/zoneinfo/Europe/Berlin" is the application's own.
std::optional<std::string> ianaNameOf(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path target = std::filesystem::read_symlink(path, error);
  if (error) target = path;
  const std::filesystem::path file = (path.parent_path() / target).lexically_normal();
  const std::filesystem::path name = file.lexically_relative(zoneDirectory().lexically_normal());
  if (name.empty() || *name.begin() == "..") return std::nullopt;
  return name.string();
}

}  // namespace

ZoneError::~ZoneError() = default;

TimeZone::TimeZone(std::shared_ptr<const Impl> zone) noexcept : impl(std::move(zone)) {}

std::optional<TimeZone> TimeZone::tryLoad(std::string_view name) {
  return tryLoad(name, ZoneSource::SystemThenBuiltIn);
}

std::optional<TimeZone> TimeZone::tryLoad(std::string_view name, ZoneSource source) {
  if (name == "UTC") return utc();
  // Zones loaded by name, kept for the life of the process as abseil keeps
  // its own, one table for each source: a name loaded again costs a
  // lookup, not a load and an index. Only names a database holds are kept.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>{}(text);
    }
  };
  using Zones =
      std::unordered_map<std::string, std::shared_ptr<const Impl>, NameHash, std::equal_to<>>;
  static std::shared_mutex mutex;
  static std::array<Zones, 3> loaded;
  Zones& zones = loaded[static_cast<std::size_t>(source)];
  {
    const std::shared_lock<std::shared_mutex> lock(mutex);
    if (const auto found = zones.find(name); found != zones.end()) return TimeZone(found->second);
  }
  std::shared_ptr<const Impl> impl;
  if (source == ZoneSource::SystemThenBuiltIn) {
    std::optional<TimeZone> zone = tryLoad(name, ZoneSource::System);
    if (!zone) zone = tryLoad(name, ZoneSource::BuiltIn);
    if (!zone) return std::nullopt;
    impl = zone->impl;
  } else {
    const std::optional<absl::TimeZone> engine =
        source == ZoneSource::System ? loadAbseil(name) : loadBuiltIn(name);
    if (!engine) return std::nullopt;
    impl = std::make_shared<const Impl>(*engine, std::string(name), std::string());
  }
  const std::unique_lock<std::shared_mutex> lock(mutex);
  return TimeZone(zones.try_emplace(std::string(name), std::move(impl)).first->second);
}

TimeZone TimeZone::load(std::string_view name) { return load(name, ZoneSource::SystemThenBuiltIn); }

TimeZone TimeZone::load(std::string_view name, ZoneSource source) {
  if (std::optional<TimeZone> zone = tryLoad(name, source)) return *std::move(zone);
  throw ZoneError((isIanaForm(name) ? "unknown time zone: " : "not a time zone name: ") +
                  detail::quoted(name));
}

std::vector<std::string> TimeZone::availableNames() {
  std::vector<std::string> names = detail::builtInNames();
  const std::filesystem::path directory = zoneDirectory();
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(directory, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::string name = it->path().lexically_relative(directory).generic_string();
    if (it.depth() == 0 && (name == "right" || name == "posix")) {
      it.disable_recursion_pending();
    } else if (name != "posixrules" && name != "localtime" && isIanaForm(name) &&
               isZoneFile(it->path())) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::string TimeZone::databaseVersion() {
  std::ifstream source(zoneDirectory() / "tzdata.zi");
  std::string line;
  constexpr std::string_view stated = "# version ";
  if (std::getline(source, line) && line.rfind(stated, 0) == 0 && line.size() > stated.size()) {
    return line.substr(stated.size());
  }
  return builtInDatabaseVersion();
}

std::string TimeZone::builtInDatabaseVersion() { return std::string(detail::builtInVersion()); }

TimeZone TimeZone::utc() {
  static const auto zone = std::make_shared<const Impl>(absl::UTCTimeZone(), "UTC", "UTC");
  return TimeZone(zone);
}

TimeZone TimeZone::fixed(int offsetSeconds) {
  const int offset = std::clamp(offsetSeconds, -86399, 86399);
  return TimeZone(std::make_shared<const Impl>(offset, offsetText(offset)));
}

TimeZone TimeZone::local() {
  // The zones of paths and rules, kept as tryLoad keeps names: there are as
  // many as TZ has had values.
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const Impl>, std::less<>> kept;
  const auto fromEngine = [](const absl::TimeZone& engine, std::string name) {
    auto zone = std::make_shared<const Impl>(engine, name, std::string());
    const std::lock_guard<std::mutex> lock(mutex);
    return TimeZone(kept.try_emplace(std::move(name), std::move(zone)).first->second);
  };
  const auto keptZone = [](std::string_view name) -> std::optional<TimeZone> {
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = kept.find(name); found != kept.end()) return TimeZone(found->second);
    return std::nullopt;
  };
  // A zone file at an absolute path, named by its IANA name where it has
  // one, else by `name`. The path comes from the process's environment, not
  // from a user, so it is read wherever it leads.
  const auto fromFile = [&fromEngine](std::string_view path,
                                      std::string name) -> std::optional<TimeZone> {
    if (const std::optional<std::string> iana = ianaNameOf(path)) {
      if (std::optional<TimeZone> zone = tryLoad(*iana)) return zone;
    }
    std::error_code error;
    absl::TimeZone zone;
    if (!std::filesystem::is_regular_file(path, error) ||
        !absl::LoadTimeZone(std::string(path), &zone)) {
      return std::nullopt;
    }
    return fromEngine(zone, std::move(name));
  };
  // NOLINTNEXTLINE(concurrency-mt-unsafe): read once, as the C library does
  const char* tz = std::getenv("TZ");
  if (tz == nullptr) return fromFile("/etc/localtime", "localtime").value_or(utc());
  std::string_view value(tz);
  if (value.empty()) return utc();
  if (value.front() == ':') value.remove_prefix(1);
  if (std::optional<TimeZone> zone = keptZone(value)) return *std::move(zone);
  // As the C library does: a file if there is one, else a rule.
  std::optional<TimeZone> zone =
      !value.empty() && value.front() == '/' ? fromFile(value, std::string(value)) : tryLoad(value);
  if (zone) return *std::move(zone);
  if (const std::optional<absl::TimeZone> rule = detail::loadRule(value)) {
    return fromEngine(*rule, std::string(value));
  }
  return utc();
}

std::string TimeZone::getName() const { return impl->name; }

ZoneOffset TimeZone::getOffset(const Date& utc) const {
  const detail::LocalType type = impl->typeAt(secondsOf(utc));
  return {type.offset, type.isDst,
          impl->abbreviation.empty() ? std::string(type.abbreviation) : impl->abbreviation};
}

Date TimeZone::toLocal(const Date& utc) const noexcept {
  const std::int64_t instant = secondsOf(utc);
  return dateOf(instant + impl->typeAt(instant).offset);
}

namespace {

// A local time of a gap or an overlap: out of line, so that the common
// case, a time that happens once, is not slowed by its frame.
[[gnu::noinline]] LocalTimeInfo ambiguous(const detail::LocalPlace& place) noexcept {
  if (place.kind == detail::LocalPlace::Skipped) {  // pre >= transition > post
    return {LocalTimeInfo::Skipped, dateOf(place.post), dateOf(place.pre),
            dateOf(place.transition)};
  }
  return {LocalTimeInfo::Repeated, dateOf(place.pre),
          dateOf(place.post),  // pre < transition <= post
          dateOf(place.transition)};
}

}  // namespace

// A clock leap second of a local time counts as the next minute's first
// second, in secondsOf, as abseil's civil times carry it.
LocalTimeInfo TimeZone::lookup(const Date& local) const noexcept {
  const detail::LocalPlace place = impl->placeOf(secondsOf(local));
  if (place.kind != detail::LocalPlace::Unique) return ambiguous(place);
  // Three dates of one instant, each built from its fields: a copy of one
  // date built in memory would be read back in wider words than written,
  // which stalls.
  const detail::Fields fields = detail::fromSeconds(place.pre);
  return {LocalTimeInfo::Unique, Date(fields), Date(fields), Date(fields)};
}

Date TimeZone::toUtc(const Date& local, Disambiguation d) const noexcept {
  // `pre` applies the offset from before a transition: in a gap that is the
  // later instant, in an overlap the earlier one, as Compatible asks.
  const detail::LocalPlace place = impl->placeOf(secondsOf(local));
  const bool preIsLater = place.kind == detail::LocalPlace::Skipped;
  switch (d) {
    case Disambiguation::Earlier: return dateOf(preIsLater ? place.post : place.pre);
    case Disambiguation::Later: return dateOf(preIsLater ? place.pre : place.post);
    default: return dateOf(place.pre);
  }
}

std::optional<Date> TimeZone::tryToUtc(const Date& local) const noexcept {
  const detail::LocalPlace place = impl->placeOf(secondsOf(local));
  if (place.kind != detail::LocalPlace::Unique) return std::nullopt;
  return dateOf(place.pre);
}

// abseil also reports changes of only the abbreviation or the daylight-saving
// flag; those are skipped. Each step moves strictly on, and stops at the
// edge of the years a date holds, so the search ends even for rules that
// change nothing but a flag.
std::optional<Date> TimeZone::nextTransition(const Date& utc) const noexcept {
  std::int64_t after = secondsOf(utc);
  while (const std::optional<std::int64_t> candidate = impl->candidateAfter(after)) {
    if (*candidate <= after || *candidate > lastSecond) break;
    if (impl->offsetChangesAt(*candidate)) return dateOf(*candidate);
    after = *candidate;
  }
  return std::nullopt;
}

std::optional<Date> TimeZone::prevTransition(const Date& utc) const noexcept {
  std::int64_t before = secondsOf(utc);
  while (const std::optional<std::int64_t> candidate = impl->candidateBefore(before)) {
    if (*candidate >= before || *candidate < firstSecond) break;
    if (impl->offsetChangesAt(*candidate)) return dateOf(*candidate);
    before = *candidate;
  }
  return std::nullopt;
}

Date TimeZone::now() const noexcept { return toLocal(Date()); }

std::string TimeZone::toIsoString(const Date& utc) const { return toIsoString(Timestamp(utc)); }

Timestamp TimeZone::toLocal(const Timestamp& utc) const noexcept {
  return {toLocal(utc.getDate()), utc.getNanosecond()};
}

Timestamp TimeZone::toUtc(const Timestamp& local, Disambiguation d) const noexcept {
  return {toUtc(local.getDate(), d), local.getNanosecond()};
}

std::optional<Timestamp> TimeZone::tryToUtc(const Timestamp& local) const noexcept {
  const std::optional<Date> utc = tryToUtc(local.getDate());
  if (!utc) return std::nullopt;
  return Timestamp(*utc, local.getNanosecond());
}

std::string TimeZone::toIsoString(const Timestamp& utc) const {
  const std::int64_t instant = secondsOf(utc.getDate());
  const std::int32_t offset = impl->typeAt(instant).offset;
  std::string text = Timestamp(dateOf(instant + offset), utc.getNanosecond()).toIsoString();
  text.pop_back();  // the "Z"
  return text + offsetText(offset);
}

}  // namespace Date
