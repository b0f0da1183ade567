// Spans as ISO 8601 durations: "P1Y2M3W4DT5H6M7.25S".

#include <normdate/date.h>
#include <normdate/span.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/quoted.h"

namespace Date {

namespace {

// Why a text is refused: what was expected where.
struct Refusal {
  std::string_view expected;
  std::size_t at;
  std::size_t length;
};

char upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// The designators of the date part and of the time part, in their order,
// and the field each names.
constexpr std::string_view dateDesignators = "YMWD";
constexpr std::string_view timeDesignators = "HMS";

std::int64_t& fieldOf(Span& span, bool time, std::size_t index) noexcept {
  std::array<std::int64_t*, 4> date = {&span.years, &span.months, &span.weeks, &span.days};
  std::array<std::int64_t*, 3> clock = {&span.hours, &span.minutes, &span.seconds};
  return time ? *clock[index] : *date[index];
}

// Reads a duration's text into a span, component by component, or says
// what was expected where.
class Reader {
 public:
  Reader(std::string_view duration, Span& into) noexcept : text(duration), span(into) {}

  std::optional<Refusal> read() noexcept {
    negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++at;
    if (at >= text.size() || upper(text[at]) != 'P') return Refusal{R"("P")", at, 1};
    ++at;
    while (at < text.size()) {
      if (upper(text[at]) == 'T' && !time) {
        time = true;
        next = 0;
        ++at;
      } else if (std::optional<Refusal> refusal = component()) {
        return refusal;
      }
    }
    if (!any || (time && !anyInTime)) {
      return Refusal{time ? "a number of hours, minutes or seconds after \"T\""
                          : R"(a number of years, months, weeks or days, or "T")",
                     at, 1};
    }
    return std::nullopt;
  }

 private:
  // A number, its fraction where seconds follow, and its designator.
  std::optional<Refusal> component() noexcept {
    const std::size_t start = at;
    std::uint64_t value = 0;
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    for (; at < text.size() && isDigit(text[at]); ++at) {
      const auto digit = static_cast<std::uint64_t>(text[at] - '0');
      if (value > (most - digit) / 10)
        return Refusal{"a number within 64 bits", start, at - start + 1};
      value = value * 10 + digit;
    }
    if (at == start) {
      return Refusal{time ? "a number of hours, minutes or seconds"
                          : R"(a number of years, months, weeks or days, or "T")",
                     at, 1};
    }
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
      if (std::optional<Refusal> refusal = fraction()) return refusal;
    }
    const std::string_view designators = time ? timeDesignators : dateDesignators;
    const std::size_t index =
        at < text.size() ? designators.find(upper(text[at]), next) : std::string_view::npos;
    if (index == std::string_view::npos) {
      return Refusal{time ? R"(a designator "H", "M" or "S" after those given)"
                          : R"(a designator "Y", "M", "W" or "D" after those given)",
                     at, 1};
    }
    const auto signedValue = static_cast<std::int64_t>(value);
    fieldOf(span, time, index) = negative ? -signedValue : signedValue;
    next = index + 1;
    any = true;
    anyInTime = anyInTime || time;
    ++at;
    return std::nullopt;
  }

  // Up to nine digits after "." or ",", on seconds only.
  std::optional<Refusal> fraction() noexcept {
    const std::size_t first = ++at;
    std::int64_t nanos = 0;
    for (; at < text.size() && isDigit(text[at]) && at - first < 9; ++at) {
      nanos = nanos * 10 + (text[at] - '0');
    }
    if (at == first) return Refusal{"a digit of the fraction", at, 1};
    for (std::size_t digits = at - first; digits < 9; ++digits) nanos *= 10;
    if (!time || at >= text.size() || upper(text[at]) != 'S') {
      return Refusal{R"("S" after a fraction, which only seconds take)", at, 1};
    }
    span.nanoseconds = negative ? -nanos : nanos;
    return std::nullopt;
  }

  std::string_view text;
  Span& span;
  std::size_t at = 0;
  bool negative = false;
  bool time = false;       // after "T"
  bool any = false;        // a component read
  bool anyInTime = false;  // one after "T"
  std::size_t next = 0;    // the first designator still allowed
};

std::string message(std::string_view text, const Refusal& refusal) {
  const std::string found = refusal.at >= text.size()
                                ? std::string("the end of the text")
                                : detail::quoted(text.substr(refusal.at, refusal.length));
  return "expected " + std::string(refusal.expected) + " at offset " + std::to_string(refusal.at) +
         " of " + detail::quoted(text) + ", found " + found;
}

std::uint64_t magnitude(std::int64_t value) noexcept {
  return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                   : static_cast<std::uint64_t>(value);
}

}  // namespace

Span Span::parseIso(std::string_view text) {
  Span span;
  if (const std::optional<Refusal> refusal = Reader(text, span).read()) {
    throw ParseError(message(text, *refusal), refusal->at);
  }
  return span;
}

std::optional<Span> Span::tryParseIso(std::string_view text) noexcept {
  Span span;
  if (Reader(text, span).read()) return std::nullopt;
  return span;
}

std::string Span::toIsoString() const {
  std::string text = sign() < 0 ? "-P" : "P";
  const auto put = [&text](std::uint64_t value, char designator) {
    if (value == 0) return;
    text += std::to_string(value);
    text += designator;
  };
  put(magnitude(years), 'Y');
  put(magnitude(months), 'M');
  put(magnitude(weeks), 'W');
  put(magnitude(days), 'D');
  constexpr std::uint64_t billion = 1'000'000'000;
  const std::uint64_t wholeSeconds = magnitude(seconds) + magnitude(nanoseconds) / billion;
  const std::uint64_t fraction = magnitude(nanoseconds) % billion;
  if (hours != 0 || minutes != 0 || wholeSeconds != 0 || fraction != 0 || text.size() <= 2) {
    text += 'T';
    put(magnitude(hours), 'H');
    put(magnitude(minutes), 'M');
    if (wholeSeconds != 0 || fraction != 0 || text.back() == 'T') {
      text += std::to_string(wholeSeconds);
      if (fraction != 0) {
        std::string digits = std::to_string(fraction + billion).substr(1);  // nine digits
        digits.erase(digits.find_last_not_of('0') + 1);
        text += '.' + digits;
      }
      text += 'S';
    }
  }
  return text;
}

Span Span::negated() const noexcept {
  const auto negate = [](std::int64_t v) {
    return v == std::numeric_limits<std::int64_t>::min() ? std::numeric_limits<std::int64_t>::max()
                                                         : -v;
  };
  return {negate(years), negate(months),  negate(weeks),   negate(days),
          negate(hours), negate(minutes), negate(seconds), negate(nanoseconds)};
}

int Span::sign() const noexcept {
  for (const std::int64_t v : {years, months, weeks, days, hours, minutes, seconds, nanoseconds}) {
    if (v != 0) return v < 0 ? -1 : 1;
  }
  return 0;
}

}  // namespace Date
