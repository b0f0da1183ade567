// Internal: decimal digits of the fields of a date, written without a call
// into the standard library, for the formatters of dates and timestamps.
// Not installed.
#ifndef NORMDATE_DIGITS_H_
#define NORMDATE_DIGITS_H_

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

// Copies `part` into a fixed template of text from byte `at`.
template <std::size_t size>
void writeAt(std::array<char, size>& text, std::size_t at, std::string_view part) noexcept {
  std::memcpy(text.data() + at, part.data(), part.size());
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

}  // namespace Date::detail

#endif  // NORMDATE_DIGITS_H_
