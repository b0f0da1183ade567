// Writing timestamps as text: ISO 8601, the default form and token formats.

#include "normdate/timestamp.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

#include "core/text/digits.h"

namespace Date {

namespace {

using detail::pairText;

// The nine digits of a nanosecond count, 0..999'999'999.
std::array<char, 9> fractionDigits(int nanosecond) noexcept {
  std::array<char, 9> digits;  // not zero-filled: every byte is written
  const auto n = static_cast<unsigned>(nanosecond);
  std::memcpy(digits.data(), pairText(static_cast<int>(n / 10'000'000)).data(), 2);
  std::memcpy(digits.data() + 2, pairText(static_cast<int>(n / 100'000 % 100)).data(), 2);
  std::memcpy(digits.data() + 4, pairText(static_cast<int>(n / 1'000 % 100)).data(), 2);
  std::memcpy(digits.data() + 6, pairText(static_cast<int>(n / 10 % 100)).data(), 2);
  digits[8] = static_cast<char>('0' + n % 10);
  return digits;
}

// The fewest digits, in whole groups of three, that hold the fraction
// exactly: 0, 3, 6 or 9.
std::size_t exactDigits(int nanosecond) noexcept {
  if (nanosecond == 0) return 0;
  if (nanosecond % 1'000'000 == 0) return 3;
  return nanosecond % 1'000 == 0 ? 6 : 9;
}

// Writes "." and the first `digits` digits of the fraction at `out`, if
// `digits` is not 0; returns the bytes written.
std::size_t writeFraction(char* out, int nanosecond, std::size_t digits) noexcept {
  if (digits == 0) return 0;
  out[0] = '.';
  std::memcpy(out + 1, fractionDigits(nanosecond).data(), digits);
  return digits + 1;
}

std::string isoText(const Date& d, int nanosecond, std::size_t digits) {
  std::array<char, 30> text;  // not zero-filled: only what is written is read
  detail::writeIsoFields(text.data(), d);
  std::size_t size = 19 + writeFraction(text.data() + 19, nanosecond, digits);
  text[size++] = 'Z';
  return {text.data(), size};
}

// Replaces the fraction tokens of `text`: each run of f, from its left,
// nine, six or three at a time, the most that fit; one or two f left over
// stay as they are. The fields a date's tokens write hold no f (no month
// name has one), so the runs are those of the format.
void writeFractionTokens(std::string& text, int nanosecond) {
  std::size_t at = text.find('f');
  if (at == std::string::npos) return;
  const std::array<char, 9> digits = fractionDigits(nanosecond);
  while (at != std::string::npos) {
    const std::size_t end = std::min(text.find_first_not_of('f', at), text.size());
    for (std::size_t run = end - at; run >= 3;) {
      const std::size_t token = run >= 9 ? 9 : run >= 6 ? 6 : 3;
      std::memcpy(&text[at], digits.data(), token);
      at += token;
      run -= token;
    }
    at = text.find('f', end);
  }
}

}  // namespace

std::string Timestamp::toIsoString() const {
  return isoText(date, nanosecond, exactDigits(nanosecond));
}

std::string Timestamp::toIsoString(int digits) const {
  return isoText(date, nanosecond, static_cast<std::size_t>(std::clamp(digits, 0, 9)));
}

std::string Timestamp::toString() const {
  std::array<char, 30> text;  // not zero-filled: only what is written is read
  const std::size_t start = detail::writeDefaultForm(
      text.data(), date, detail::monthNames[static_cast<std::size_t>(date.getMonth() - 1)]);
  const std::size_t size =
      20 + writeFraction(text.data() + 20, nanosecond, exactDigits(nanosecond));
  return {text.data() + start, size - start};
}

void Timestamp::toString(std::string_view format, std::string& text) const {
  date.toString(format, text);
  writeFractionTokens(text, nanosecond);
}

void Timestamp::toString(const char* format, std::string& text) const {
  toString(format == nullptr ? std::string_view() : std::string_view(format), text);
}

std::string Timestamp::toString(std::string_view format) const {
  std::string text;
  toString(format, text);
  return text;
}

std::string Timestamp::toString(const std::string& format) const {
  return toString(std::string_view(format));
}

std::string Timestamp::toString(const char* format) const {
  return toString(format == nullptr ? std::string_view() : std::string_view(format));
}

std::ostream& operator<<(std::ostream& o, const Timestamp& t) { return o << t.toString(); }

}  // namespace Date
