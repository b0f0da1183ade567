// normdate against peer date libraries, in one binary of one file per area:
// normalisation, calendar questions, text, time zones, recurrences, zoned
// times, spans, strftime-style and HTTP text, and business days.
// Before any timing, every peer is checked to give normdate's answer on
// every input of every row; a row of a peer that differs anywhere is never
// timed. This header holds what the areas share: the fixed-seed workloads
// and the check.
#ifndef NORMDATE_BENCH_BENCH_H_
#define NORMDATE_BENCH_BENCH_H_

#include <benchmark/benchmark.h>
#include <normdate/date.h>

#include <array>
#include <cstdint>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace bench {

// Six fields, as every library gives them back.
struct Fields {
  int year, month, day, hour, minute, second;
  friend bool operator==(const Fields&, const Fields&) = default;
};

std::ostream& operator<<(std::ostream& o, const Fields& f);

// Inline, as a caller's own reading of the fields would be.
inline Fields fieldsOf(const Date::Date& d) {
  return {d.getYear(), d.getMonth(), d.getDay(), d.getHour(), d.getMinute(), d.getSecond()};
}

std::int64_t floorMod(std::int64_t value, std::int64_t divisor);
std::int64_t floorDiv(std::int64_t value, std::int64_t divisor);

// Workloads are fixed-seed arrays of this many inputs, cycled through.
inline constexpr std::size_t kInputs = 4096;

int uniform(std::mt19937_64& random, int low, int high);

// Six fields of one of three kinds: "valid" (every field in range, years
// 0..9999), "day_shift" (a valid date whose day is off by up to +-200000)
// and "wild" (every field from a wide range).
const std::vector<Fields>& workload(const std::string& name);
inline const std::array<std::string, 3> kWorkloads = {"valid", "day_shift", "wild"};

// The workload's fields as normdate's dates.
std::vector<Date::Date> dates(const std::string& name);

// Counts the peers' results that differ from normdate's, and prints the
// first few.
class Mismatches {
 public:
  template <class Input, class Got, class Expected>
  void report(const std::string& what, const Input& input, const Got& got,
              const Expected& expected) {
    if (++count <= 20) {
      std::cerr << what << " on " << input << ": " << got << ", normdate " << expected << '\n';
    }
  }
  [[nodiscard]] int total() const { return count; }

 private:
  int count = 0;
};

// `run` on each of `inputs` in turn, cycled, in the timing loop.
template <class Input, class Run>
void cycle(benchmark::State& state, const std::vector<Input>& inputs, Run run) {
  std::size_t i = 0;
  for (auto _ : state) {
    auto result = run(inputs[i]);
    benchmark::DoNotOptimize(result);
    if (++i == inputs.size()) i = 0;
  }
}

// Each area checks its peers, then registers its rows.
void checkNormalisation(Mismatches& mismatches);
void registerNormalisation();
void checkCalendar(Mismatches& mismatches);
void registerCalendar();
void checkText(Mismatches& mismatches);
void registerText();
void checkZones(Mismatches& mismatches);
void registerZones();
void checkRecurrences(Mismatches& mismatches);
void registerRecurrences();
void checkZoned(Mismatches& mismatches);
void registerZoned();
void checkSpans(Mismatches& mismatches);
void registerSpans();
void checkConversions(Mismatches& mismatches);
void registerConversions();
void checkBusiness(Mismatches& mismatches);
void registerBusiness();

}  // namespace bench

#endif  // NORMDATE_BENCH_BENCH_H_
