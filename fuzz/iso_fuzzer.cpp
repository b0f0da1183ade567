// Any bytes into tryParseIso and parseIso: no crash, the two agree, an error
// points into the text, and every accepted text names the instant that its
// date's own ISO text names.

#include <normdate/date.h>

#include <cstdint>
#include <string_view>

#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<Date::Date> read = Date::Date::tryParseIso(text);
  try {
    const Date::Date parsed = Date::Date::parseIso(text);
    FUZZ_CHECK(read == parsed, "parseIso and tryParseIso differ on " << text);
  } catch (const Date::ParseError& error) {
    FUZZ_CHECK(!read.has_value(), "parseIso threw on a text tryParseIso read: " << error.what());
    FUZZ_CHECK(error.offset() <= text.size(), error.what());
  }
  if (read) {
    const std::string again = read->toIsoString();
    FUZZ_CHECK(again.size() == 20, again);
    FUZZ_CHECK(Date::Date::parseIso(again) == *read, text << " -> " << again);
  }
  return 0;
}
