// Reading dates back from text: the token parser behind `Date::parse` and
// `Date::tryParse`.

#include <normdate/date.h>
#include <normdate/timestamp.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/text/quoted.h"
#include "core/text/token_letters.h"

namespace Date {

namespace {

// A format token and the field it reads: year, month, day, hour, minute,
// second and, for timestamps, nanosecond, in that order. A maxDigits of 0
// marks the month name; a fraction reads exactly its maxDigits.
struct ParseToken {
  std::size_t field;
  std::size_t maxDigits;
  std::string_view what;
};

constexpr ParseToken yearToken = {0, 4, "the year"};
constexpr ParseToken monthNameToken = {1, 0, "a month name"};
constexpr ParseToken monthToken = {1, 2, "the month"};
constexpr ParseToken dayToken = {2, 2, "the day"};
constexpr ParseToken hourToken = {3, 2, "the hour"};
constexpr ParseToken minuteToken = {4, 2, "the minute"};
constexpr ParseToken secondToken = {5, 2, "the second"};
constexpr std::size_t fractionField = 6;
constexpr ParseToken fraction3Token = {fractionField, 3, "the fraction"};
constexpr ParseToken fraction6Token = {fractionField, 6, "the fraction"};
constexpr ParseToken fraction9Token = {fractionField, 9, "the fraction"};

// True when the `length` bytes of `format` from `at` are all `letter`. The
// constant run makes the comparison a single load at any optimisation level.
template <char letter, std::size_t length>
bool runAt(std::string_view format, std::size_t at) noexcept {
  static constexpr std::array<char, length> run = [] {
    std::array<char, length> bytes{};
    bytes.fill(letter);
    return bytes;
  }();
  return format.size() - at >= length && std::memcmp(format.data() + at, run.data(), length) == 0;
}

// A token's length in bytes, as a type, so that its reading is compiled for
// it; a fraction's is a type of its own.
template <std::size_t bytes>
using TokenLength = std::integral_constant<std::size_t, bytes>;
template <std::size_t bytes>
struct FractionLength {
  static constexpr std::size_t value = bytes;
};

// Calls `found(token, TokenLength<length>())` for the token that starts at
// `at` of the format, the longest first ("MMM" before "MM"), and returns what
// it returns; returns `none` where no token starts. Only the six token
// letters can start one, and, where `fractions` is set, f, which starts the
// fraction tokens fffffffff, ffffff and fff. Precondition: at < format.size().
template <class Result, class Found>
[[gnu::always_inline]] inline Result withFractionAt(std::string_view format, std::size_t at,
                                                    Result none, const Found& found) {
  if (runAt<'f', 9>(format, at)) return found(fraction9Token, FractionLength<9>());
  if (runAt<'f', 6>(format, at)) return found(fraction6Token, FractionLength<6>());
  return runAt<'f', 3>(format, at) ? found(fraction3Token, FractionLength<3>()) : none;
}

template <bool fractions, class Result, class Found>
[[gnu::always_inline]] inline Result withTokenAt(std::string_view format, std::size_t at,
                                                 Result none, const Found& found) {
  if constexpr (fractions) {
    if (format[at] == 'f') return withFractionAt(format, at, none, found);
  }
  switch (format[at]) {
    case 'Y': return runAt<'Y', 4>(format, at) ? found(yearToken, TokenLength<4>()) : none;
    case 'M':
      if (runAt<'M', 3>(format, at)) return found(monthNameToken, TokenLength<3>());
      return runAt<'M', 2>(format, at) ? found(monthToken, TokenLength<2>()) : none;
    case 'D': return runAt<'D', 2>(format, at) ? found(dayToken, TokenLength<2>()) : none;
    case 'h': return runAt<'h', 2>(format, at) ? found(hourToken, TokenLength<2>()) : none;
    case 'm': return runAt<'m', 2>(format, at) ? found(minuteToken, TokenLength<2>()) : none;
    case 's': return runAt<'s', 2>(format, at) ? found(secondToken, TokenLength<2>()) : none;
    default: return none;
  }
}

// The token at `at` of the format, if any.
template <bool fractions>
const ParseToken* tokenAt(std::string_view format, std::size_t at) noexcept {
  if (at >= format.size()) return nullptr;
  const auto address = [](const ParseToken& token, auto /*length*/) { return &token; };
  return withTokenAt<fractions>(format, at, static_cast<const ParseToken*>(nullptr), address);
}

constexpr bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }

// For each byte, whether it is a literal in any format that no number can
// take: neither a digit nor a letter that can start a token.
constexpr std::array<bool, 256> plainLiterals = [] {
  std::array<bool, 256> plain{};
  for (std::size_t byte = 0; byte < plain.size(); ++byte) {
    const auto c = static_cast<char>(byte);
    plain[byte] = !isDigit(c) && detail::slotOf(c) == detail::tokenLetters.size();
  }
  return plain;
}();

// As above, where f starts the fraction tokens if `fractions` is set.
template <bool fractions>
constexpr bool isPlainLiteral(char c) noexcept {
  return plainLiterals[static_cast<unsigned char>(c)] && (!fractions || c != 'f');
}

// Sets `value` to the `width` (2 or 4) decimal digits at `text`, or returns
// false if a byte there is not a digit. The bytes are assembled first to
// last from the low end, spelt out (not in a loop), which compilers at -O2
// and above turn into one load on a little-endian target.
template <std::size_t width>
constexpr bool wholeNumber(const char* text, unsigned& value) noexcept {
  static_assert(width == 2 || width == 4);
  const auto byte = [text](std::size_t i) {
    return std::uint32_t{static_cast<unsigned char>(text[i])} << (8 * i);
  };
  std::uint32_t word = byte(0) | byte(1);
  if constexpr (width == 4) word |= byte(2) | byte(3);
  constexpr std::uint32_t ones = width == 2 ? 0x0101 : 0x01010101;
  std::uint32_t digits = word - ones * '0';
  // A byte of `digits` above 9 sets its high bit here, by itself or with
  // 0x76 added. The lowest byte that is no digit borrows nothing from the
  // bytes below it, nor takes a carry from them, so it is always seen.
  if (((digits | (digits + ones * 0x76)) & ones * 0x80) != 0) return false;
  if constexpr (width == 4) {
    // Pairs: byte 0 = d0 * 10 + d1, byte 2 = d2 * 10 + d3, each at most 99.
    digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF;
    value = (digits & 0xFF) * 100 + (digits >> 16);
  } else {
    value = (digits & 0xFF) * 10 + (digits >> 8);
  }
  return true;
}

// True when the format goes on at `at` with a number, or with a digit of
// its own: either may take the digits after a number's. Out of line, since
// only a number with another digit after it asks.
template <bool fractions>
[[gnu::noinline]] bool digitsFollow(std::string_view format, std::size_t at) noexcept {
  const ParseToken* following = tokenAt<fractions>(format, at);
  return following != nullptr ? following->maxDigits != 0
                              : at < format.size() && isDigit(format[at]);
}

// Reads the six fields of `text` written in `format`, and with `fractions`
// set the fraction of a second too. A failure is recorded as plain data,
// what was expected at which offset, and turned into a message only by
// `message()`, so that `tryParse` never builds one.
template <bool fractions>
class Parser {
 public:
  Parser(std::string_view text, std::string_view format) noexcept : input(text), pattern(format) {}

