// The readers of strftime patterns, HTTP, e-mail and RFC 3339 dates and ISO
// durations on any text, and the writer on any pattern: nothing crashes,
// what throws is what the try forms refuse, and what is read writes text
// that reads back to it.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/detail/conversions.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "check.h"

namespace {

void checkConversions(const std::string& text, const std::string& pattern,
                      const Date::Timestamp& t) {
  const std::optional<Date::Timestamp> read = Date::Timestamp::tryStrptime(text, pattern);
  bool threw = false;
  try {
    FUZZ_CHECK(Date::Timestamp::strptime(text, pattern) == read,
               "strptime differs from the try form");
  } catch (const Date::ParseError& e) {
    threw = true;
  }
  FUZZ_CHECK(threw != read.has_value(),
             "strptime threw " << threw << " where tryStrptime read " << read.has_value());
  FUZZ_CHECK(Date::Date::tryStrptime(text, pattern).has_value() == read.has_value(),
             "the date reader differs");
  const bool valid = Date::detail::invalidConversion(pattern) == std::string::npos;
  try {
    const std::string written = t.strftime(pattern);
    FUZZ_CHECK(valid, "wrote " << written << " by a pattern that is not valid");
  } catch (const std::invalid_argument&) {
    FUZZ_CHECK(!valid, "refused a valid pattern " << pattern);
  }
}

void checkWireReaders(const std::string& text) {
  const Date::Timestamp now = Date::Timestamp::fromUnixTime(1796724000);
  if (const auto http = Date::Timestamp::tryParseHttpDate(text, now)) {
    FUZZ_CHECK(Date::Timestamp::parseHttpDate(http->toHttpDate()) == *http, "HTTP date " << text);
  }
  if (const auto mail = Date::Timestamp::tryParseRfc5322(text)) {
    FUZZ_CHECK(Date::Timestamp::parseRfc5322(mail->utc.toRfc5322(mail->offsetSeconds)) == *mail,
               "e-mail date " << text);
  }
  if (const auto strict = Date::Timestamp::tryParseRfc3339(text)) {
    FUZZ_CHECK(Date::Timestamp::tryParseIso(text) == strict, "RFC 3339 beyond ISO: " << text);
  }
  if (const auto span = Date::Span::tryParseIso(text)) {
    FUZZ_CHECK(Date::Span::parseIso(span->toIsoString()) == *span, "duration " << text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto t = Date::Timestamp::fromUnixTime(in.ConsumeIntegral<std::int64_t>(),
                                               in.ConsumeIntegral<std::int64_t>());
  const std::string pattern = in.ConsumeRandomLengthString(64);
  const std::string text = in.ConsumeRemainingBytesAsString();
  checkConversions(text, pattern, t);
  checkConversions(t.strftime("%FT%T"), pattern, t);
  checkWireReaders(text);
  return 0;
}
