// Internal: decimal digits of the fields of a date, written without a call
// into the standard library, for the formatters of dates and timestamps.
// Not installed.
#ifndef NORMDATE_DIGITS_H_
#define NORMDATE_DIGITS_H_

#include <normdate/date.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace Date::detail {

// "00" to "99": the two-digit text of every field but the year.
inline constexpr std::array<char, 200> digitPairs = [] {
  std::array<char, 200> table{};
  for (std::size_t n = 0; n < 100; ++n) {
    table[2 * n] = static_cast<char>('0' + n / 10);
    table[2 * n + 1] = static_cast<char>('0' + n % 10);
  }
  return table;
}();

// The two digits of n. Precondition: n in [0, 99], as every held field but
// the year is (a leap second is 60).
inline std::string_view pairText(int n) noexcept {
  return {digitPairs.data() + std::size_t{2} * static_cast<unsigned>(n), 2};
}

// A held year (0..9999) in decimal: its own digits, at least two.
class YearText {
 public:
  // The two pairs are joined in a register and stored as one word: a read
  // of all four digits from two separate stores would stall.
  explicit YearText(int year) noexcept : first(year >= 1000 ? 0 : year >= 100 ? 1 : 2) {
    std::uint16_t high = 0;
    std::uint16_t low = 0;
    std::memcpy(&high, pairText(year / 100).data(), 2);
    std::memcpy(&low, pairText(year % 100).data(), 2);
    const std::uint32_t word = std::endian::native == std::endian::little
                                   ? std::uint32_t{low} << 16 | high
                                   : std::uint32_t{high} << 16 | low;
    std::memcpy(digits.data(), &word, 4);
  }
  operator std::string_view() const noexcept {
    return {digits.data() + first, digits.size() - first};
  }
  // All four digits, the leading zeros the text leaves out first.
  [[nodiscard]] const char* fourDigits() const noexcept { return digits.data(); }
  [[nodiscard]] std::size_t leadingZeros() const noexcept { return first; }

 private:
  std::array<char, 4> digits{};
  std::size_t first;
};

// Writes "YYYY-MM-DDThh:mm:ss" for the fields of `d`, with four year
// digits, in the 19 bytes at `out`.
inline void writeIsoFields(char* out, const Date& d) noexcept {
  constexpr std::string_view layout = "0000-00-00T00:00:00";
  std::memcpy(out, layout.data(), layout.size());
  const auto put = [out](std::size_t at, int n) { std::memcpy(out + at, pairText(n).data(), 2); };
  put(0, d.getYear() / 100);
  put(2, d.getYear() % 100);
  put(5, d.getMonth());
  put(8, d.getDay());
  put(11, d.getHour());
  put(14, d.getMinute());
  put(17, d.getSecond());
}

// Writes the default form "YYYY-MMM-DD hh:mm:ss" for the fields of `d`,
// with `monthName` (three bytes) as the month, to end at byte 20 of `out`;
// returns where it starts, as a year of two or three digits starts later.
inline std::size_t writeDefaultForm(char* out, const Date& d, std::string_view monthName) noexcept {
  constexpr std::string_view layout = "0000-Jan-00 00:00:00";
  std::memcpy(out, layout.data(), layout.size());
  const YearText yearText(d.getYear());
  const std::string_view digits = yearText;
  const std::size_t start = 4 - digits.size();
  std::memcpy(out + start, digits.data(), digits.size());
  std::memcpy(out + 5, monthName.data(), 3);
  std::memcpy(out + 9, pairText(d.getDay()).data(), 2);
  std::memcpy(out + 12, pairText(d.getHour()).data(), 2);
  std::memcpy(out + 15, pairText(d.getMinute()).data(), 2);
  std::memcpy(out + 18, pairText(d.getSecond()).data(), 2);
  return start;
}

}  // namespace Date::detail

#endif  // NORMDATE_DIGITS_H_
