// Checks every peer against normdate, then times every row.

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

std::ostream& operator<<(std::ostream& o, const Fields& f) {
  return o << f.year << ',' << f.month << ',' << f.day << ',' << f.hour << ',' << f.minute << ','
           << f.second;
}

std::int64_t floorMod(std::int64_t value, std::int64_t divisor) {
  return ((value % divisor) + divisor) % divisor;
}

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
  return (value - floorMod(value, divisor)) / divisor;
}

int uniform(std::mt19937_64& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

namespace {

Fields validFields(std::mt19937_64& random) {
  const int year = uniform(random, 0, 9999);
  const int month = uniform(random, 1, 12);
  const int day = uniform(random, 1, month == 2 ? 28 : 30);
  return {year, month, day, uniform(random, 0, 23), uniform(random, 0, 59), uniform(random, 0, 59)};
}

std::vector<Fields> makeWorkload(const std::string& name) {
  std::mt19937_64 random(std::hash<std::string>{}(name));
  std::vector<Fields> inputs(kInputs);
  for (Fields& f : inputs) {
    if (name == "valid") {
      f = validFields(random);
    } else if (name == "day_shift") {
      f = validFields(random);
      f.day += uniform(random, -200000, 200000);
    } else {  // wild
      // The month range keeps timegm's tm_year (a year near 9999 plus the
      // carried months) within an int, which the others do not need.
      f = {uniform(random, -100000, 100000),     uniform(random, -10000, 10000),
           uniform(random, -10000000, 10000000), uniform(random, -1000000, 1000000),
           uniform(random, -10000000, 10000000), uniform(random, -1000000000, 1000000000)};
    }
  }
  return inputs;
}

}  // namespace

const std::vector<Fields>& workload(const std::string& name) {
  static const std::array<std::vector<Fields>, 3> all = {
      makeWorkload(kWorkloads[0]), makeWorkload(kWorkloads[1]), makeWorkload(kWorkloads[2])};
  for (std::size_t i = 0; i < kWorkloads.size(); ++i) {
    if (kWorkloads[i] == name) return all[i];
  }
  std::abort();
}

std::vector<Date::Date> dates(const std::string& name) {
  std::vector<Date::Date> result;
  for (const Fields& f : workload(name)) {
    result.emplace_back(f.year, f.month, f.day, f.hour, f.minute, f.second);
  }
  return result;
}

}  // namespace bench

int main(int argc, char** argv) {
  bench::Mismatches mismatches;
  bench::checkNormalisation(mismatches);
  bench::checkCalendar(mismatches);
  bench::checkText(mismatches);
  bench::checkZones(mismatches);
  bench::checkRecurrences(mismatches);
  bench::checkZoned(mismatches);
  bench::checkSpans(mismatches);
  bench::checkConversions(mismatches);
  bench::checkBusiness(mismatches);
  if (mismatches.total() > 0) {
    std::cerr << mismatches.total() << " results differ from normdate's; no timing done\n";
    return 1;
  }
  std::cerr << "every peer agrees with normdate on every input\n";
  bench::registerNormalisation();
  bench::registerCalendar();
  bench::registerText();
  bench::registerZones();
  bench::registerRecurrences();
  bench::registerZoned();
  bench::registerSpans();
  bench::registerConversions();
  bench::registerBusiness();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