  // Reads the fields, or records the failure and returns false. Each token
  // is tried where its letter stands, the longest first ("MMM" before "MM"),
  // and read where it is found, so that each reading knows its token.
  [[gnu::always_inline]] bool read() noexcept {
    std::size_t in = 0;
    while (in < pattern.size()) {
      const Took took = takeToken(in);
      if (took == Took::Failed) return false;
      if (took == Took::Nothing) {
        if (at >= input.size() || input[at] != pattern[in]) {
          return fail(Expected::Literal, nullptr, 1, pattern[in]);
        }
        ++at;
        ++in;
      }
    }
    return at == input.size() || fail(Expected::End, nullptr, 16);
  }

  // The fields read: year, month, day, hour, minute, second, and with
  // `fractions` the nanosecond.
  using Fields = std::array<int, fractions ? 7 : 6>;
  [[nodiscard]] const Fields& values() const noexcept { return fields; }

  [[nodiscard]] std::size_t failedAt() const noexcept { return at; }

  // What was expected where, and what was found: built on demand.
  [[nodiscard]] std::string message() const {
    std::string expected;
    switch (expectedKind) {
      case Expected::Literal: expected = detail::quoted(std::string_view(&literal, 1)); break;
      case Expected::End: expected = "the end of the text"; break;
      case Expected::Token:
        expected = std::string(expectedToken->what);
        if (expectedToken->field == fractionField) {
          expected += " (" + std::to_string(expectedToken->maxDigits) + " digits)";
        } else if (expectedToken->maxDigits != 0) {
          expected += expectedToken->maxDigits == 4 ? " (1 to 4 digits)" : " (1 or 2 digits)";
        }
        break;
    }
    const std::string found = at >= input.size() ? std::string("the end of the text")
                                                 : detail::quoted(input.substr(at, foundLength));
    return "expected " + expected + " at offset " + std::to_string(at) + " of " +
           detail::quoted(input) + ", found " + found;
  }

