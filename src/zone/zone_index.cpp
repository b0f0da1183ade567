#include "zone/zone_index.h"

#include <algorithm>
#include <limits>

namespace Date::detail {

namespace {

LocalType typeOf(const absl::TimeZone::CivilInfo& info) {
  return {static_cast<std::int32_t>(info.offset), info.is_dst, info.zone_abbr};
}

LocalType typeAtInstant(const absl::TimeZone& zone, std::int64_t instant) {
  return typeOf(zone.At(absl::FromUnixSeconds(instant)));
}

// The index of `type` in `types`, added if new.
std::size_t indexOf(std::vector<LocalType>& types, const LocalType& type) {
  const auto found = std::find(types.begin(), types.end(), type);
  if (found != types.end()) return static_cast<std::size_t>(found - types.begin());
  types.push_back(type);
  return types.size() - 1;
}

// Two days before 0000-01-01: no instant or local time of a date is earlier.
constexpr std::int64_t earliest = -62167392000;

}  // namespace

ZoneIndex::ZoneIndex(const absl::TimeZone& zone, std::size_t budget) {
  // The transitions abseil lists, in order, from the earliest a date needs.
  absl::TimeZone::CivilTransition transition;
  for (absl::Time after = absl::FromUnixSeconds(earliest);
       zone.NextTransition(after, &transition);) {
    const absl::Time at = zone.At(transition.to).trans;
    if (at <= after) break;
    instants.push_back(absl::ToUnixSeconds(at));
    after = at;
  }
  types.push_back(typeAtInstant(zone, instants.empty() ? 0 : instants.front() - 1));
  std::vector<std::size_t> found;
  for (const std::int64_t instant : instants)
    found.push_back(indexOf(types, typeAtInstant(zone, instant)));
  if (types.size() > 256) return;  // more than abseil itself can have: not indexed
  for (const std::size_t type : found) typeAfter.push_back(static_cast<std::uint8_t>(type));
  complete = true;
  if (instants.empty()) return;
  last = instants.back();
  // Past `last`, abseil answers the cycle after it as the cycle before it,
  // whose last instant precedes the last transition: the type differs there
  // only where the rules repeat.
  repeating = typeAtInstant(zone, last) != typeAtInstant(zone, last + cycleSeconds - 1);
  // The tables answer where a repeating zone lists a whole cycle, and where
  // each gap or overlap ends before the next begins; abseil's zones do.
  if (repeating && last - cycleSeconds < instants.front()) complete = false;
  for (std::size_t i = 1; i < instants.size(); ++i) {
    const std::int64_t start = instants[i] + std::min(offsetBefore(i), offsetAfter(i));
    if (start < windowEnd(i - 1)) complete = false;
  }
  if (instants.size() > std::numeric_limits<std::uint16_t>::max()) complete = false;
  if (complete) buildBuckets(budget);
}

// Buckets of 2^shift seconds, as short as the budget allows (from 2^20 s,
// 12 days, on), each with the first transition at or after its start, over
// instants and over local times. A lookup then scans only the transitions
// of one bucket: at most one, or a few where a zone changed often.
void ZoneIndex::buildBuckets(std::size_t budget) {
  const std::size_t n = instants.size();
  instantBase = instants.front();
  localBase = instants.front() + std::min(offsetBefore(0), offsetAfter(0));
  localEnd = windowEnd(n - 1);
  const std::int64_t localSpan = localEnd - localBase;
  const std::int64_t instantSpan = last - instantBase;
  const std::size_t fixed = types.size() * sizeof(LocalType) + n * (sizeof(std::int64_t) + 1);
  for (shift = 20; shift < 62; ++shift) {
    const auto buckets =
        static_cast<std::size_t>((instantSpan >> shift) + (localSpan >> shift) + 2);
    if (fixed + buckets * sizeof(std::uint16_t) <= budget) break;
  }
  byInstant.resize(static_cast<std::size_t>((instantSpan >> shift) + 1));
  std::size_t i = 0;
  for (std::size_t b = 0; b < byInstant.size(); ++b) {
    const std::int64_t start = instantBase + (static_cast<std::int64_t>(b) << shift);
    while (i < n && instants[i] < start) ++i;
    byInstant[b] = static_cast<std::uint16_t>(i);
  }
  byLocal.resize(static_cast<std::size_t>((localSpan >> shift) + 1));
  i = 0;
  for (std::size_t b = 0; b < byLocal.size(); ++b) {
    const std::int64_t start = localBase + (static_cast<std::int64_t>(b) << shift);
    while (i < n && windowEnd(i) <= start) ++i;
    byLocal[b] = static_cast<std::uint16_t>(i);
  }
}

std::size_t ZoneIndex::bytes() const noexcept {
  return types.size() * sizeof(LocalType) + instants.size() * sizeof(std::int64_t) +
         typeAfter.size() + (byInstant.size() + byLocal.size()) * sizeof(std::uint16_t);
}

}  // namespace Date::detail
