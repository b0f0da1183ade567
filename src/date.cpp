#include "date.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <ostream>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "token_letters.h"

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

// "00" to "99": the two-digit text of every field but the year.
constexpr std::array<char, 200> digitPairs = [] {
  std::array<char, 200> table{};
  for (std::size_t n = 0; n < 100; ++n) {
    table[2 * n] = static_cast<char>('0' + n / 10);
    table[2 * n + 1] = static_cast<char>('0' + n % 10);
  }
  return table;
}();

// The two digits of n. Precondition: n in [0, 99], as every held field but
// the year is (a leap second is 60).
std::string_view pairText(int n) noexcept {
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
  explicit YearText(int year) noexcept : first(year >= 1000 ? 0 : year >= 100 ? 1 : 2) {
    writeAt(digits, 0, pairText(year / 100));
    writeAt(digits, 2, pairText(year % 100));
  }
  operator std::string_view() const noexcept {
    return {digits.data() + first, digits.size() - first};
  }

 private:
  std::array<char, 4> digits{};
  std::size_t first;
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

  // Preconditions: format.size() in [1, capacity].
  explicit ShortFormat(std::string_view format) noexcept
      : size(format.size()), masks(detail::findLetters(format)) {
    std::memcpy(chars.data(), format.data(), size);
  }

  // Replaces each run of `length` bytes equal to `letter` by `text`, which
  // holds token letters only if `textHasLetters` (a month name, not digits).
  template <char letter, std::size_t length, bool textHasLetters = false>
  void replace(std::string_view text) noexcept {
    constexpr std::size_t slot = detail::slotOf(letter);
    std::uint64_t starts = masks[slot];
    for (std::size_t i = 1; i < length; ++i) starts &= masks[slot] >> i;
    const std::size_t shrink = length - text.size();
    const Masks inserted = textHasLetters ? detail::findLetters(text) : Masks{};
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
  using Masks = detail::LetterMasks;

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

  std::array<char, capacity> chars;  // the first `size` bytes are the text
  std::size_t size;
  Masks masks;
};

// A format of any length whose replacements all keep their tokens' lengths
// (a four-digit year), rendered in place in a std::string: ShortFormat's
// masks, one set for each 64 bytes. A run may cross into the next block, so
// each pass looks one block ahead (a last block of zeros ends them). The
// masks of a format under 512 bytes stay on the stack.
class WideFormat {
 public:
  explicit WideFormat(std::string_view format) : text(format) {
    const std::size_t count = format.size() / 64 + 2;
    if (count > local.size()) heap.resize(count);
    blocks = count > local.size() ? std::span(heap) : std::span(local).first(count);
    // From the format, not the copy just written: a load of bytes that are
    // still being stored waits for them.
    for (std::size_t b = 0; b + 1 < count; ++b)
      blocks[b] = detail::findLetters(format.substr(64 * b, 64));
    blocks.back() = {};
  }
  WideFormat(const WideFormat&) = delete;
  WideFormat& operator=(const WideFormat&) = delete;

  // As ShortFormat::replace, with `on` as long as the token. A pass leaves
  // its own mask as it found it, since no later pass reads it, except where
  // the text holds letters: the month name, which the "MM" pass reads next.
  template <char letter, std::size_t length, bool textHasLetters = false>
  void replace(std::string_view on) {
    constexpr std::size_t slot = detail::slotOf(letter);
    std::size_t free = 0;  // matches do not overlap: none starts below this
    for (std::size_t b = 0; b + 1 < blocks.size(); ++b) {
      const std::uint64_t mask = blocks[b][slot];
      const std::uint64_t next = blocks[b + 1][slot];
      std::uint64_t starts = mask;
      for (std::size_t i = 1; i < length; ++i) starts &= mask >> i | next << (64 - i);
      for (; starts != 0; starts &= starts - 1) {
        const std::size_t at = b * 64 + static_cast<std::size_t>(std::countr_zero(starts));
        if (at < free) continue;
        std::memcpy(text.data() + at, on.data(), length);
        if constexpr (textHasLetters) overwrite(at, length, detail::findLetters(on));
        free = at + length;
      }
    }
  }

  std::string str() && { return std::move(text); }

 private:
  // Sets the masks of the `length` bytes from `at` to `letters`, the masks
  // of the text written there. A run of at most 4 bytes spans two blocks.
  void overwrite(std::size_t at, std::size_t length, const detail::LetterMasks& letters) noexcept {
    const std::size_t b = at / 64;
    const std::size_t offset = at % 64;
    const std::uint64_t run = below(length);
    for (std::size_t slot = 0; slot < letters.size(); ++slot) {
      blocks[b][slot] = (blocks[b][slot] & ~(run << offset)) | letters[slot] << offset;
      if (offset + length > 64) {
        const std::size_t spill = 64 - offset;
        blocks[b + 1][slot] = (blocks[b + 1][slot] & ~(run >> spill)) | letters[slot] >> spill;
      }
    }
  }

  std::string text;
  std::array<detail::LetterMasks, 9> local;
  std::vector<detail::LetterMasks> heap;
  std::span<detail::LetterMasks> blocks;  // in `local` or `heap`
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

// The seven passes, one kind of token at a time, in their fixed order.
// Inlined where it is used, so that ShortFormat's masks stay in registers
// through all seven passes (out of line they go through memory, and a short
// format takes half as long again).
template <class Text>
[[gnu::always_inline]] inline void replaceTokens(Text& text, const Date& d) {
  text.template replace<'Y', 4>(YearText(d.getYear()));
  text.template replace<'M', 3, true>(month2string(d.getMonth()));
  text.template replace<'M', 2>(pairText(d.getMonth()));
  text.template replace<'D', 2>(pairText(d.getDay()));
  text.template replace<'h', 2>(pairText(d.getHour()));
  text.template replace<'m', 2>(pairText(d.getMinute()));
  text.template replace<'s', 2>(pairText(d.getSecond()));
}

// Formats beyond the fixed buffer. With a four-digit year every replacement
// keeps its token's length. Kept out of line so that the common short path
// stays compact.
[[gnu::noinline]] std::string renderLong(std::string_view format, const Date& d) {
  if (d.getYear() >= 1000) {
    WideFormat text(format);
    replaceTokens(text, d);
    return std::move(text).str();
  }
  LongFormat text(format);
  replaceTokens(text, d);
  return std::move(text).str();
}

// A format that holds a token letter. Every date holds normalised fields (or
// a leap second of 60), so no replacement is longer than its token. Out of
// line, so that a format without a token is copied without this function's
// frame.
[[gnu::noinline]] std::string renderTokens(std::string_view format, const Date& d) {
  if (format.size() > ShortFormat::capacity) return renderLong(format, d);
  ShortFormat text(format);
  replaceTokens(text, d);
  return text.str();
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

std::string Date::toString() const {
  // "YYYY-MMM-DD hh:mm:ss" written directly. The token passes give the same
  // text: here no month name stands next to a letter it could join.
  std::array<char, 20> text = {'0', '0', '0', '0', '-', 'J', 'a', 'n', '-', '0',
                               '0', ' ', '0', '0', ':', '0', '0', ':', '0', '0'};
  // The year's 2 to 4 digits end where a four-digit year would.
  const YearText yearText(year);
  const std::string_view digits = yearText;
  const std::size_t start = 4 - digits.size();
  writeAt(text, start, digits);
  writeAt(text, 5, month2string(month).substr(0, 3));
  writeAt(text, 9, pairText(day));
  writeAt(text, 12, pairText(hour));
  writeAt(text, 15, pairText(minute));
  writeAt(text, 18, pairText(second));
  return {text.data() + start, text.size() - start};
}

std::string Date::toIsoString() const {
  std::array<char, 20> text = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0',
                               'T', '0', '0', ':', '0', '0', ':', '0', '0', 'Z'};
  const auto put = [&text](std::size_t at, int n) { writeAt(text, at, pairText(n)); };
  put(0, year / 100);
  put(2, year % 100);
  put(5, month);
  put(8, day);
  put(11, hour);
  put(14, minute);
  put(17, second);
  return {text.data(), text.size()};
}

std::string Date::render(std::string_view format) const {
  if (!detail::hasTokenLetter(format)) return std::string(format);
  return renderTokens(format, *this);
}

std::ostream& operator<<(std::ostream& o, const Date& d) { return o << d.toString(); }

}  // namespace Date
