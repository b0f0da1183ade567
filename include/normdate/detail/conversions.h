// -----------------------------------------------------------------------------
// File: detail/conversions.h
// -----------------------------------------------------------------------------
//
// Internal: the grammar of strftime-style patterns, constexpr so that fmt
// and std::format can check a "%" specifier when they check a format string
// at compile time, and shared with the library's writer and reader so that
// the three accept the same patterns. Not part of normdate's interface; use
// `strftime` and `strptime` on `Date::Date`, `Date::Timestamp` or
// `Date::ZonedTime`.

#ifndef NORMDATE_DETAIL_CONVERSIONS_H_
#define NORMDATE_DETAIL_CONVERSIONS_H_

#include <array>
#include <cstddef>
#include <string_view>

namespace Date::detail {

// One conversion of a pattern, as read from its "%".
struct Conversion {
  char letter = 0;         // the conversion (%Ez is 'z'); 0 where none is valid
  int fractionDigits = 0;  // for 'S': 0 for %S, 1..9 for %E1S..%E9S, -1 for %E*S
  bool colon = false;      // for 'z': %Ez and %Oz write and read "+hh:mm"
  std::size_t length = 0;  // bytes of the pattern it takes, at least 1
};

// The letters <chrono>'s formatter converts unmodified, with glibc's %s;
// those that take an E, and those that take an O, with the same meaning.
inline constexpr std::string_view plainConversions = "aAbBcCdDeFgGhHIjmMnprRsStTuUVwWxXyYzZ%";
inline constexpr std::string_view eConversions = "cCxXyYz";
inline constexpr std::string_view oConversions = "deHImMSuUVwWyz";

// For each byte, which of the three lists hold it: bits 1, 2 and 4.
inline constexpr std::array<unsigned char, 256> conversionLists = [] {
  std::array<unsigned char, 256> lists{};
  for (const char c : plainConversions) lists[static_cast<unsigned char>(c)] |= 1;
  for (const char c : eConversions) lists[static_cast<unsigned char>(c)] |= 2;
  for (const char c : oConversions) lists[static_cast<unsigned char>(c)] |= 4;
  return lists;
}();

constexpr bool inList(char c, unsigned char list) noexcept {
  return (conversionLists[static_cast<unsigned char>(c)] & list) != 0;
}

// The conversion whose "%" is at `at` of `pattern`.
// Precondition: pattern[at] == '%'.
constexpr Conversion conversionAt(std::string_view pattern, std::size_t at) noexcept {
  const std::size_t left = pattern.size() - at - 1;
  if (left == 0) return {0, 0, false, 1};
  const char first = pattern[at + 1];
  if (first != 'E' && first != 'O') return {inList(first, 1) ? first : '\0', 0, false, 2};
  if (left < 2) return {0, 0, false, 2};
  const char second = pattern[at + 2];
  // abseil's %E*S and %E1S .. %E9S: the seconds with a fraction.
  if (first == 'E' && (second == '*' || (second >= '1' && second <= '9'))) {
    if (left < 3 || pattern[at + 3] != 'S') return {0, 0, false, 3};
    return {'S', second == '*' ? -1 : second - '0', false, 4};
  }
  const bool valid = inList(second, first == 'E' ? 2 : 4);
  return {valid ? second : '\0', 0, valid && second == 'z', 3};
}

// Where the first conversion that is not valid starts in `pattern`, or
// npos where every one is.
constexpr std::size_t invalidConversion(std::string_view pattern) noexcept {
  for (std::size_t at = pattern.find('%'); at != std::string_view::npos;) {
    const Conversion conversion = conversionAt(pattern, at);
    if (conversion.letter == 0) return at;
    at = pattern.find('%', at + conversion.length);
  }
  return std::string_view::npos;
}

}  // namespace Date::detail

#endif  // NORMDATE_DETAIL_CONVERSIONS_H_
