// Writing dates by strftime-style patterns: the conversions of <chrono>'s
// formatter in the C locale, abseil's %E*S and %E1S..%E9S, and glibc's %s.

#include <normdate/date.h>
#include <normdate/detail/conversions.h>
#include <normdate/timestamp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/text/conversion_text.h"
#include "core/text/digits.h"
#include "core/text/quoted.h"

namespace Date {

namespace {

using int64 = std::int64_t;

// Writes into a buffer of its own and moves whole runs of it into the
// string: appending to a string byte by byte checks its capacity each time.
class ConversionWriter {
 public:
  ConversionWriter(const Date& local, int nanosecond, const detail::ZoneText& zone) noexcept
      : d(local), nanos(nanosecond), zoneText(zone) {}

  // Throws std::invalid_argument for a conversion that is not valid, with
  // `text` as it was.
  void write(std::string_view pattern, std::string& text) {
    whole = pattern;
    out = &text;
    convert(pattern);
    if (flushed) {
      text.append(buffer.data(), used);
    } else {
      text.assign(buffer.data(), used);
    }
  }

 private:
  // The most one conversion writes, but for %Z, which writes its own way.
  static constexpr std::size_t longest = 64;

  void convert(std::string_view pattern) {
    const char* p = pattern.data();
    const char* const end = p + pattern.size();
    while (p != end) {
      if (*p != '%') {
        const char* const first = p;
        while (p != end && *p != '%') ++p;
        literal({first, static_cast<std::size_t>(p - first)});
        continue;
      }
      const detail::Conversion conversion =
          detail::conversionAt(pattern, static_cast<std::size_t>(p - pattern.data()));
      if (conversion.letter == 0) refuse(static_cast<std::size_t>(p - whole.data()));
      one(conversion);
      p += conversion.length;
    }
  }

  // The string is first written where the buffer fills: the rest of the
  // pattern is checked then, so that a conversion that is not valid leaves
  // it as it was.
  void flush() {
    if (!flushed) {
      const std::size_t invalid = detail::invalidConversion(whole);
      if (invalid != std::string_view::npos) refuse(invalid);
      out->clear();
      flushed = true;
    }
    out->append(buffer.data(), used);
    used = 0;
  }

  [[noreturn]] void refuse(std::size_t at) const {
    const std::size_t length = detail::conversionAt(whole, at).length;
    throw std::invalid_argument("expected a conversion (such as %Y or %E*S) at offset " +
                                std::to_string(at) + " of the pattern " + detail::quoted(whole) +
                                ", found " + detail::quoted(whole.substr(at, length)));
  }

  void flushFor(std::size_t bytes) {
    if (used + bytes > buffer.size()) flush();
  }

  void literal(std::string_view text) {
    if (text.size() > buffer.size() - used) {
      flush();
      if (text.size() > buffer.size()) {
        out->append(text);
        return;
      }
    }
    std::memcpy(buffer.data() + used, text.data(), text.size());
    used += text.size();
  }