 private:
  enum class Expected { Literal, Token, End };

  enum class Took { Nothing, Read, Failed };

  // The token the format has at `in`, if any, read, and `in` moved past it.
  [[gnu::always_inline]] Took takeToken(std::size_t& in) noexcept {
    return withTokenAt<fractions>(pattern, in, Took::Nothing, TokenReading{*this, in});
  }

  // Reads the token withTokenAt finds. A class rather than a lambda, so that
  // its call is inlined at -O2 too: a lambda's call operator cannot be
  // marked always_inline in standard syntax.
  struct TokenReading {
    Parser& parser;
    std::size_t& in;
    template <class Length>
    [[gnu::always_inline]] Took operator()(const ParseToken& token, Length length) const noexcept {
      return parser.readToken(token, in, length);
    }
  };

  // Reads `token`, the `length` bytes of the format at `in`, and moves `in`
  // past it.
  template <std::size_t length>
  [[gnu::always_inline]] Took readToken(const ParseToken& token, std::size_t& in,
                                        TokenLength<length> /*length*/) noexcept {
    in += length;
    bool read = false;
    if constexpr (length == 3) {
      read = readMonthName(token);
    } else {
      read = readWholeThenLiteral<length>(token, in) || readNumber(token, in);
    }
    return read ? Took::Read : Took::Failed;
  }

  template <std::size_t digits>
  Took readToken(const ParseToken& token, std::size_t& in,
                 FractionLength<digits> /*length*/) noexcept {
    in += digits;
    return readFraction<digits>(token) ? Took::Read : Took::Failed;
  }

  // Exactly `digits` digits of the fraction, as nanoseconds.
  template <std::size_t digits>
  bool readFraction(const ParseToken& fraction) noexcept {
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
      if (at + i >= input.size() || !isDigit(input[at + i])) {
        return fail(Expected::Token, &fraction, digits);
      }
      value = value * 10 + (input[at + i] - '0');
    }
    for (std::size_t scale = digits; scale < 9; ++scale) value *= 10;
    fields[fractionField] = value;
    at += digits;
    return true;
  }

