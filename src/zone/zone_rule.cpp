// POSIX TZ rules through abseil. abseil reads a rule only as the footer of
// zone data (a TZif file, RFC 8536), and lets a program supply zone data for
// a name through its zone-info source hook. So a rule is loaded here as such
// data, made in memory: abseil parses the rule, generates its transitions
// and answers every conversion; nothing here evaluates a rule.

#include "zone/zone_rule.h"

#include <absl/time/internal/cctz/src/time_zone_posix.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "zone/zone_source.h"

namespace cctz = absl::time_internal::cctz;

namespace Date::detail {

namespace {

// 400 Gregorian years, after which every rule repeats.
constexpr std::int64_t cycleSeconds = 146097 * std::int64_t{86400};

// The names under which rules are given to abseil: the rule's zone, and
// the draft from which its data is made.
constexpr std::string_view rulePrefix = "normdate-rule:";
constexpr std::string_view draftPrefix = "normdate-rule-draft:";

// A local time type of zone data.
struct LocalType {
  std::int32_t offset;
  bool isDst;
  std::string abbreviation;
};

// From `instant` on, the local time type `type` applies.
struct Transition {
  std::int64_t instant;
  std::uint8_t type;
};

void putBigEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
    out += static_cast<char>(value >> shift & 0xFF);
  }
}

// Version 2 zone data with these types and transitions and `rule` as its
// footer, and no version 1 data (abseil reads the 64-bit data that follows).
// Preconditions: at most 255 types, whose abbreviations with a NUL each
// take at most 255 bytes; the transitions in order of their instants.
std::string zoneData(const std::vector<LocalType>& types,
                     const std::vector<Transition>& transitions, std::string_view rule) {
  std::string abbreviations;
  std::vector<std::size_t> abbreviationAt;
  for (const LocalType& type : types) {
    abbreviationAt.push_back(abbreviations.size());
    abbreviations += type.abbreviation;
    abbreviations += '\0';
  }
  std::string data;
  const auto header = [&data](std::size_t times, std::size_t typeCount, std::size_t chars) {
    data += "TZif2";
    data.append(15, '\0');
    for (const std::size_t count :
         {std::size_t{0}, std::size_t{0}, std::size_t{0}, times, typeCount, chars}) {
      putBigEndian(data, count, 4);  // UT and standard indicators, leap seconds, then these
    }
  };
  header(0, 0, 0);
  header(transitions.size(), types.size(), abbreviations.size());
  for (const Transition& t : transitions)
    putBigEndian(data, static_cast<std::uint64_t>(t.instant), 8);
  for (const Transition& t : transitions) data += static_cast<char>(t.type);
  for (std::size_t i = 0; i < types.size(); ++i) {
    putBigEndian(data, static_cast<std::uint32_t>(types[i].offset), 4);
    data += static_cast<char>(types[i].isDst ? 1 : 0);
    data += static_cast<char>(abbreviationAt[i]);
  }
  data += abbreviations;
  data += '\n';
  data += rule;
  data += '\n';
  return data;
}

// A draft of a rule's zone: one transition at the start of 1599 (local
// time) into type `seedType`, and the rule, which abseil follows from there.
struct Draft {
  absl::TimeZone zone;
  std::int64_t seed;
};

std::optional<Draft> loadDraft(const std::string& rule, const std::vector<LocalType>& types,
                               std::uint8_t seedType) {
  constexpr std::int64_t start1599 = -11707632000;  // 1599-01-01 00:00:00 UTC
  const std::int64_t seed = start1599 - types[seedType].offset;
  const std::optional<absl::TimeZone> zone =
      loadAs(std::string(draftPrefix) + std::to_string(seedType) + ":" + rule,
             zoneData(types, {{seed, seedType}}, rule));
  if (!zone) return std::nullopt;
  return Draft{*zone, seed};
}