  void put(char c) noexcept { buffer[used++] = c; }
  void pair(int n) noexcept {
    std::memcpy(buffer.data() + used, detail::pairText(n).data(), 2);
    used += 2;
  }
  void fourDigits(int n) noexcept {  // n in [0, 9999]
    pair(n / 100);
    pair(n % 100);
  }
  // A year as <chrono> writes it: at least four digits, after a sign.
  void year(int y) noexcept {
    if (y < 0) put('-');
    const int magnitude = y < 0 ? -y : y;
    if (magnitude > 9999) put(static_cast<char>('0' + magnitude / 10000));
    fourDigits(magnitude % 10000);
  }
  void name(std::string_view text, std::size_t length) noexcept {
    std::memcpy(buffer.data() + used, text.data(), length);
    used += length;
  }
  void decimal(int64 n) noexcept {
    std::array<char, 24> digits{};
    std::size_t first = digits.size();
    const bool negative = n < 0;
    auto magnitude = negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    do {
      digits[--first] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits[--first] = '-';
    name({digits.data() + first, digits.size() - first}, digits.size() - first);
  }

  [[nodiscard]] int weekday() const noexcept { return d.getWeekday(); }
  [[nodiscard]] int dayOfYear() const noexcept { return d.getDayOfYear(); }
  [[nodiscard]] std::string_view weekdayName() const noexcept {
    return detail::weekdayNames[static_cast<std::size_t>(weekday())];
  }
  [[nodiscard]] std::string_view monthName() const noexcept {
    return detail::fullMonthNames[static_cast<std::size_t>(d.getMonth() - 1)];
  }
  [[nodiscard]] int hour12() const noexcept { return (d.getHour() + 11) % 12 + 1; }

  void offset(bool colon) noexcept {
    const int64 seconds = zoneText.offsetSeconds;
    const int64 magnitude = seconds < 0 ? -seconds : seconds;  // below 2^31
    put(seconds < 0 ? '-' : '+');
    pair(static_cast<int>(magnitude / 3600 % 100));
    if (colon) put(':');
    pair(static_cast<int>(magnitude / 60 % 60));
  }

  void seconds(int fractionDigits) noexcept {
    pair(d.getSecond());
    int digits = fractionDigits;
    int fraction = nanos;
    if (digits < 0) {  // the fewest that hold it exactly
      digits = nanos == 0 ? 0 : 9;
      for (; digits > 0 && fraction % 10 == 0; --digits) fraction /= 10;
    } else {
      for (int i = digits; i < 9; ++i) fraction /= 10;
    }
    if (digits == 0) return;
    put('.');
    for (int i = digits - 1; i >= 0; --i) {
      buffer[used + static_cast<std::size_t>(i)] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    used += static_cast<std::size_t>(digits);
  }

  void one(const detail::Conversion& conversion) {
    flushFor(longest);
    switch (conversion.letter) {
      case 'a': name(weekdayName(), 3); break;
      case 'A': name(weekdayName(), weekdayName().size()); break;
      case 'b':
      case 'h': name(monthName(), 3); break;
      case 'B': name(monthName(), monthName().size()); break;
      case 'c': convert("%a %b %e %H:%M:%S %Y"); break;
      case 'C': pair(d.getYear() / 100); break;
      case 'd': pair(d.getDay()); break;
      case 'D':
      case 'x': convert("%m/%d/%y"); break;
      case 'e':
        put(d.getDay() < 10 ? ' ' : static_cast<char>('0' + d.getDay() / 10));
        put(static_cast<char>('0' + d.getDay() % 10));
        break;
      case 'F': convert("%Y-%m-%d"); break;
      case 'g': pair(static_cast<int>(detail::floorMod(d.getIsoWeek().year, 100))); break;
      case 'G': year(d.getIsoWeek().year); break;
      case 'H': pair(d.getHour()); break;
      case 'I': pair(hour12()); break;
      case 'j':
        put(static_cast<char>('0' + dayOfYear() / 100));
        pair(dayOfYear() % 100);
        break;
      case 'm': pair(d.getMonth()); break;
      case 'M': pair(d.getMinute()); break;
      case 'n': put('\n'); break;
      case 'p': name(d.getHour() < 12 ? "AM" : "PM", 2); break;
      case 'r': convert("%I:%M:%S %p"); break;
      case 'R': convert("%H:%M"); break;
      case 's':
        decimal(d.toSysSeconds().time_since_epoch().count() - zoneText.offsetSeconds);
        break;
      case 'S': seconds(conversion.fractionDigits); break;
      case 't': put('\t'); break;
      case 'T':
      case 'X': convert("%H:%M:%S"); break;
      case 'u': put(static_cast<char>('0' + (weekday() + 6) % 7 + 1)); break;
      case 'U': pair((dayOfYear() + 6 - weekday()) / 7); break;
      case 'V': pair(d.getIsoWeek().week); break;
      case 'w': put(static_cast<char>('0' + weekday())); break;
      case 'W': pair((dayOfYear() + 6 - (weekday() + 6) % 7) / 7); break;
      case 'y': pair(d.getYear() % 100); break;
      case 'Y': year(d.getYear()); break;
      case 'z': offset(conversion.colon); break;
      case 'Z': literal(zoneText.abbreviation); break;
      default: put('%'); break;  // '%': every other letter was refused before
    }
  }

  const Date& d;
  int nanos;
  const detail::ZoneText& zoneText;
  std::string_view whole;
  std::string* out = nullptr;
  bool flushed = false;
  std::array<char, 256>
      buffer;  // NOLINT(cppcoreguidelines-pro-type-member-init): written before read
  std::size_t used = 0;
};

}  // namespace

namespace detail {

void writeConversions(const Date& local, int nanosecond, const ZoneText& zone,
                      std::string_view pattern, std::string& text) {
  // The pattern may view the text it replaces.
  const auto first = reinterpret_cast<std::uintptr_t>(text.data());
  const auto at = reinterpret_cast<std::uintptr_t>(pattern.data());
  if (at >= first && at <= first + text.size() && !pattern.empty()) {
    const std::string copy(pattern);
    ConversionWriter(local, nanosecond, zone).write(copy, text);
    return;
  }
  ConversionWriter(local, nanosecond, zone).write(pattern, text);
}

}  // namespace detail

std::string Date::strftime(std::string_view pattern) const {
  std::string text;
  strftime(pattern, text);
  return text;
}

void Date::strftime(std::string_view pattern, std::string& text) const {
  detail::writeConversions(*this, 0, {}, pattern, text);
}

std::string Timestamp::strftime(std::string_view pattern) const {
  std::string text;
  strftime(pattern, text);
  return text;
}

void Timestamp::strftime(std::string_view pattern, std::string& text) const {
  detail::writeConversions(date, nanosecond, {}, pattern, text);
}

}  // namespace Date