  // The common case of a number within a format: all `width` digits, then
  // the literal byte the format has next, neither a digit nor a token
  // letter. Matching that byte shows that no digit follows the number, and
  // takes the literal without another turn of the reading loop.
  template <std::size_t width>
  [[gnu::always_inline]] bool readWholeThenLiteral(const ParseToken& number,
                                                   std::size_t& in) noexcept {
    if (in >= pattern.size() || !isPlainLiteral<fractions>(pattern[in])) return false;
    if (input.size() - at <= width || input[at + width] != pattern[in]) return false;
    unsigned value = 0;
    if (!wholeNumber<width>(input.data() + at, value)) return false;
    fields[number.field] = static_cast<int>(value);  // at most 9999
    at += width + 1;
    ++in;
    return true;
  }

  bool readMonthName(const ParseToken& month) noexcept {
    if (input.size() - at >= 3) {
      const std::string_view name = input.substr(at, 3);
      for (std::size_t m = 0; m < detail::monthNames.size(); ++m) {
        if (name == detail::monthNames[m]) {
          fields[1] = static_cast<int>(m + 1);
          at += 3;
          return true;
        }
      }
    }
    fail(Expected::Token, &month, 3);
    return false;
  }

  // Reads one to maxDigits digits. Inlined into each token's reading at every
  // optimisation level, where its token is known; -O2 would otherwise call
  // it and read a third more slowly than -O3.
  [[gnu::always_inline]] bool readNumber(const ParseToken& number, std::size_t next) noexcept {
    if (number.maxDigits == 4 ? readWhole<4>(number) : readWhole<2>(number)) return true;
    const char* const text = input.data() + at;
    const std::size_t limit = std::min(number.maxDigits, input.size() - at);
    std::size_t digits = 0;
    unsigned value = 0;
    for (; digits < limit; ++digits) {
      const auto digit = static_cast<unsigned char>(text[digits] - '0');
      if (digit > 9) break;
      value = value * 10 + digit;
    }
    if (digits == 0) {
      fail(Expected::Token, &number, 1);
      return false;
    }
    // Digits beyond the token's width belong to what the format has next: a
    // number or a digit of its own. Otherwise they make the number too long.
    if (at + digits < input.size() && isDigit(input[at + digits])) {
      if (!digitsFollow<fractions>(pattern, next)) {
        std::size_t run = digits;
        while (at + run < input.size() && isDigit(input[at + run]) && run < 16) ++run;
        fail(Expected::Token, &number, run);
        return false;
      }
    }
    fields[number.field] = static_cast<int>(value);  // at most 9999
    at += digits;
    return true;
  }

  // The common case of a number: all `width` digits, and no digit after
  // them. The digits are tested and combined as one word, without a branch
  // on each: they arrive at random.
  template <std::size_t width>
  bool readWhole(const ParseToken& number) noexcept {
    const std::size_t left = input.size() - at;
    if (left < width || (left > width && isDigit(input[at + width]))) return false;
    unsigned value = 0;
    if (!wholeNumber<width>(input.data() + at, value)) return false;
    fields[number.field] = static_cast<int>(value);  // at most 9999
    at += width;
    return true;
  }

  bool fail(Expected kind, const ParseToken* what, std::size_t length,
            char expectedLiteral = 0) noexcept {
    expectedKind = kind;
    expectedToken = what;
    foundLength = length;
    literal = expectedLiteral;
    return false;
  }

  std::string_view input;
  std::string_view pattern;
  std::size_t at = 0;
  Fields fields = {0, 1, 1, 0, 0, 0};  // 0000-01-01 00:00:00, at nanosecond 0
  Expected expectedKind = Expected::End;
  const ParseToken* expectedToken = nullptr;
  std::size_t foundLength = 0;
  char literal = 0;
};

// What ISO text says: its fields as written, the fraction's first nine
// digits as nanoseconds, and the offset it names, in seconds east of UTC.
struct IsoInstant {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int nanosecond = 0;
  int offsetSeconds = 0;

  // The UTC date of the whole second: the offset subtracted exactly, and
  // second 60 carried into the next minute, by normalisation.
  [[nodiscard]] Date utcSecond() const noexcept {
    return {year, month, day, hour, minute, second - offsetSeconds};
  }
};

