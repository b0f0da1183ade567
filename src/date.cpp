#include "date.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <ostream>
#include <string_view>
#include <utility>

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

// Sets the length of `text`, without a call when it is already so long, as
// when one string is reused for a fixed format.
void setLength(std::string& text, std::size_t length) {
  if (text.size() != length) text.resize(length);
}

// True when `view` holds some of the bytes of `text`.
bool overlaps(std::string_view view, const std::string& text) noexcept {
  const std::less<> before;  // a total order over all pointers
  return !view.empty() && before(view.data(), text.data() + text.size()) &&
         before(text.data(), view.data() + view.size());
}

// Replaces the contents of `text` by `from`, which may view it. Over a text
// of the same length, as when one string is reused for a fixed format, the
// bytes are moved without a call into the string's own code: a short text
// as two overlapping words, each loaded before either is stored.
void replaceWith(std::string& text, std::string_view from) {
  const std::size_t size = from.size();
  if (text.size() != size) {
    text.assign(from);
  } else if (size >= 8 && size <= 16) {
    std::array<char, 8> first{};
    std::array<char, 8> last{};
    std::memcpy(first.data(), from.data(), 8);
    std::memcpy(last.data(), from.data() + size - 8, 8);
    std::memcpy(text.data(), first.data(), 8);
    std::memcpy(text.data() + size - 8, last.data(), 8);
  } else if (size != 0) {  // an empty view may hold a null pointer
    std::memmove(text.data(), from.data(), size);
  }
}

