// Spans against the date library, written the way its users write them:
// the difference of two instants in years, months, days and time of day
// (months from year_month_day, a step back where the day overshoots, the
// day clamped, then days and hh_mm_ss), and an instant moved by such a
// span (year_month_day plus months, the day clamped, then days and the
// time). Both take time points of nanoseconds and give fields; every pair
// is checked first to give the same fields.

#include <date/date.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

using std::chrono::nanoseconds;
using Instant = date::sys_time<nanoseconds>;

struct Pair {
  Instant from;
  Instant to;
  Date::Timestamp fromTimestamp;
  Date::Timestamp toTimestamp;
  Date::Span span;  // to - from, largest the year
};

const std::vector<Pair>& pairs() {
  static const std::vector<Pair> all = [] {
    std::mt19937_64 random(9);
    const std::int64_t first = Date::Date(1970, Date::Jan, 1).toTimeT();
    const std::int64_t last = Date::Date(2200, Date::Dec, 31).toTimeT();
    std::vector<Pair> result;
    for (std::size_t i = 0; i < kInputs; ++i) {
      std::array<std::int64_t, 2> ends{};
      for (std::int64_t& end : ends) {
        end = (first +
               static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(last - first))) *
                  1'000'000'000 +
              static_cast<std::int64_t>(random() % 1'000'000'000);
      }
      if (ends[1] < ends[0]) std::swap(ends[0], ends[1]);
      const Instant from{nanoseconds(ends[0])};
      const Instant to{nanoseconds(ends[1])};
      const Date::Timestamp a(from);
      const Date::Timestamp b(to);
      result.push_back({from, to, a, b, a.until(b, {.largest = Date::Unit::Year})});
    }
    return result;
  }();
  return all;
}

Date::Span untilNormdate(const Pair& p) {
  return p.fromTimestamp.until(p.toTimestamp, {.largest = Date::Unit::Year});
}

Date::Span untilDateLib(const Pair& p) {
  const date::sys_days fromDay = date::floor<date::days>(p.from);
  date::sys_days toDay = date::floor<date::days>(p.to);
  const nanoseconds fromTime = p.from - fromDay;
  nanoseconds toTime = p.to - toDay;
  if (toTime < fromTime) {  // the time borrows the end's day
    toDay -= date::days{1};
    toTime += date::days{1};
  }
  const date::year_month_day a{fromDay};
  const date::year_month_day b{toDay};
  int months = (static_cast<int>(b.year()) - static_cast<int>(a.year())) * 12 +
               static_cast<int>(static_cast<unsigned>(b.month())) -
               static_cast<int>(static_cast<unsigned>(a.month()));
  if (b.day() < a.day()) --months;  // a step back where the day overshoots
  const date::year_month moved = a.year() / a.month() + date::months{months};
  const date::day last = (moved / date::last).day();
  const date::sys_days start{moved / (a.day() < last ? a.day() : last)};
  const date::hh_mm_ss<nanoseconds> time{toTime - fromTime};
  return {months / 12,
          months % 12,
          0,
          (toDay - start).count(),
          time.hours().count(),
          time.minutes().count(),
          time.seconds().count(),
          time.subseconds().count()};
}

Date::Timestamp addNormdate(const Pair& p) { return p.fromTimestamp.add(p.span); }

Instant addDateLib(const Pair& p) {
  const date::sys_days day = date::floor<date::days>(p.from);
  const date::year_month_day ymd =
      date::year_month_day{day} + date::months{p.span.years * 12 + p.span.months};
  const date::year_month_day clamped =
      ymd.ok() ? ymd : date::year_month_day{ymd.year() / ymd.month() / date::last};
  return date::sys_days{clamped} + date::days{p.span.weeks * 7 + p.span.days} + (p.from - day) +
         std::chrono::hours{p.span.hours} + std::chrono::minutes{p.span.minutes} +
         std::chrono::seconds{p.span.seconds} + nanoseconds{p.span.nanoseconds};
}

template <auto run>
void registerRow(const char* name) {
  benchmark::RegisterBenchmark(name, [](benchmark::State& state) {
    cycle(state, pairs(), [](const Pair& p) { return run(p); });
  });
}

}  // namespace

void checkSpans(Mismatches& mismatches) {
  for (const Pair& p : pairs()) {
    if (untilDateLib(p) != untilNormdate(p)) {
      mismatches.report("span/until date", p.fromTimestamp, untilDateLib(p).toIsoString(),
                        untilNormdate(p).toIsoString());
    }
    if (Date::Timestamp(addDateLib(p)) != addNormdate(p) || addNormdate(p) != p.toTimestamp) {
      mismatches.report("span/add date", p.fromTimestamp, Date::Timestamp(addDateLib(p)),
                        addNormdate(p));
    }
  }
}

void registerSpans() {
  registerRow<untilNormdate>("span/until_largest_year/normdate");
  registerRow<untilDateLib>("span/until_largest_year/date");
  registerRow<addNormdate>("span/add/normdate");
  registerRow<addDateLib>("span/add/date");
}

}  // namespace bench
