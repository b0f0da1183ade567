// Reading dates back from text: the token parser behind `Date::parse` and
// `Date::tryParse`.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "date.h"
#include "quoted.h"

namespace Date {

namespace {

// A format token and the field it reads: year, month, day, hour, minute,
// second in that order. A width of 0 marks the month name.
struct ParseToken {
  std::string_view token;
  std::size_t field;
  std::size_t maxDigits;
  std::string_view what;
};

// Longest first, so that "MMM" is found before "MM".
constexpr std::array<ParseToken, 7> parseTokens = {{{"YYYY", 0, 4, "the year"},
                                                    {"MMM", 1, 0, "a month name"},
                                                    {"MM", 1, 2, "the month"},
                                                    {"DD", 2, 2, "the day"},
                                                    {"hh", 3, 2, "the hour"},
                                                    {"mm", 4, 2, "the minute"},
                                                    {"ss", 5, 2, "the second"}}};

const ParseToken* tokenAt(std::string_view format, std::size_t at) noexcept {
  for (const ParseToken& token : parseTokens) {
    if (format.substr(at, token.token.size()) == token.token) return &token;
  }
  return nullptr;
}

bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Reads the six fields of `text` written in `format`, or says why not.
class Parser {
 public:
  Parser(std::string_view text, std::string_view format) noexcept : input(text), pattern(format) {}

  // The fields read, or nothing with `failure()` set.
  std::optional<std::array<int, 6>> read() {
    std::size_t in = 0;
    while (in < pattern.size()) {
      if (const ParseToken* token = tokenAt(pattern, in)) {
        in += token->token.size();
        if (!(token->maxDigits == 0 ? readMonthName(*token) : readNumber(*token, in))) return {};
      } else {
        if (at >= input.size() || input[at] != pattern[in]) {
          return fail(detail::quoted(pattern.substr(in, 1)), found(1));
        }
        ++at;
        ++in;
      }
    }
    if (at != input.size()) return fail("the end of the text", found(16));
    return fields;
  }

  [[nodiscard]] const std::string& failure() const noexcept { return message; }
  [[nodiscard]] std::size_t failedAt() const noexcept { return at; }

 private:
  bool readMonthName(const ParseToken& token) {
    for (int month = 1; month <= 12; ++month) {
      if (input.substr(at, 3) == detail::monthNames[static_cast<std::size_t>(month - 1)]) {
        fields[1] = month;
        at += 3;
        return true;
      }
    }
    fail(std::string(token.what), found(3));
    return false;
  }

  // Reads one to maxDigits digits.
  bool readNumber(const ParseToken& token, std::size_t next) {
    std::size_t digits = 0;
    int value = 0;
    while (digits < token.maxDigits && at + digits < input.size() && isDigit(input[at + digits])) {
      value = value * 10 + (input[at + digits] - '0');
      ++digits;
    }
    const std::string width = token.maxDigits == 4 ? "1 to 4 digits" : "1 or 2 digits";
    if (digits == 0) {
      fail(std::string(token.what) + " (" + width + ")", found(1));
      return false;
    }
    // Digits beyond the token's width belong to what the format has next: a
    // number or a digit of its own. Otherwise they make the number too long.
    const ParseToken* following = tokenAt(pattern, next);
    const bool digitsFollow = following != nullptr
                                  ? following->maxDigits != 0
                                  : next < pattern.size() && isDigit(pattern[next]);
    if (at + digits < input.size() && isDigit(input[at + digits]) && !digitsFollow) {
      std::size_t run = digits;
      while (at + run < input.size() && isDigit(input[at + run]) && run < 16) ++run;
      fail(std::string(token.what) + " (" + width + ")", detail::quoted(input.substr(at, run)));
      return false;
    }
    fields[token.field] = value;
    at += digits;
    return true;
  }

  // What the text holds at the current offset, up to `length` bytes.
  [[nodiscard]] std::string found(std::size_t length) const {
    return at >= input.size() ? std::string("the end of the text")
                              : detail::quoted(input.substr(at, length));
  }

  std::nullopt_t fail(const std::string& expected, const std::string& actual) {
    message = "expected " + expected + " at offset " + std::to_string(at) + " of " +
              detail::quoted(input) + ", found " + actual;
    return std::nullopt;
  }

  std::string_view input;
  std::string_view pattern;
  std::size_t at = 0;
  std::array<int, 6> fields = {0, 1, 1, 0, 0, 0};  // 0000-01-01 00:00:00
  std::string message;
};

// Reads ISO 8601 / RFC 3339 text: YYYY-MM-DD, optionally followed by T, t
// or a space, hh:mm:ss, an optional fraction after . or , and a zone
// designator Z, z, +hh:mm, +hhmm or +hh (or -). Every field has a fixed
// number of digits and is checked against its range, not carried. A failure
// records what was expected where, and the message is built only if asked
// for, so that `tryParseIso` never builds one.
class IsoReader {
 public:
  explicit IsoReader(std::string_view text) noexcept : input(text) {}

