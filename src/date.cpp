#include "date.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

namespace Date {

namespace {

// The fields of a clock reading, as the system splits it; 1970-01-01 00:00:00
// when the clock cannot be read or split. A leap second (second 60) is kept
// as reported. Any other field out of range, which no working clock gives,
// is carried like every other date's, so that every date but a leap second
// holds normalised fields.
detail::Fields clockFields() noexcept {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  if (now == static_cast<std::time_t>(-1) || gmtime_r(&now, &utc) == nullptr) {
    return {1970, 1, 1, 0, 0, 0};
  }
  // tm_year + 1900 could overflow an int in a distant future; wrap it like
  // every other year instead.
  const int64 year = detail::floorMod(int64{utc.tm_year} + 1900, 10000);
  const int64 month = int64{utc.tm_mon} + 1;
  const bool leapSecond = utc.tm_sec == 60;
  if (detail::isNormalised(year, month, utc.tm_mday, utc.tm_hour, utc.tm_min,
                           leapSecond ? 59 : utc.tm_sec)) {
    return {static_cast<int>(year),
            static_cast<int>(month),
            utc.tm_mday,
            utc.tm_hour,
            utc.tm_min,
            utc.tm_sec};
  }
  return detail::normalise(year, month, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

// Decimal text of a number, padded with zeros to at least two digits.
// Negative numbers give "00".
class int2String {
 public:
  explicit int2String(int i) noexcept {
    auto rest = static_cast<unsigned>(i < 0 ? 0 : i);
    // Two digits at a time, from a table of "00" to "99".
    while (rest >= 100) {
      putPair(rest % 100);
      rest /= 100;
    }
    putPair(rest);
    // A lone leading digit keeps its zero only when it is the whole number.
    if (rest < 10 && first != digits.size() - 2) ++first;
  }
  operator std::string_view() const noexcept {
    return {digits.data() + first, digits.size() - first};
  }

 private:
  static constexpr std::array<char, 200> pairs = [] {
    std::array<char, 200> table{};
    for (std::size_t n = 0; n < 100; ++n) {
      table[2 * n] = static_cast<char>('0' + n / 10);
      table[2 * n + 1] = static_cast<char>('0' + n % 10);
    }
    return table;
  }();

  void putPair(unsigned n) noexcept {
    first -= 2;
    digits[first] = pairs[std::size_t{2} * n];
    digits[first + 1] = pairs[std::size_t{2} * n + 1];
  }

  std::array<char, 12> digits{};  // the ten digits of INT_MAX fit
  std::size_t first = digits.size();
};

std::string_view month2string(int m) noexcept {
  if (m < 1 || m > 12) return "unknown_month";
  return detail::monthNames[static_cast<std::size_t>(m - 1)];
}

// Replaces every occurrence of `what` in `s` by `on`, which is not longer,
// left to right and without overlaps; text just inserted is not searched
// again.
void replaceString(std::string& s, std::string_view what, std::string_view on) {
  using traits = std::string::traits_type;
  std::size_t found = s.find(what);
  if (on.size() == what.size()) {
    for (; found != std::string::npos; found = s.find(what, found + on.size())) {
      traits::copy(&s[found], on.data(), on.size());
    }
    return;
  }
  // The text shrinks, so it is rewritten in place: the write position never
  // overtakes the read position.
  std::size_t out = 0;
  std::size_t in = 0;
  while (found != std::string::npos) {
    traits::move(s.data() + out, s.data() + in, found - in);
    out += found - in;
    traits::copy(s.data() + out, on.data(), on.size());
    out += on.size();
    in = found + what.size();
    found = s.find(what, in);
  }
  traits::move(s.data() + out, s.data() + in, s.size() - in);
  s.resize(out + s.size() - in);
}

// Writes 0..99 as two digits; a negative number as "00".
void putPair(char* to, int n) noexcept {
  const auto pair = static_cast<unsigned>(n < 0 ? 0 : n);
  to[0] = static_cast<char>('0' + pair / 10);
  to[1] = static_cast<char>('0' + pair % 10);
}

// The token letters, in the order of the masks of ShortFormat.
constexpr std::array<char, 6> tokenLetters = {'Y', 'M', 'D', 'h', 'm', 's'};

constexpr std::size_t slotOf(char letter) noexcept {
  std::size_t slot = 0;
  while (slot < tokenLetters.size() && tokenLetters[slot] != letter) ++slot;
  return slot;
}

// Bit i set where byte i of `bytes` equals `letter`.
constexpr std::uint64_t bytesEqualTo(std::uint64_t bytes, char letter) noexcept {
  constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
  const std::uint64_t x = bytes ^ (0x0101010101010101 * static_cast<unsigned char>(letter));
  // 0x80 in exactly the bytes of x that are zero; bit 7 of byte i is then
  // gathered into bit 56 + i by one multiplication.
  const std::uint64_t zeros = ~(((x & low7) + low7) | x | low7);
  return ((zeros >> 7) * 0x0102040810204080) >> 56;
}

// The bits of the positions below n.
constexpr std::uint64_t below(std::size_t n) noexcept {
  return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// A format of up to 64 bytes, rendered in a fixed buffer with one bit mask
// per token letter: bit i of a letter's mask is set when byte i is that
// letter. A pass picks its token's runs out of the mask with shifts and ANDs
// instead of a scan, keeping the rules of replaceString exactly: matches
// left to right, without overlaps, inserted text searched only by later
// passes. Replacements must not be longer than their tokens.
class ShortFormat {
 public:
  static constexpr std::size_t capacity = 64;

  explicit ShortFormat(std::string_view format) noexcept : size(format.size()) {
    // Eight bytes at a time, each word kept in a register for the masks; the
    // zeros past the end match no letter.
    for (std::size_t at = 0; at < size; at += 8) {
      std::uint64_t bytes = 0;
      if (size - at >= 8) {
        std::memcpy(&bytes, format.data() + at, 8);
      } else {
        for (std::size_t i = size - at; i-- > 0;) {
          bytes = bytes << 8 | static_cast<unsigned char>(format[at + i]);
        }
      }
      std::memcpy(chars.data() + at, &bytes, 8);
      for (std::size_t slot = 0; slot < masks.size(); ++slot) {
        masks[slot] |= bytesEqualTo(bytes, tokenLetters[slot]) << at;
      }
    }
  }

  // Replaces each run of `length` bytes equal to `letter` by `text`, which
  // holds token letters only if `textHasLetters` (a month name, not digits).
  template <char letter, std::size_t length, bool textHasLetters = false>
  void replace(std::string_view text) noexcept {
    constexpr std::size_t slot = slotOf(letter);
    std::uint64_t starts = masks[slot];
    for (std::size_t i = 1; i < length; ++i) starts &= masks[slot] >> i;
    const std::size_t shrink = length - text.size();
    const Masks inserted = textHasLetters ? lettersIn(text) : Masks{};
    while (starts != 0) {
      const auto at = static_cast<std::size_t>(std::countr_zero(starts));
      const std::size_t end = at + length;
      masks[slot] &= below(at) | ~below(end);
      starts &= ~below(end);
      if (shrink != 0) {
        // Through data(): `end` may be one past the buffer's last byte.
        std::memmove(chars.data() + end - shrink, chars.data() + end, size - end);
        size -= shrink;
        starts >>= shrink;
        for (std::uint64_t& mask : masks)
          mask = (mask & below(at)) | ((mask & ~below(end)) >> shrink);
      }
      copyShort(chars.data() + at, text);
      if constexpr (textHasLetters) {
        for (std::size_t i = 0; i < masks.size(); ++i) masks[i] |= inserted[i] << at;
      }
    }
  }

  [[nodiscard]] std::string str() const { return {chars.data(), size}; }

 private:
  using Masks = std::array<std::uint64_t, tokenLetters.size()>;

  // The token letters in a replacement.
  static Masks lettersIn(std::string_view text) noexcept {
    Masks found{};
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (const std::size_t slot = slotOf(text[i]); slot < found.size()) {
        found[slot] |= std::uint64_t{1} << i;
      }
    }
    return found;
  }

  // Copies at most four bytes; a constant length lets the compiler turn each
  // memcpy into a single move.
  static void copyShort(char* to, std::string_view text) noexcept {
    switch (text.size()) {
      case 4: std::memcpy(to, text.data(), 4); break;
      case 3: std::memcpy(to, text.data(), 3); break;
      case 2: std::memcpy(to, text.data(), 2); break;
      default: std::memcpy(to, text.data(), text.size()); break;
    }
  }

  std::array<char, capacity> chars{};
  std::size_t size;
  Masks masks{};
};

// A format of any length whose replacements all have their tokens' lengths
// (a four-digit year), rendered in place in a std::string: ShortFormat's
// masks, with one word for each 64 bytes. A run may cross into the next
// word, so each pass looks one word ahead (a last word of zeros ends them).
class WideFormat {
 public:
  explicit WideFormat(std::string_view format)
      : text(format), words(format.size() / 64 + 2), masks(tokenLetters.size() * words) {
    for (std::size_t at = 0; at < format.size(); at += 8) {
      std::uint64_t bytes = 0;
      if (format.size() - at >= 8) {
        std::memcpy(&bytes, format.data() + at, 8);
      } else {
        for (std::size_t i = format.size() - at; i-- > 0;) {
          bytes = bytes << 8 | static_cast<unsigned char>(format[at + i]);
        }
      }
      for (std::size_t slot = 0; slot < tokenLetters.size(); ++slot) {
        masks[slot * words + at / 64] |= bytesEqualTo(bytes, tokenLetters[slot]) << at % 64;
      }
    }
  }

  // As ShortFormat::replace, with `on` as long as the token.
  template <char letter, std::size_t length, bool textHasLetters = false>
  void replace(std::string_view on) {
    constexpr std::size_t slot = slotOf(letter);
    std::uint64_t* const mask = masks.data() + slot * words;
    std::size_t free = 0;  // matches do not overlap: none starts below this
    for (std::size_t w = 0; w + 1 < words; ++w) {
      std::uint64_t starts = mask[w];
      for (std::size_t i = 1; i < length; ++i) starts &= mask[w] >> i | mask[w + 1] << (64 - i);
      for (; starts != 0; starts &= starts - 1) {
        const std::size_t at = w * 64 + static_cast<std::size_t>(std::countr_zero(starts));
        if (at < free) continue;
        std::memcpy(text.data() + at, on.data(), length);
        for (std::size_t i = 0; i < length; ++i) {
          const std::size_t bit = at + i;
          mask[bit / 64] &= ~(std::uint64_t{1} << bit % 64);
          if constexpr (textHasLetters) {
            if (const std::size_t other = slotOf(on[i]); other < tokenLetters.size()) {
              masks[other * words + bit / 64] |= std::uint64_t{1} << bit % 64;
            }
          }
        }
        free = at + length;
      }
    }
  }

  std::string str() && { return std::move(text); }

 private:
  std::string text;
  std::size_t words;
  std::vector<std::uint64_t> masks;  // words per letter, in the order of tokenLetters
};

// A long format with a year shorter than its token, rendered by string
// passes.
class LongFormat {
 public:
  explicit LongFormat(std::string_view format) : text(format) {}

  template <char letter, std::size_t length, bool = false>
  void replace(std::string_view on) {
    const std::array<char, length> token = [] {
      std::array<char, length> run{};
      run.fill(letter);
      return run;
    }();
    replaceString(text, {token.data(), length}, on);
  }

  std::string str() && { return std::move(text); }

 private:
  std::string text;
};

// True when `format` holds a byte that can start a token, found by the C
// library's vectorised byte search, one letter at a time.
bool hasTokenLetter(std::string_view format) noexcept {
  return std::any_of(tokenLetters.begin(), tokenLetters.end(), [format](char letter) {
    return std::memchr(format.data(), letter, format.size()) != nullptr;
  });
}

// The seven passes, one kind of token at a time, in their fixed order.
// Inlined where it is used, so that ShortFormat's masks stay in registers
// through all seven passes (out of line they go through memory, and a short
// format takes half as long again).
template <class Text>
[[gnu::always_inline]] inline std::string replaceTokens(Text text, const Date& d) {
  text.template replace<'Y', 4>(int2String(d.getYear()));
  text.template replace<'M', 3, true>(month2string(d.getMonth()));
  text.template replace<'M', 2>(int2String(d.getMonth()));
  text.template replace<'D', 2>(int2String(d.getDay()));
  text.template replace<'h', 2>(int2String(d.getHour()));
  text.template replace<'m', 2>(int2String(d.getMinute()));
  text.template replace<'s', 2>(int2String(d.getSecond()));
  return std::move(text).str();
}

// Formats beyond the fixed buffer. Without a token letter the text is the
// format; with a four-digit year every replacement keeps its token's length.
// Kept out of line so that the common short path stays compact.
[[gnu::noinline]] std::string renderLong(std::string_view format, const Date& d) {
  if (!hasTokenLetter(format)) return std::string(format);
  if (d.getYear() >= 1000) return replaceTokens(WideFormat(format), d);
  return replaceTokens(LongFormat(format), d);
}

}  // namespace

Date::Date() noexcept : Date(clockFields()) {}

Date::Date(int _hour, int _minute, int _second) noexcept : Date() {
  hour = _hour;
  minute = _minute;
  second = _second;
  normDate();
}

std::string Date::toString(const std::string& format) const { return render(format); }

std::string Date::toString(std::string_view format) const { return render(format); }

std::string Date::toString(const char* format) const {
  return render(format == nullptr ? std::string_view() : std::string_view(format));
}

std::string Date::toString() const { return render("YYYY-MMM-DD hh:mm:ss"); }

std::string Date::toIsoString() const {
  std::array<char, 20> text = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0',
                               'T', '0', '0', ':', '0', '0', ':', '0', '0', 'Z'};
  char* const at = text.data();
  putPair(at, year / 100);
  putPair(at + 2, year % 100);
  putPair(at + 5, month);
  putPair(at + 8, day);
  putPair(at + 11, hour);
  putPair(at + 14, minute);
  putPair(at + 17, second);
  return {text.data(), text.size()};
}

std::string Date::render(std::string_view format) const {
  // Every date holds normalised fields (or a leap second of 60), so no
  // replacement is longer than its token.
  if (format.size() <= ShortFormat::capacity) return replaceTokens(ShortFormat(format), *this);
  return renderLong(format, *this);
}

std::ostream& operator<<(std::ostream& o, const Date& d) { return o << d.toString(); }

}  // namespace Date