// Reads ISO 8601 / RFC 3339 text: YYYY-MM-DD, optionally followed by T, t
// or a space, hh:mm:ss, an optional fraction after . or , and a zone
// designator Z, z, +hh:mm:ss, +hh:mm, +hhmm or +hh (or -). Every field has a
// fixed number of digits and is checked against its range, not carried. A
// failure records what was expected where, and the message is built only if
// asked for, so that the parsers that give nothing on failure never build
// one.
//
// `strict` reads RFC 3339's date-time alone: the time required, "." before
// the fraction, "Z", "z" or +hh:mm, and a second 60 only at 23:59:60 UTC.
class IsoReader {
 public:
  explicit IsoReader(std::string_view text, bool strict = false) noexcept
      : input(text), rfc3339(strict) {}

  bool read(IsoInstant& out) noexcept {
    if (!number(4, out.year, "the year (4 digits)") || !literal('-') ||
        !number(2, out.month, "the month (2 digits)") ||
        !inRange(out.month, 1, 12, "the month (01 to 12)") || !literal('-') ||
        !number(2, out.day, "the day (2 digits)")) {
      return false;
    }
    const auto length = static_cast<int>(detail::daysInMonth(out.year, out.month));
    if (!inRange(out.day, 1, length, dayRanges[static_cast<std::size_t>(length - 28)])) {
      return false;
    }
    if (at == input.size() && !rfc3339) return true;
    if (at == input.size() || (input[at] != 'T' && input[at] != 't' && input[at] != ' ')) {
      return fail(rfc3339 ? R"("T", "t" or " ")" : R"("T", "t", " " or the end of the text)", 1);
    }
    ++at;
    if (!number(2, out.hour, "the hour (2 digits)") ||
        !inRange(out.hour, 0, 23, "the hour (00 to 23)") || !literal(':') ||
        !number(2, out.minute, "the minute (2 digits)") ||
        !inRange(out.minute, 0, 59, "the minute (00 to 59)") || !literal(':') ||
        !number(2, out.second, "the second (2 digits)") ||
        !inRange(out.second, 0, 60, "the second (00 to 60)")) {
      return false;
    }
    const std::size_t secondAt = at - 2;
    if (!fraction(out.nanosecond) || !zone(out.offsetSeconds)) return false;
    if (rfc3339 && out.second == 60 &&
        detail::floorMod(out.hour * 60 + out.minute - out.offsetSeconds / 60, 1440) != 1439) {
      at = secondAt;
      return fail("the second (00 to 59; 60 only at 23:59:60 UTC)", 2);
    }
    // Every instant of a leap second is the next minute's first, so that
    // reading keeps the order of the instants.
    if (out.second == 60) out.nanosecond = 0;
    return at == input.size() || fail("the end of the text", 16);
  }

  [[nodiscard]] std::size_t failedAt() const noexcept { return at; }

  [[nodiscard]] std::string failure() const {
    const std::string found =
        at >= input.size() ? "the end of the text" : detail::quoted(input.substr(at, foundLength));
    return "expected " + std::string(expected) + " at offset " + std::to_string(at) + " of " +
           detail::quoted(input) + ", found " + found;
  }

 private:
  static constexpr std::array<std::string_view, 4> dayRanges = {
      "the day (01 to 28)", "the day (01 to 29)", "the day (01 to 30)", "the day (01 to 31)"};

  bool fail(std::string_view what, std::size_t length) noexcept {
    expected = what;
    foundLength = length;
    return false;
  }

