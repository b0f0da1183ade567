// Internal: a time zone's offsets and local times in O(1), from tables built
// once, when the zone is loaded, out of abseil's own answers. abseil stays
// the only reader of the zone database and the source of truth; the index
// is a cache of what it says. Not installed.
#ifndef NORMDATE_ZONE_INDEX_H_
#define NORMDATE_ZONE_INDEX_H_

#include <absl/time/time.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Date::detail {

// A stretch of a zone's time between two transitions.
struct LocalType {
  std::int32_t offset;            // east of UTC, in seconds
  bool isDst;                     // daylight saving (or another non-standard) time
  std::string_view abbreviation;  // abseil's own text, which it keeps for good
  friend bool operator==(const LocalType&, const LocalType&) = default;
};

// A local time's place among a zone's transitions, as abseil's TimeInfo
// gives it: `pre` is its instant under the offset before the transition,
// `post` under the one after, both in seconds since 1970; for a time that
// happens once, all three are its instant.
struct LocalPlace {
  enum Kind { Unique, Skipped, Repeated };
  Kind kind;
  std::int64_t pre;
  std::int64_t transition;
  std::int64_t post;
};

// 400 Gregorian years, after which the calendar, and so every rule of the
// zone database, repeats.
inline constexpr std::int64_t cycleSeconds = 146097 * std::int64_t{86400};

class ZoneIndex {
 public:
  // The bytes of tables a zone takes at most, unless told otherwise.
  static constexpr std::size_t defaultBudget = std::size_t{64} * 1024;

  // The tables of `zone`, their buckets as short as `budget` bytes in all
  // allow; a zone whose transitions alone take more has one bucket of each
  // kind.
  explicit ZoneIndex(const absl::TimeZone& zone, std::size_t budget = defaultBudget);

  // The tables of a zone of one type for all time, such as a fixed offset.
  explicit ZoneIndex(const LocalType& always) : types{always}, complete(true) {}

  // Whether the tables answer for the zone, which they do for every zone
  // abseil loads from the database; where not, ask abseil.
  [[nodiscard]] bool answers() const noexcept { return complete; }

  // The stretch of time the instant falls in: abseil's At(Time).
  // Precondition: answers(), as for placeOf.
  [[nodiscard]] const LocalType& typeAt(std::int64_t instant) const noexcept;

  // What a local time, in seconds as if UTC, is: abseil's At(CivilSecond).
  [[nodiscard]] LocalPlace placeOf(std::int64_t local) const noexcept;

  // abseil lists transitions up to this last one; past it, it answers with
  // that one's type, or, where the rules repeat, as whole cycles earlier.
  [[nodiscard]] std::int64_t lastListed() const noexcept { return last; }
  [[nodiscard]] bool repeats() const noexcept { return repeating; }

  // The bytes of the tables.
  [[nodiscard]] std::size_t bytes() const noexcept;

 private:
  [[nodiscard]] std::int32_t offsetBefore(std::size_t i) const noexcept {
    return types[i == 0 ? 0 : typeAfter[i - 1]].offset;
  }
  [[nodiscard]] std::int32_t offsetAfter(std::size_t i) const noexcept {
    return types[typeAfter[i]].offset;
  }
  // Where the gap or overlap of transition i ends, in local seconds.
  [[nodiscard]] std::int64_t windowEnd(std::size_t i) const noexcept {
    return instants[i] + std::max(offsetBefore(i), offsetAfter(i));
  }
  // placeOf within the listed transitions: local < localEnd.
  [[nodiscard]] LocalPlace placeWithin(std::int64_t local) const noexcept;
  void buildBuckets(std::size_t budget);

  std::vector<LocalType> types;         // at most 256, as abseil's own; the first
                                        // is the one before the first transition
  std::vector<std::int64_t> instants;   // the transitions, in order
  std::vector<std::uint8_t> typeAfter;  // the type from each on
  std::int64_t last = 0;                // the last transition listed
  bool repeating = false;               // whether the rules repeat past it
  bool complete = false;
  unsigned shift = 0;                    // buckets are 2^shift seconds long
  std::int64_t instantBase = 0;          // where the first bucket of each kind
  std::int64_t localBase = 0;            // starts
  std::int64_t localEnd = 0;             // where the last window ends
  std::vector<std::uint16_t> byInstant;  // the first transition at or after a bucket's start
  std::vector<std::uint16_t> byLocal;    // the first whose window ends after it
};

// Inline, as the conversions that ask them each ask once and do little
// more.

inline const LocalType& ZoneIndex::typeAt(std::int64_t instant) const noexcept {
  if (instants.empty() || instant < instantBase) return types[0];
  if (instant >= last) {
    if (!repeating) return types[typeAfter.back()];
    instant -= ((instant - last) / cycleSeconds + 1) * cycleSeconds;  // [last - cycle, last)
  }
  // The first transition after the instant: it is before the last one.
  std::size_t i = byInstant[static_cast<std::size_t>((instant - instantBase) >> shift)];
  while (instants[i] <= instant) ++i;
  return types[typeAfter[i - 1]];
}

inline LocalPlace ZoneIndex::placeWithin(std::int64_t local) const noexcept {
  // The first transition whose gap or overlap ends after the local time.
  std::size_t i = byLocal[static_cast<std::size_t>((local - localBase) >> shift)];
  while (windowEnd(i) <= local) ++i;
  const std::int32_t before = offsetBefore(i);
  const std::int32_t after = offsetAfter(i);
  const std::int64_t pre = local - before;
  if (local < instants[i] + std::min(before, after)) return {LocalPlace::Unique, pre, pre, pre};
  return {after > before ? LocalPlace::Skipped : LocalPlace::Repeated, pre, instants[i],
          local - after};
}

inline LocalPlace ZoneIndex::placeOf(std::int64_t local) const noexcept {
  if (instants.empty() || local < localBase) {
    const std::int64_t instant = local - types[0].offset;
    return {LocalPlace::Unique, instant, instant, instant};
  }
  if (local < localEnd) return placeWithin(local);
  if (!repeating) {
    const std::int64_t instant = local - types[typeAfter.back()].offset;
    return {LocalPlace::Unique, instant, instant, instant};
  }
  // Whole cycles earlier, and the instants as many cycles later.
  const std::int64_t shiftBack = ((local - localEnd) / cycleSeconds + 1) * cycleSeconds;
  LocalPlace place = placeWithin(local - shiftBack);
  place.pre += shiftBack;
  place.transition += shiftBack;
  place.post += shiftBack;
  return place;
}

}  // namespace Date::detail

#endif  // NORMDATE_ZONE_INDEX_H_
