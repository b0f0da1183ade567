// Any bytes through the timestamp readers, ISO and token, and any counts
// through its arithmetic: no crash, the throwing and the optional readers
// agree, and every timestamp read writes ISO text that reads back to it.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/timestamp.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "check.h"

namespace {

// The throwing reader and the optional one agree on `text`.
template <class Throwing>
void agree(const std::optional<Date::Timestamp>& read, const Throwing& parse,
           const std::string& text) {
  try {
    FUZZ_CHECK(parse() == read, "the readers differ on " << text);
  } catch (const Date::ParseError& error) {
    FUZZ_CHECK(!read.has_value(), "threw on a text the other read: " << error.what());
    FUZZ_CHECK(error.offset() <= text.size(), error.what());
  }
  if (read) {
    const std::string iso = read->toIsoString();
    FUZZ_CHECK(Date::Timestamp::parseIso(iso) == *read, text << " -> " << iso);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Date::Timestamp t{std::chrono::sys_time<std::chrono::nanoseconds>(
      std::chrono::nanoseconds(in.ConsumeIntegral<std::int64_t>()))};
  const std::chrono::duration<std::int64_t, std::ratio<7, 3>> odd(
      in.ConsumeIntegral<std::int64_t>());
  const std::chrono::nanoseconds exact(in.ConsumeIntegral<std::int64_t>());
  FUZZ_CHECK((t + exact) - exact == t, t.toIsoString());
  // Both steps floor to a nanosecond, so a tick of 7/3 s, which has a part
  // below one unless the count is a multiple of 3, comes back 1 ns early.
  const Date::Timestamp expected = odd.count() % 3 == 0 ? t : t - std::chrono::nanoseconds(1);
  FUZZ_CHECK((t + odd) - odd == expected, t.toIsoString() << " and " << odd.count());
  const Date::Timestamp moved = t + exact;
  if (const auto back = moved.tryToSysTime()) FUZZ_CHECK(Date::Timestamp(*back) == moved, moved);

  const std::string format = in.ConsumeRandomLengthString(256);
  const bool written = in.ConsumeBool();
  const std::string text = written ? t.toString(format) : in.ConsumeRemainingBytesAsString();
  agree(
      Date::Timestamp::tryParseIso(text), [&] { return Date::Timestamp::parseIso(text); }, text);
  agree(
      Date::Timestamp::tryParse(text), [&] { return Date::Timestamp::parse(text); }, text);
  agree(
      Date::Timestamp::tryParse(text, format), [&] { return Date::Timestamp::parse(text, format); },
      text);
  if (const std::optional<Date::OffsetTimestamp> read =
          Date::Timestamp::tryParseIsoWithOffset(text)) {
    FUZZ_CHECK(Date::Timestamp::tryParseIso(text) == read->utc, text);
  }
  return 0;
}
