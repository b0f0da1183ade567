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
#include "zone/zone_impl.h"
#include "zone/zone_index.h"
#include "zone/zone_rule.h"
#include "zone/zone_source.h"

namespace Date {

namespace {

using detail::cycleSeconds;
using detail::firstSecond;
using detail::inCalendar;
using detail::lastSecond;
using detail::offsetText;

}  // namespace

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

namespace {

// A zone kept for the life of the program, shared without a count of its
// users: copying a TimeZone of it, as every ZonedTime does, writes to no
// counter that other threads share.
template <class Zone>
std::shared_ptr<const Zone> unowned(const Zone* zone) noexcept {
  return std::shared_ptr<const Zone>(std::shared_ptr<const Zone>(), zone);
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
  using Zones = std::unordered_map<std::string, const Impl*, NameHash, std::equal_to<>>;
  static std::shared_mutex mutex;
  static auto& loaded = *new std::array<Zones, 3>;  // never freed: zones outlive their users
  Zones& zones = loaded[static_cast<std::size_t>(source)];
  {
    const std::shared_lock<std::shared_mutex> lock(mutex);
    if (const auto found = zones.find(name); found != zones.end()) {
      return TimeZone(unowned(found->second));
    }
  }
  const Impl* impl = nullptr;
  if (source == ZoneSource::SystemThenBuiltIn) {
    std::optional<TimeZone> zone = tryLoad(name, ZoneSource::System);
    if (!zone) zone = tryLoad(name, ZoneSource::BuiltIn);
    if (!zone) return std::nullopt;
    impl = zone->impl.get();
  } else {
    const std::optional<absl::TimeZone> engine =
        source == ZoneSource::System ? loadAbseil(name) : loadBuiltIn(name);
    if (!engine) return std::nullopt;
    impl = new Impl(*engine, std::string(name), std::string());
  }
  const std::unique_lock<std::shared_mutex> lock(mutex);
  const auto [kept, added] = zones.try_emplace(std::string(name), impl);
  if (!added && source != ZoneSource::SystemThenBuiltIn) delete impl;  // loaded by another thread
  return TimeZone(unowned(kept->second));
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
  static const Impl* const zone = new Impl(absl::UTCTimeZone(), "UTC", "UTC");
  return TimeZone(unowned(zone));
}

TimeZone TimeZone::fixed(int offsetSeconds) {
  const int offset = std::clamp(offsetSeconds, -86399, 86399);
  return TimeZone(std::make_shared<const Impl>(offset, offsetText(offset)));
}

TimeZone TimeZone::local() {
  // The zones of paths and rules, kept as tryLoad keeps names: there are as
  // many as TZ has had values.
  static std::mutex mutex;
  static auto& kept = *new std::map<std::string, std::unique_ptr<const Impl>, std::less<>>;
  const auto fromEngine = [](const absl::TimeZone& engine, std::string name) {
    auto zone = std::make_unique<const Impl>(engine, name, std::string(), false);
    const std::lock_guard<std::mutex> lock(mutex);
    return TimeZone(
        unowned(kept.try_emplace(std::move(name), std::move(zone)).first->second.get()));
  };
  const auto keptZone = [](std::string_view name) -> std::optional<TimeZone> {
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = kept.find(name); found != kept.end()) {
      return TimeZone(unowned(found->second.get()));
    }
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
  return dateOf(Impl::instantOf(impl->placeOf(secondsOf(local)), d));
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

Timestamp TimeZone::localAt(std::int64_t seconds, int nanosecond) const noexcept {
  const std::int64_t instant = inCalendar(seconds);
  return Timestamp::fromUnixTime(instant + impl->typeAt(instant).offset, nanosecond);
}

std::string TimeZone::toIsoString(const Timestamp& utc) const {
  const std::int64_t instant = secondsOf(utc.getDate());
  const std::int32_t offset = impl->typeAt(instant).offset;
  std::string text = Timestamp(dateOf(instant + offset), utc.getNanosecond()).toIsoString();
  text.pop_back();  // the "Z"
  return text + offsetText(offset);
}

}  // namespace Date
