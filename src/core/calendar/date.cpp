#include "normdate/date.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <ostream>
#include <string_view>
#include <utility>

#include "core/text/digits.h"
#include "core/text/token_letters.h"

namespace Date {

namespace {

using detail::pairText;
using detail::YearText;

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

// text = from, out of line: its inlined code would cost the callers of
// replaceWith registers that they save and restore on every call.
[[gnu::noinline]] void assign(std::string& text, std::string_view from) { text.assign(from); }

// Replaces the contents of `text` by `from`, which may view it. Over a text
// of the same length, as when one string is reused for a fixed format, the
// bytes are moved without a call into the string's own code: a short text
// as two overlapping words, each loaded before either is stored.
void replaceWith(std::string& text, std::string_view from) {
  const std::size_t size = from.size();
  if (text.size() != size) {
    assign(text, from);
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

// Up to 64 bytes of format, rendered in place with one bit mask per token
// letter: bit i of a letter's mask is set when byte i is that letter. A
// pass finds its tokens in its letter's mask with shifts and ANDs, keeping
// the rules of replaceString exactly: matches left to right, without
// overlaps, inserted text searched only by later passes. Of inserted text
// only a month name holds a token letter that a later pass can take: the D
// of "Dec", which the day's pass sees. (The M of "Mar" and "May" is followed
// by a small letter and preceded by the byte before its run of M, or by a
// name's last letter, so it never forms "MM".) Every year is written with
// four digits, and the leading zeros a short year leaves out are taken out
// at the end, so that no byte moves between passes.
class ShortFormat {
 public:
  static constexpr std::size_t capacity = 64;
  using Masks = detail::LetterMasks;

  // Preconditions: `text` holds `size` bytes of format, size in [1,
  // capacity]; `letters` are the masks of those bytes and outlive this
  // object.
  ShortFormat(char* text, std::size_t size, const Masks& letters) noexcept
      : chars(text), length(size), masks(letters) {}

  // Replaces the tokens by the fields of `d`, which must be normalised (a
  // leap second of 60 aside); returns the text's length. Inlined, so that
  // the masks stay in registers: copied through memory they stall.
  [[gnu::always_inline]] std::size_t render(const Date& d) noexcept {
    return render(d, [&d] { return YearText(d.getYear()); });
  }

  // The same, with the year's text from `yearText()`.
  template <class YearSource>
  [[gnu::always_inline]] std::size_t render(const Date& d, const YearSource& yearText) noexcept {
    if (const std::uint64_t fits = fitting<4>(mask('Y'))) {
      const YearText& year = yearText();
      const std::uint64_t years = write<4>(fits, year.fourDigits());
      for (std::size_t zero = 0; zero < year.leadingZeros(); ++zero) leftOut |= years << zero;
    }
    std::uint64_t names = 0;
    if (const std::uint64_t fits = fitting<3>(mask('M'))) {
      names = write<3>(fits, month2string(d.getMonth()).data());
    }
    const std::uint64_t inNames = names | names << 1 | names << 2;
    if (const std::uint64_t fits = fitting<2>(mask('M') & ~inNames)) {
      write<2>(fits, pairText(d.getMonth()).data());
    }
    const std::uint64_t days = d.getMonth() == 12 ? mask('D') | names : mask('D');
    if (const std::uint64_t fits = fitting<2>(days)) write<2>(fits, pairText(d.getDay()).data());
    if (const std::uint64_t fits = fitting<2>(mask('h'))) {
      write<2>(fits, pairText(d.getHour()).data());
    }
    if (const std::uint64_t fits = fitting<2>(mask('m'))) {
      write<2>(fits, pairText(d.getMinute()).data());
    }
    if (const std::uint64_t fits = fitting<2>(mask('s'))) {
      write<2>(fits, pairText(d.getSecond()).data());
    }
    if (leftOut != 0) takeOutLeftOutBytes();
    return length;
  }

 private:
  [[nodiscard]] std::uint64_t mask(char letter) const noexcept {
    return masks[detail::slotOf(letter)];
  }

  // The bytes of `letters` that are followed by `size` - 1 more.
  template <std::size_t size>
  static std::uint64_t fitting(std::uint64_t letters) noexcept {
    std::uint64_t fits = letters;
    for (std::size_t i = 1; i < size; ++i) fits &= letters >> i;
    return fits;
  }

  // Writes `text` over the tokens of `size` bytes that start in `fits`,
  // taken from the left without overlaps; returns where they start.
  template <std::size_t size>
  std::uint64_t write(std::uint64_t fits, const char* text) noexcept {
    std::uint64_t near = 0;  // bytes fewer than `size` after a fit
    for (std::size_t i = 1; i < size; ++i) near |= fits << i;
    const std::uint64_t tokens = (fits & near) == 0 ? fits : leftmost<size>(fits);
    for (std::uint64_t left = tokens; left != 0; left &= left - 1) {
      std::memcpy(chars + std::countr_zero(left), text, size);
    }
    return tokens;
  }

  // The tokens of `size` bytes that start in `fits` when some fits are
  // closer than that, in a run longer than a token: each taken from the
  // left, the fits it covers dropped.
  template <std::size_t size>
  static std::uint64_t leftmost(std::uint64_t fits) noexcept {
    std::uint64_t tokens = 0;
    while (fits != 0) {
      const auto at = static_cast<std::size_t>(std::countr_zero(fits));
      tokens |= std::uint64_t{1} << at;
      fits &= ~((std::uint64_t{2} << (at + size - 1)) - 1);  // those below at + size
    }
    return tokens;
  }

  // Takes out the bytes marked in `leftOut`, moving the rest together.
  void takeOutLeftOutBytes() noexcept {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < length; ++i) {
      chars[kept] = chars[i];
      kept += static_cast<std::size_t>(~leftOut >> i & 1);
    }
    length = kept;
  }

  char* chars;  // the first `length` bytes are the text
  std::size_t length;
  const Masks& masks;         // a copy would be made through memory, in wider words
  std::uint64_t leftOut = 0;  // the leading zeros of short years
};

// The rest of a format with no cut within its first 64 bytes, appended to
// the first `written` bytes of `out`: the seven passes over a copy, one kind
// of token at a time, in their fixed order.
[[gnu::noinline]] void renderByStrings(std::string_view rest, const Date& d, std::string& out,
                                       std::size_t written) {
  std::string text(rest);
  replaceString(text, "YYYY", YearText(d.getYear()));
  replaceString(text, "MMM", month2string(d.getMonth()));
  replaceString(text, "MM", pairText(d.getMonth()));
  replaceString(text, "DD", pairText(d.getDay()));
  replaceString(text, "hh", pairText(d.getHour()));
  replaceString(text, "mm", pairText(d.getMinute()));
  replaceString(text, "ss", pairText(d.getSecond()));
  out.resize(written);
  out += text;
}

// A format of more than 64 bytes that holds a token letter, written into
// `out`; `format` may view `out`. It is copied into `out` and rendered there
// in pieces of at most 64 bytes, each ending with a byte that is not a
// token letter. No run of a token letter can cross such a byte, in any
// pass: replacements only overwrite runs, and a month name written into a
// piece joins only letters within it. So the pieces render alone, one
// after another, to the text the whole would; each is moved to the end of
// the text before it if a short year has made that shorter. The letters
// are found in the format, not in the copy just written, whose bytes the
// processor could not yet forward to wider loads; only a format that viewed
// `out` is read from the copy.
[[gnu::noinline]] void renderLong(std::string_view format, const Date& d, std::string& out) {
  const bool viewsOut = overlaps(format, out);
  replaceWith(out, format);
  if (viewsOut) format = out;  // where its bytes are now
  const YearText year(d.getYear());
  std::size_t written = 0;
  for (std::size_t read = 0; read < format.size();) {
    const std::string_view rest = format.substr(read);
    std::size_t piece = std::min(rest.size(), ShortFormat::capacity);
    ShortFormat::Masks masks = detail::findLetters(rest.substr(0, piece));
    if (piece < rest.size()) {
      std::uint64_t letters = 0;
      for (const std::uint64_t mask : masks) letters |= mask;
      if (letters == ~std::uint64_t{0}) return renderByStrings(rest, d, out, written);
      piece = 64 - static_cast<std::size_t>(std::countl_one(letters));
      for (std::uint64_t& mask : masks) mask &= below(piece);
    }
    ShortFormat text(out.data() + read, piece, masks);
    const std::size_t length = text.render(d, [&year]() -> const YearText& { return year; });
    if (written != read) std::memmove(out.data() + written, out.data() + read, length);
    written += length;
    read += piece;
  }
  setLength(out, written);
}

// A format that holds a token letter, written into `out`; `format` may view
// `out`. A short format is copied into `out` and rendered there; its masks
// are found first, while the format is still whole. Out of line, so that a
// format without a token is copied without this function's frame.
[[gnu::noinline]] void renderTokens(std::string_view format, const Date& d, std::string& out) {
  if (format.size() > ShortFormat::capacity) return renderLong(format, d, out);
  const ShortFormat::Masks masks = detail::findLetters(format);
  replaceWith(out, format);
  ShortFormat text(out.data(), out.size(), masks);
  setLength(out, text.render(d));
}

// The same, returning a new string.
[[gnu::noinline]] std::string renderTokens(std::string_view format, const Date& d) {
  std::string out;
  if (format.size() > ShortFormat::capacity) {
    renderLong(format, d, out);
    return out;
  }
  const ShortFormat::Masks masks = detail::findLetters(format);
  out = format;
  ShortFormat text(out.data(), out.size(), masks);
  setLength(out, text.render(d));
  return out;
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
  // The token passes give the same text: here no month name stands next to
  // a letter it could join.
  std::array<char, 20> text;  // not zero-filled: every byte is written
  const std::size_t start =
      detail::writeDefaultForm(text.data(), *this, month2string(month).substr(0, 3));
  return {text.data() + start, text.size() - start};
}

std::string Date::toIsoString() const {
  std::array<char, 20> text;  // not zero-filled: every byte is written
  detail::writeIsoFields(text.data(), *this);
  text[19] = 'Z';
  return {text.data(), text.size()};
}

std::string Date::render(std::string_view format) const {
  if (!detail::hasTokenLetter(format)) return std::string(format);
  return renderTokens(format, *this);
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