  // Exactly `count` digits.
  bool number(std::size_t count, int& value, std::string_view what) noexcept {
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (at + i >= input.size() || !isDigit(input[at + i])) return fail(what, count);
      value = value * 10 + (input[at + i] - '0');
    }
    at += count;
    return true;
  }

  // Checks the two-digit field just read; a failure points at its start.
  bool inRange(int value, int least, int most, std::string_view what) noexcept {
    if (value >= least && value <= most) return true;
    at -= 2;
    return fail(what, 2);
  }

  bool literal(char c) noexcept {
    if (at < input.size() && input[at] == c) {
      ++at;
      return true;
    }
    return fail(c == '-' ? R"("-")" : R"(":")", 1);
  }

  // An optional fraction of a second: its first nine digits as nanoseconds;
  // any further digits are read and dropped, which truncates.
  bool fraction(int& nanosecond) noexcept {
    if (at == input.size() || (input[at] != '.' && (input[at] != ',' || rfc3339))) return true;
    ++at;
    const std::size_t first = at;
    int value = 0;
    for (; at < input.size() && isDigit(input[at]); ++at) {
      if (at - first < 9) value = value * 10 + (input[at] - '0');
    }
    if (at == first) return fail("a digit of the fraction", 1);
    for (std::size_t digits = at - first; digits < 9; ++digits) value *= 10;
    nanosecond = value;
    return true;
  }

  // The offset's two-digit `what` ("minutes" or "seconds"), 00 to `most`.
  bool twoDigitField(int& value, std::string_view what, int most) noexcept {
    const bool minutes = what == "minutes";
    return number(
               2, value,
               minutes ? "the offset's minutes (2 digits)" : "the offset's seconds (2 digits)") &&
           inRange(value, 0, most,
                   minutes ? "the offset's minutes (00 to 59)" : "the offset's seconds (00 to 59)");
  }

  // After the offset's hours, as ISO 8601 allows: nothing, mm, :mm or
  // :mm:ss.
  bool optionalMinutesAndSeconds(int& minutes, int& seconds) noexcept {
    if (at >= input.size() || (input[at] != ':' && !isDigit(input[at]))) return true;
    const bool extended = input[at] == ':';
    if (extended) ++at;
    if (!twoDigitField(minutes, "minutes", 59)) return false;
    if (!extended || at >= input.size() || input[at] != ':') return true;
    ++at;
    return twoDigitField(seconds, "seconds", 59);
  }

  // The zone designator, as seconds east of UTC. Seconds follow only the
  // extended form, +hh:mm:ss, which offsets of local mean time need.
  bool zone(int& offsetSeconds) noexcept {
    if (at < input.size() && (input[at] == 'Z' || input[at] == 'z')) {
      ++at;
      return true;
    }
    if (at >= input.size() || (input[at] != '+' && input[at] != '-')) {
      return fail(R"(a zone designator ("Z", "+hh:mm" or "-hh:mm"))", 1);
    }
    const int sign = input[at] == '-' ? -1 : 1;
    ++at;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (!number(2, hours, "the offset's hours (2 digits)") ||
        !inRange(hours, 0, 23, "the offset's hours (00 to 23)")) {
      return false;
    }
    if (rfc3339 ? !literal(':') || !twoDigitField(minutes, "minutes", 59)
                : !optionalMinutesAndSeconds(minutes, seconds)) {
      return false;
    }
    offsetSeconds = sign * (hours * 3600 + minutes * 60 + seconds);
    return true;
  }

  std::string_view input;
  bool rfc3339;
  std::size_t at = 0;
  std::string_view expected;
  std::size_t foundLength = 0;
};

}  // namespace

ParseError::~ParseError() = default;

std::optional<Date> Date::tryParse(std::string_view text, std::string_view format) noexcept {
  Parser<false> parser(text, format);
  if (!parser.read()) return std::nullopt;
  return fromParsed(parser.values());
}

Date Date::parse(std::string_view text, std::string_view format) {
  Parser<false> parser(text, format);
  if (!parser.read()) throw ParseError(parser.message(), parser.failedAt());
  return fromParsed(parser.values());
}

}  // namespace Date

