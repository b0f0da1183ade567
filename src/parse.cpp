// Reading dates back from text: the token parser behind `Date::parse` and
// `Date::tryParse`.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "date.h"

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

// Text for a message: at most 64 bytes of it, in quotes, with bytes that are
// not printable ASCII written as \xNN.
std::string quoted(std::string_view text) {
  constexpr std::size_t limit = 64;
  std::string result = "\"";
  for (const char c : text.substr(0, limit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      result += c;
    } else {
      constexpr std::string_view hex = "0123456789abcdef";
      result += "\\x";
      result += hex[byte >> 4];
      result += hex[byte & 0xF];
    }
  }
  if (text.size() > limit) result += "...";
  return result + '"';
}

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
        if (!(token->maxDigits == 0 ? readMonthName() : readNumber(*token, in))) return {};
      } else {
        if (at >= input.size() || input[at] != pattern[in]) {
          return fail(quoted(pattern.substr(in, 1)), found(1));
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
  bool readMonthName() {
    for (int month = 1; month <= 12; ++month) {
      if (input.substr(at, 3) == detail::monthNames[static_cast<std::size_t>(month - 1)]) {
        fields[1] = month;
        at += 3;
        return true;
      }
    }
    fail("a month name", found(3));
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
      fail(std::string(token.what) + " (" + width + ")", quoted(input.substr(at, run)));
      return false;
    }
    fields[token.field] = value;
    at += digits;
    return true;
  }

  // What the text holds at the current offset, up to `length` bytes.
  [[nodiscard]] std::string found(std::size_t length) const {
    return at >= input.size() ? std::string("the end of the text")
                              : quoted(input.substr(at, length));
  }

  std::nullopt_t fail(const std::string& expected, const std::string& actual) {
    message = "expected " + expected + " at offset " + std::to_string(at) + " of " + quoted(input) +
              ", found " + actual;
    return std::nullopt;
  }

  std::string_view input;
  std::string_view pattern;
  std::size_t at = 0;
  std::array<int, 6> fields = {0, 1, 1, 0, 0, 0};  // 0000-01-01 00:00:00
  std::string message;
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
