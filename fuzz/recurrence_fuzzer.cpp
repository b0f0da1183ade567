// Any bytes as a recurrence rule, from any start: no crash and no endless
// loop; the throwing and the optional readers agree; the occurrences ascend
// from the start; lookups agree with iteration; and the canonical text
// reads back to a rule with the same occurrences.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/recurrence.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Date::Date start(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                         in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                         in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>());
  const int lookup = in.ConsumeIntegral<int>();
  const std::string text = in.ConsumeRemainingBytesAsString();
  const std::optional<Date::Recurrence> read = Date::Recurrence::tryParse(text, start);
  try {
    const Date::Recurrence parsed = Date::Recurrence::parse(text, start);
    FUZZ_CHECK(read && read->toString() == parsed.toString(), text);
  } catch (const Date::ParseError& error) {
    FUZZ_CHECK(!read, "threw on a rule the other read: " << error.what());
    FUZZ_CHECK(error.offset() <= text.size(), error.what());
  }
  if (!read) return 0;

  std::vector<Date::Date> dates;
  for (const Date::Date& d : *read) {
    FUZZ_CHECK(!(d < start) && (dates.empty() || dates.back() < d), text << ": " << d);
    dates.push_back(d);
    if (dates.size() == 50) break;
  }
  const Date::Recurrence again = Date::Recurrence::parse(read->toString(), start);
  FUZZ_CHECK(again.toString() == read->toString(), text << " -> " << read->toString());
  std::size_t i = 0;
  for (auto it = again.begin(); it != again.end() && i < dates.size(); ++it, ++i) {
    FUZZ_CHECK(*it == dates[i], read->toString() << " differs from " << text);
  }
  FUZZ_CHECK(i == dates.size(), read->toString() << " ends before " << text);
  if (dates.size() >= 2) {
    // From an instant between two occurrences, the next is the later one.
    const auto j = static_cast<std::size_t>(static_cast<unsigned>(lookup) % (dates.size() - 1));
    const std::int64_t gap = dates[j].secondsUntil(dates[j + 1]);
    const Date::Date after = dates[j].addSecond(
        static_cast<int>(static_cast<unsigned>(lookup) % std::min<std::int64_t>(gap, 1 << 30)));
    FUZZ_CHECK(read->next(after) == dates[j + 1], text << " after " << after);
    FUZZ_CHECK(read->between(dates[0], dates.back()) == dates, text);
  }
  (void)read->next(start.addSecond(lookup));
  return 0;
}