// The bits of the positions below n.
constexpr std::uint64_t below(std::size_t n) noexcept {
  return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// A piece of format of up to 64 bytes, rendered in place in the caller's
// buffer with one bit mask per token letter: bit i of a letter's mask is set
// when byte i is that letter. A pass picks its token's runs out of the mask
// with shifts and ANDs instead of a scan, keeping the rules of
// replaceString exactly: matches left to right, without overlaps, inserted
// text searched only by later passes. Replacements must not be longer than
// their tokens.
class ShortFormat {
 public:
  static constexpr std::size_t capacity = 64;
  using Masks = detail::LetterMasks;

  // Preconditions: format.size() in [1, capacity]; `masks` are its letters';
  // `buffer` holds format.size() bytes and does not overlap the format.
  ShortFormat(std::string_view format, const Masks& letters, char* buffer) noexcept
      : chars(buffer), size(format.size()), masks(letters) {
    std::memcpy(chars, format.data(), size);
  }

  // Replaces each run of `length` bytes equal to `letter` by the text that
  // `field()` makes, made only if there is a run. The text holds token
  // letters only if `textHasLetters` (a month name, not digits).
  template <char letter, std::size_t length, bool textHasLetters = false, class Field>
  void replace(const Field& field) noexcept {
    constexpr std::size_t slot = detail::slotOf(letter);
    std::uint64_t starts = masks[slot];
    for (std::size_t i = 1; i < length; ++i) starts &= masks[slot] >> i;
    if (starts == 0) return;
    const auto made = field();
    const std::string_view text = made;
    const std::size_t shrink = length - text.size();
    while (starts != 0) {
      const auto at = static_cast<std::size_t>(std::countr_zero(starts));
      const std::size_t end = at + length;
      masks[slot] &= below(at) | ~below(end);
      starts &= ~below(end);
      if (shrink != 0) {
        std::memmove(chars + end - shrink, chars + end, size - end);
        size -= shrink;
        starts >>= shrink;
        for (std::uint64_t& mask : masks)
          mask = (mask & below(at)) | ((mask & ~below(end)) >> shrink);
      }
      copyShort(chars + at, text);
      if constexpr (textHasLetters) {
        const Masks inserted = detail::lettersIn(text);
        for (std::size_t i = 0; i < masks.size(); ++i) masks[i] |= inserted[i] << at;
      }
    }
  }

  // The length of the text now.
  [[nodiscard]] std::size_t length() const noexcept { return size; }

 private:
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

  char* chars;  // the first `size` bytes are the text
  std::size_t size;
  Masks masks;
};

// A format rendered by string passes in the caller's string: for the rare
// format that runs 64 bytes without a byte that is not a token letter.
class StringPasses {
 public:
  explicit StringPasses(std::string& out) noexcept : text(out) {}

  template <char letter, std::size_t length, bool = false, class Field>
  void replace(const Field& field) {
    const std::array<char, length> token = [] {
      std::array<char, length> run{};
      run.fill(letter);
      return run;
    }();
    const auto made = field();
    replaceString(text, {token.data(), length}, made);
  }

 private:
  std::string& text;
};

// The seven passes, one kind of token at a time, in their fixed order.
// Inlined where it is used, so that ShortFormat's masks stay in registers
// through all seven passes (out of line they go through memory, and a short
// format takes half as long again).
template <class Text>
[[gnu::always_inline]] inline void replaceTokens(Text& text, const Date& d) {
  text.template replace<'Y', 4>([&d] { return YearText(d.getYear()); });
  text.template replace<'M', 3, true>([&d] { return month2string(d.getMonth()); });
  text.template replace<'M', 2>([&d] { return pairText(d.getMonth()); });
  text.template replace<'D', 2>([&d] { return pairText(d.getDay()); });
  text.template replace<'h', 2>([&d] { return pairText(d.getHour()); });
  text.template replace<'m', 2>([&d] { return pairText(d.getMinute()); });
  text.template replace<'s', 2>([&d] { return pairText(d.getSecond()); });
}

// The rest of a format with no cut within its first 64 bytes, appended to
// the first `written` bytes of `out`.
[[gnu::noinline]] void renderByStrings(std::string_view rest, const Date& d, std::string& out,
                                       std::size_t written) {
  std::string text(rest);
  StringPasses passes(text);
  replaceTokens(passes, d);
  out.resize(written);
  out += text;
}

// A format that holds a token letter, written into `out`; `format` may view
// `out`. Every date holds normalised fields (or a leap second of 60), so no
// replacement is longer than its token. Out of line, so that a format
// without a token is copied without this function's frame.
//
// A format longer than 64 bytes is rendered in pieces of at most 64, each
// ending with a byte that is not a token letter. No run of a token letter
// can cross such a byte, in any pass: replacements only overwrite runs, and
// a month name written into a piece joins only letters within it. So the
// pieces render alone, one after another, to the text the whole would.
[[gnu::noinline]] void renderTokens(std::string_view format, const Date& d, std::string& out) {
  std::string copy;
  if (overlaps(format, out)) format = copy.assign(format);
  setLength(out, format.size());
  std::size_t written = 0;
  while (!format.empty()) {
    std::size_t piece = std::min(format.size(), ShortFormat::capacity);
    ShortFormat::Masks masks = detail::findLetters(format.substr(0, piece));
    if (piece < format.size()) {
      std::uint64_t letters = 0;
      for (const std::uint64_t mask : masks) letters |= mask;
      if (letters == ~std::uint64_t{0}) return renderByStrings(format, d, out, written);
      piece = 64 - static_cast<std::size_t>(std::countl_zero(~letters));
      for (std::uint64_t& mask : masks) mask &= below(piece);
    }
    ShortFormat text(format.substr(0, piece), masks, out.data() + written);
    replaceTokens(text, d);
    written += text.length();
    format.remove_prefix(piece);
  }
  setLength(out, written);
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

void Date::toString(std::string_view format, std::string& text) const { render(format, text); }

void Date::toString(const char* format, std::string& text) const {
  render(format == nullptr ? std::string_view() : std::string_view(format), text);
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
  std::string text;
  renderTokens(format, *this, text);
  return text;
}

void Date::render(std::string_view format, std::string& text) const {
  if (detail::hasTokenLetter(format)) {
    renderTokens(format, *this, text);
  } else {
    replaceWith(text, format);
  }
}

std::ostream& operator<<(std::ostream& o, const Date& d) { return o << d.toString(); }

}  // namespace Date