namespace Date {

std::optional<Date> Date::tryParseIso(std::string_view text) noexcept {
  IsoInstant read;
  if (!IsoReader(text).read(read)) return std::nullopt;
  return read.utcSecond();
}

Date Date::parseIso(std::string_view text) {
  IsoReader reader(text);
  IsoInstant read;
  if (!reader.read(read)) throw ParseError(reader.failure(), reader.failedAt());
  return read.utcSecond();
}

// ---- Timestamps. ----

namespace {

OffsetTimestamp offsetTimestampOf(const IsoInstant& read) noexcept {
  return {Timestamp(read.utcSecond(), read.nanosecond), read.offsetSeconds};
}

OffsetTimestamp readIso(std::string_view text, bool rfc3339 = false) {
  IsoReader reader(text, rfc3339);
  IsoInstant read;
  if (!reader.read(read)) throw ParseError(reader.failure(), reader.failedAt());
  return offsetTimestampOf(read);
}

Timestamp timestampOf(const std::array<int, 7>& f) noexcept {
  return {Date(f[0], f[1], f[2], f[3], f[4], f[5]), f[6]};
}

// The default form, with the fraction the text has: none, or the digits
// after its last ".", if there are 3, 6 or 9.
std::string_view defaultFormatFor(std::string_view text) noexcept {
  constexpr std::string_view withNine = "YYYY-MMM-DD hh:mm:ss.fffffffff";
  const std::size_t dot = text.rfind('.');
  const std::size_t digits = dot == std::string_view::npos ? 0 : text.size() - dot - 1;
  const std::size_t fraction = digits == 3 || digits == 6 || digits == 9 ? digits + 1 : 0;
  return withNine.substr(0, withNine.size() - 10 + fraction);
}

}  // namespace

std::optional<Timestamp> Timestamp::tryParseIso(std::string_view text) noexcept {
  IsoInstant read;
  if (!IsoReader(text).read(read)) return std::nullopt;
  return Timestamp(read.utcSecond(), read.nanosecond);
}

Timestamp Timestamp::parseIso(std::string_view text) { return readIso(text).utc; }

std::optional<OffsetTimestamp> Timestamp::tryParseIsoWithOffset(std::string_view text) noexcept {
  IsoInstant read;
  if (!IsoReader(text).read(read)) return std::nullopt;
  return offsetTimestampOf(read);
}

OffsetTimestamp Timestamp::parseIsoWithOffset(std::string_view text) { return readIso(text); }

std::optional<OffsetTimestamp> Timestamp::tryParseRfc3339WithOffset(
    std::string_view text) noexcept {
  IsoInstant read;
  if (!IsoReader(text, true).read(read)) return std::nullopt;
  return offsetTimestampOf(read);
}

OffsetTimestamp Timestamp::parseRfc3339WithOffset(std::string_view text) {
  return readIso(text, true);
}

std::optional<Timestamp> Timestamp::tryParseRfc3339(std::string_view text) noexcept {
  const std::optional<OffsetTimestamp> read = tryParseRfc3339WithOffset(text);
  if (!read) return std::nullopt;
  return read->utc;
}

Timestamp Timestamp::parseRfc3339(std::string_view text) { return readIso(text, true).utc; }

std::optional<Timestamp> Timestamp::tryParse(std::string_view text,
                                             std::string_view format) noexcept {
  Parser<true> parser(text, format);
  if (!parser.read()) return std::nullopt;
  return timestampOf(parser.values());
}

Timestamp Timestamp::parse(std::string_view text, std::string_view format) {
  Parser<true> parser(text, format);
  if (!parser.read()) throw ParseError(parser.message(), parser.failedAt());
  return timestampOf(parser.values());
}

std::optional<Timestamp> Timestamp::tryParse(std::string_view text) noexcept {
  return tryParse(text, defaultFormatFor(text));
}

Timestamp Timestamp::parse(std::string_view text) { return parse(text, defaultFormatFor(text)); }

}  // namespace Date
