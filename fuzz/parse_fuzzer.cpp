// Any text and any format into tryParse and parse: no crash, the two agree,
// and a date read back re-formats to text that reads back as the same date
// wherever the format allows a round trip.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/date.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"

namespace {

// True when each field appears once, no token letter stands outside a token,
// and the year is not followed directly by a digit or another number: then
// parse(d.toString(f), f) gives back the fields of d that f holds.
bool allowsRoundTrip(std::string_view format) {
  constexpr std::array<std::pair<std::string_view, int>, 7> tokens = {
      {{"YYYY", 0}, {"MMM", 1}, {"MM", 1}, {"DD", 2}, {"hh", 3}, {"mm", 4}, {"ss", 5}}};
  std::array<bool, 6> seen{};
  bool afterYear = false;
  for (std::size_t at = 0; at < format.size();) {
    bool isToken = false;
    for (const auto& [token, field] : tokens) {
      if (format.substr(at, token.size()) != token) continue;
      const bool isNumber = token != "MMM";
      if (seen[static_cast<std::size_t>(field)] || (afterYear && isNumber)) return false;
      seen[static_cast<std::size_t>(field)] = true;
      afterYear = field == 0;
      at += token.size();
      isToken = true;
      break;
    }
    if (isToken) continue;
    const char c = format[at];
    if (std::string_view("YMDhms").find(c) != std::string_view::npos) return false;
    if (afterYear && c >= '0' && c <= '9') return false;
    afterYear = false;
    ++at;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool fromDate = in.ConsumeBool();
  const Date::Date written(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                           in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                           in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>());
  const std::string format = in.ConsumeRandomLengthString(512);
  // Half the texts are written by toString, so that many of them parse.
  const std::string text = fromDate ? written.toString(format) : in.ConsumeRemainingBytesAsString();

  const std::optional<Date::Date> read = Date::Date::tryParse(text, format);
  bool threw = false;
  try {
    FUZZ_CHECK(Date::Date::parse(text, format) == read, "parse and tryParse differ on " << text);
  } catch (const Date::ParseError& error) {
    threw = true;
    FUZZ_CHECK(!read.has_value(), "parse threw on a text tryParse read: " << error.what());
    FUZZ_CHECK(error.offset() <= text.size(), error.what());
  }
  FUZZ_CHECK(threw != read.has_value(), "neither a date nor an error for " << text);

  if (allowsRoundTrip(format)) {
    // The fields the format holds come back, so the text re-formats to itself.
    if (fromDate)
      FUZZ_CHECK(read && read->toString(format) == text, '"' << text << "\" in " << format);
    // Any date read, written again, reads back to the same text: only the
    // fields the format holds matter, and they survive the trip.
    if (read) {
      const std::string again = read->toString(format);
      const std::optional<Date::Date> reread = Date::Date::tryParse(again, format);
      FUZZ_CHECK(reread && reread->toString(format) == again, '"' << again << "\" in " << format);
    }
  }
  return 0;
}