// A rule with daylight-saving time. abseil lists a rule's transitions for
// the 400 years from the year of the data's last transition, and answers
// later instants by whole cycles, but only where those years end after
// 1970, and before the first transition it knows of it gives the type of
// that transition. So a draft seeded with one transition at the start of
// 1599 answers the rule from 1599 on; its cycle of transitions, moved back
// by whole cycles, lists them from the year -1 on in the zone made from it.
// The seed is in the type the rule gives on January 1: where daylight time
// spans the new year (AEST-10AEDT,M10.1.0,M4.1.0/3), a seed in standard
// time would make abseil drop April's end of daylight time as no change.
std::optional<absl::TimeZone> loadWithDaylightTime(const std::string& rule,
                                                   const std::vector<LocalType>& types) {
  std::optional<Draft> draft = loadDraft(rule, types, 0);
  // A cycle on, the draft answers from the rule's own transitions alone.
  if (draft && draft->zone.At(absl::FromUnixSeconds(draft->seed + cycleSeconds)).is_dst) {
    draft = loadDraft(rule, types, 1);
  }
  if (!draft) return std::nullopt;
  const std::int64_t seed = draft->seed;
  std::vector<Transition> cycle;
  absl::TimeZone::CivilTransition next;
  for (absl::Time after = absl::FromUnixSeconds(seed); draft->zone.NextTransition(after, &next);) {
    after = draft->zone.At(next.to).trans;
    const std::int64_t instant = absl::ToUnixSeconds(after);
    if (instant > seed + cycleSeconds) break;
    cycle.push_back({instant, static_cast<std::uint8_t>(draft->zone.At(after).is_dst ? 1 : 0)});
  }
  std::vector<Transition> transitions;
  for (std::int64_t cycles = 4; cycles >= 1; --cycles) {
    for (const Transition& t : cycle)
      transitions.push_back({t.instant - cycles * cycleSeconds, t.type});
  }
  return loadAs(std::string(rulePrefix) + rule, zoneData(types, transitions, rule));
}

// True for the rule that zic writes for daylight time all year (RFC 8536,
// section 3.3.1): it starts at 00:00 on January 1 and ends at 24:00 plus the
// daylight-time shift on December 31. This abseil lists such a rule's start
// and end as one instant, and so answers standard time all year; later
// versions recognise it, as this does.
bool isDaylightTimeAllYear(const cctz::PosixTimeZone& posix) {
  const cctz::PosixTransition& start = posix.dst_start;
  const cctz::PosixTransition& end = posix.dst_end;
  return start.date.fmt == cctz::PosixTransition::N && start.date.n.day == 0 &&
         start.time.offset == 0 && end.date.fmt == cctz::PosixTransition::J &&
         end.date.j.day == 365 && end.time.offset + posix.std_offset - posix.dst_offset == 86400;
}

}  // namespace

std::optional<absl::TimeZone> loadRule(std::string_view rule) {
  // Rules are loaded one at a time, and each once: the zones abseil made
  // of them are kept here.
  static std::mutex mutex;
  static std::map<std::string, absl::TimeZone, std::less<>> loaded;
  const std::lock_guard<std::mutex> lock(mutex);
  if (const auto found = loaded.find(rule); found != loaded.end()) return found->second;
  const std::string text(rule);
  cctz::PosixTimeZone posix;
  if (!cctz::ParsePosixSpec(text, &posix)) return std::nullopt;
  std::vector<LocalType> types = {
      {static_cast<std::int32_t>(posix.std_offset), false, posix.std_abbr}};
  if (!posix.dst_abbr.empty()) {
    types.push_back({static_cast<std::int32_t>(posix.dst_offset), true, posix.dst_abbr});
  }
  // A type names its abbreviation by a byte's index into them, as abseil's
  // own types do.
  if (types.size() == 2 && posix.std_abbr.size() + 1 > 255) return std::nullopt;
  std::optional<absl::TimeZone> zone;
  const std::string name = std::string(rulePrefix) + text;
  if (types.size() == 1) {
    zone = loadAs(name, zoneData(types, {}, text));
  } else if (isDaylightTimeAllYear(posix)) {
    zone = loadAs(name, zoneData({types[1]}, {}, ""));  // no footer: the one type stays
  } else {
    zone = loadWithDaylightTime(text, types);
  }
  if (zone) loaded.emplace(text, *zone);
  return zone;
}

}  // namespace Date::detail