  std::optional<Date> read() noexcept {
    int year = 0;
    int month = 0;
    int day = 0;
    if (!number(4, year, "the year (4 digits)") || !literal('-') ||
        !number(2, month, "the month (2 digits)") ||
        !inRange(month, 1, 12, "the month (01 to 12)") || !literal('-') ||
        !number(2, day, "the day (2 digits)")) {
      return std::nullopt;
    }
    const auto length = static_cast<int>(detail::daysInMonth(year, month));
    if (!inRange(day, 1, length, dayRanges[static_cast<std::size_t>(length - 28)])) {
      return std::nullopt;
    }
    if (at == input.size()) return Date(year, month, day, 0, 0, 0);
    if (input[at] != 'T' && input[at] != 't' && input[at] != ' ') {
      return fail(R"("T", "t", " " or the end of the text)", 1);
    }
    ++at;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!number(2, hour, "the hour (2 digits)") || !inRange(hour, 0, 23, "the hour (00 to 23)") ||
        !literal(':') || !number(2, minute, "the minute (2 digits)") ||
        !inRange(minute, 0, 59, "the minute (00 to 59)") || !literal(':') ||
        !number(2, second, "the second (2 digits)") ||
        !inRange(second, 0, 60, "the second (00 to 60)") || !fraction()) {
      return std::nullopt;
    }
    int offsetMinutes = 0;
    if (!zone(offsetMinutes)) return std::nullopt;
    if (at != input.size()) return fail("the end of the text", 16);
    // The offset is subtracted exactly, and second 60 carries into the next
    // minute, by normalisation.
    return Date(year, month, day, hour, minute - offsetMinutes, second);
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

  std::nullopt_t fail(std::string_view what, std::size_t length) noexcept {
    expected = what;
    foundLength = length;
    return std::nullopt;
  }

  // Exactly `count` digits.
  bool number(std::size_t count, int& value, std::string_view what) noexcept {
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (at + i >= input.size() || !isDigit(input[at + i])) {
        fail(what, count);
        return false;
      }
      value = value * 10 + (input[at + i] - '0');
    }
    at += count;
    return true;
  }

  // Checks the two-digit field just read; a failure points at its start.
  bool inRange(int value, int least, int most, std::string_view what) noexcept {
    if (value >= least && value <= most) return true;
    at -= 2;
    fail(what, 2);
    return false;
  }

  bool literal(char c) noexcept {
    if (at < input.size() && input[at] == c) {
      ++at;
      return true;
    }
    fail(c == '-' ? R"("-")" : R"(":")", 1);
    return false;
  }

  // An optional fraction of a second: read, and dropped.
  bool fraction() noexcept {
    if (at == input.size() || (input[at] != '.' && input[at] != ',')) return true;
    ++at;
    const std::size_t first = at;
    while (at < input.size() && isDigit(input[at])) ++at;
    if (at > first) return true;
    fail("a digit of the fraction", 1);
    return false;
  }

  // The zone designator, as minutes east of UTC.
  bool zone(int& offsetMinutes) noexcept {
    if (at < input.size() && (input[at] == 'Z' || input[at] == 'z')) {
      ++at;
      return true;
    }
    if (at >= input.size() || (input[at] != '+' && input[at] != '-')) {
      fail(R"(a zone designator ("Z", "+hh:mm" or "-hh:mm"))", 1);
      return false;
    }
    const int sign = input[at] == '-' ? -1 : 1;
    ++at;
    int hours = 0;
    int minutes = 0;
    if (!number(2, hours, "the offset's hours (2 digits)") ||
        !inRange(hours, 0, 23, "the offset's hours (00 to 23)")) {
      return false;
    }
    if (at < input.size() && (input[at] == ':' || isDigit(input[at]))) {
      if (input[at] == ':') ++at;
      if (!number(2, minutes, "the offset's minutes (2 digits)") ||
          !inRange(minutes, 0, 59, "the offset's minutes (00 to 59)")) {
        return false;
      }
    }
    offsetMinutes = sign * (hours * 60 + minutes);
    return true;
  }

  std::string_view input;
  std::size_t at = 0;
  std::string_view expected;
  std::size_t foundLength = 0;
};

}  // namespace

ParseError::~ParseError() = default;

std::optional<Date> Date::tryParse(std::string_view text, std::string_view format) {
  Parser parser(text, format);
  const std::optional<std::array<int, 6>> f = parser.read();
  if (!f) return std::nullopt;
  return Date((*f)[0], (*f)[1], (*f)[2], (*f)[3], (*f)[4], (*f)[5]);
}

Date Date::parse(std::string_view text, std::string_view format) {
  Parser parser(text, format);
  const std::optional<std::array<int, 6>> f = parser.read();
  if (!f) throw ParseError(parser.failure(), parser.failedAt());
  return {(*f)[0], (*f)[1], (*f)[2], (*f)[3], (*f)[4], (*f)[5]};
}

}  // namespace Date

namespace Date {

std::optional<Date> Date::tryParseIso(std::string_view text) noexcept {
  return IsoReader(text).read();
}

Date Date::parseIso(std::string_view text) {
  IsoReader reader(text);
  const std::optional<Date> date = reader.read();
  if (!date) throw ParseError(reader.failure(), reader.failedAt());
  return *date;
}

}  // namespace Date
