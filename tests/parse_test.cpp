// Reading dates back from text: round trips through toString, malformed
// texts with their messages, and inputs of any size.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

Date::Date randomDate(std::mt19937_64& random) {
  std::uniform_int_distribution<int> any(-2000000000, 2000000000);
  return {any(random), any(random), any(random), any(random), any(random), any(random)};
}

// Formats in which each field appears once, no token letter stands outside a
// token, and the year is not followed directly by a number. Numbers that
// follow one another directly are split at their widths.
TEST(Parse, RoundTripsThroughToString) {
  const std::array<const char*, 9> formats = {
      "YYYY-MMM-DD hh:mm:ss",  "DD.MM.YYYY", "YYYY/MM/DD hhmmss",
      "ssmmhhDDMMYYYY",        "hh:mm",      "MMM DD, YYYY",
      "[ss|mm|hh|DD|MM|YYYY]", "DDMMMYYYY",  "YYYY"};
  std::mt19937_64 random(37);
  for (int i = 0; i < 5000; ++i) {
    const Date::Date d = randomDate(random);
    ASSERT_EQ(Date::Date::parse(d.toString()), d);
    for (const char* format : formats) {
      const std::string text = d.toString(format);
      const std::optional<Date::Date> back = Date::Date::tryParse(text, format);
      ASSERT_TRUE(back.has_value()) << '"' << text << "\" in " << format;
      ASSERT_EQ(back->toString(format), text) << format;
      ASSERT_EQ(Date::Date::parse(text, format), *back);
    }
  }
}

TEST(Parse, NormalisesLikeTheConstructor) {
  EXPECT_EQ(Date::Date::tryParse("2010-Feb-30 22:59:72"),
            Date::Date(2010, Date::Feb, 30, 22, 59, 72));
  EXPECT_FALSE(Date::Date::tryParse("2010-02-30 22:59:72").has_value());
  EXPECT_EQ(Date::Date::parse("2010-Feb-30 22:59:72"), Date::Date(2010, Date::Feb, 30, 22, 59, 72));
  EXPECT_EQ(Date::Date::parse("2026-Dec-06 02:04:49"), Date::Date(2026, Date::Dec, 6, 2, 4, 49));
  EXPECT_EQ(Date::Date::parse("5-Jan-1 0:0:0"), Date::Date(5, Date::Jan, 1));
  EXPECT_EQ(Date::Date::parse("20101207", "YYYYMMDD"), Date::Date(2010, Date::Dec, 7));
  EXPECT_EQ(Date::Date::parse("12:30", "hh:mm"), Date::Date(0, Date::Jan, 1, 12, 30, 0));
  EXPECT_EQ(Date::Date::parse("", ""), Date::Date(0, Date::Jan, 1));
  // A number's digits stop at its width when the format goes on with a digit.
  EXPECT_EQ(Date::Date::parse("047", "MM7"), Date::Date(0, Date::Apr, 1));
  EXPECT_EQ(Date::Date::parse("99905", "YYYY5"), Date::Date(9990, Date::Jan, 1));
  EXPECT_EQ(Date::Date::parse("2026 Dec", "YYYY MMM"), Date::Date(2026, Date::Dec, 1));
  // The longest token first: "MMMM" is a month name and then a literal M.
  EXPECT_EQ(Date::Date::parse("MarM", "MMMM"), Date::Date(0, Date::Mar, 1));
}

struct Malformed {
  const char* text;
  const char* format;
  const char* message;
};

TEST(Parse, MalformedTextsSayWhatWasExpected) {
  const std::array<Malformed, 20> cases = {{
      {"123-s", "hh-s", R"(expected the hour (1 or 2 digits) at offset 0 of "123-s", found "123")"},
      {"12:00:123", "hh:mm:ss",
       R"(expected the second (1 or 2 digits) at offset 6 of "12:00:123", found "123")"},
      {"2010-Feb-x0 22:59:12", "YYYY-MMM-DD hh:mm:ss",
       R"(expected the day (1 or 2 digits) at offset 9 of "2010-Feb-x0 22:59:12", found "x")"},
      {"2010-Feb-30 22:59:", "YYYY-MMM-DD hh:mm:ss",
       R"(expected the second (1 or 2 digits) at offset 18 of "2010-Feb-30 22:59:", found the end of the text)"},
      {"123Jan", "DDMMM",
       R"(expected the day (1 or 2 digits) at offset 0 of "123Jan", found "123")"},
      {"~\"\\\x1f\x7f\xff", "x",
       R"(expected "x" at offset 0 of "~\x22\x5c\x1f\x7f\xff", found "~")"},
      {"12345678901234567890123456789012345678901234567890123456789012345", "hh",
       R"(expected the hour (1 or 2 digits) at offset 0 of "1234567890123456789012345678901234567890123456789012345678901234...", found "1234567890123456")"},
      {"2010-Feb-30 22:59:12", "YYYY-MM",
       R"(expected the month (1 or 2 digits) at offset 5 of "2010-Feb-30 22:59:12", found "F")"},
      {"2010-Fbr-30 22:59:12", "YYYY-MMM-DD hh:mm:ss",
       R"(expected a month name at offset 5 of "2010-Fbr-30 22:59:12", found "Fbr")"},
      {"2026-Dex-06 02:04:49", "YYYY-MMM-DD hh:mm:ss",
       R"(expected a month name at offset 5 of "2026-Dex-06 02:04:49", found "Dex")"},
      {"2010-Feb-30 22:59:12 UTC", "YYYY-MMM-DD hh:mm:ss",
       R"(expected the end of the text at offset 20 of "2010-Feb-30 22:59:12 UTC", found " UTC")"},
      {"2010-Feb-30 22:59", "YYYY-MMM-DD hh:mm:ss",
       R"(expected ":" at offset 17 of "2010-Feb-30 22:59", found the end of the text)"},
      {"2010-Feb-30 22:", "YYYY-MMM-DD hh:mm:ss",
       R"(expected the minute (1 or 2 digits) at offset 15 of "2010-Feb-30 22:", found the end of the text)"},
      {"", "YYYY",
       R"(expected the year (1 to 4 digits) at offset 0 of "", found the end of the text)"},
      {"123:00", "hh:mm",
       R"(expected the hour (1 or 2 digits) at offset 0 of "123:00", found "123")"},
      {"20100-Feb", "YYYY-MMM",
       R"(expected the year (1 to 4 digits) at offset 0 of "20100-Feb", found "20100")"},
      {"2010/02", "YYYY-MM", R"(expected "-" at offset 4 of "2010/02", found "/")"},
      {"2010-\x01", "YYYY-MM",
       R"(expected the month (1 or 2 digits) at offset 5 of "2010-\x01", found "\x01")"},
      // A lone "m" is no minute that could take the third digit.
      {"123", "hhm", R"(expected the hour (1 or 2 digits) at offset 0 of "123", found "123")"},
      // What is left over is quoted up to 16 bytes.
      {"12abcdefghijklmnopqrst", "hh",
       R"(expected the end of the text at offset 2 of "12abcdefghijklmnopqrst", found "abcdefghijklmnop")"},
  }};
  for (const Malformed& c : cases) {
    EXPECT_FALSE(Date::Date::tryParse(c.text, c.format).has_value()) << c.text;
    try {
      (void)Date::Date::parse(c.text, c.format);
      ADD_FAILURE() << "no error for \"" << c.text << '"';
    } catch (const Date::ParseError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
  EXPECT_THROW(
      {
        try {
          (void)Date::Date::parse("2026-Dex-06 02:04:49");
        } catch (const std::invalid_argument& error) {
          EXPECT_EQ(dynamic_cast<const Date::ParseError&>(error).offset(), 5u);
          throw;
        }
      },
      std::invalid_argument);
}

// Every combination of bytes around and between the digits, in a number at
// the end of a format and before a literal: read exactly when each byte is
// a digit, with the value those digits spell.
TEST(Parse, NumbersTakeExactlyTheirDigits) {
  constexpr std::array<unsigned char, 16> bytes = {0x00, 0x2F, '0',  '1',  '4',  '7',  '9',  0x3A,
                                                   0x40, 0x7F, 0x80, 0xAF, 0xB0, 0xB9, 0xC0, 0xFF};
  const auto isDigit = [](unsigned char c) { return c >= '0' && c <= '9'; };
  for (const bool withYear : {false, true}) {
    const std::size_t width = withYear ? 4 : 2;
    for (std::size_t n = 0; n < (std::size_t{1} << (4 * width)); ++n) {
      std::string number;
      int value = 0;
      bool digits = true;
      for (std::size_t i = 0; i < width; ++i) {
        const unsigned char c = bytes[n >> (4 * i) & 15];
        number += static_cast<char>(c);
        digits = digits && isDigit(c);
        value = value * 10 + (c - '0');
      }
      const Date::Date expected =
          withYear ? Date::Date(value, Date::Jan, 1) : Date::Date(0, Date::Jan, 1, value, 0, 0);
      for (const std::string end : {"", "-"}) {
        const std::string format = (withYear ? "YYYY" : "hh") + end;
        const std::optional<Date::Date> read = Date::Date::tryParse(number + end, format);
        ASSERT_EQ(read, digits ? std::optional(expected) : std::nullopt) << format << ' ' << n;
      }
    }
  }
}

// A text that views the start of a longer one is read only within the view,
// whatever digits follow it there: a number cut short by the view's end is
// read with the digits it has. The number follows a literal, so that it
// starts inside the text. Each text is also read from an allocation of its
// own size, where the sanitizer builds see a read past it.
TEST(Parse, ViewsAreReadOnlyWithinTheirLength) {
  const std::string digits = "-1234567890";
  for (const std::string token : {"YYYY", "MM", "DD", "hh", "mm", "ss"}) {
    const std::string format = "-" + token;
    for (std::size_t length = 2; length <= format.size(); ++length) {
      const std::string_view view(digits.data(), length);
      const std::vector<char> exact(view.begin(), view.end());
      const std::optional<Date::Date> read = Date::Date::tryParse(std::string(view), format);
      ASSERT_TRUE(read.has_value()) << format << ' ' << length;
      EXPECT_EQ(Date::Date::tryParse(view, format), read) << format << ' ' << length;
      EXPECT_EQ(Date::Date::tryParse({exact.data(), exact.size()}, format), read) << format;
    }
    // Too many digits, in an allocation of their own size, so that the
    // sanitizer builds see a read past them while the message counts them.
    const std::vector<char> tooMany(digits.begin(), digits.begin() + 7);
    EXPECT_THROW((void)Date::Date::parse({tooMany.data(), tooMany.size()}, format),
                 Date::ParseError);
  }
}

// A format that views the start of a longer one is read only within the
// view: a token cut short by the view's end is letters to match, though the
// bytes after the view would complete it.
TEST(Parse, FormatViewsAreReadOnlyWithinTheirLength) {
  for (const std::string token : {"YYYY", "MMM", "MM", "DD", "hh", "mm", "ss"}) {
    const std::string whole = "x" + token;
    const std::string_view cut(whole.data(), whole.size() - 1);
    for (const std::string& text : {std::string(cut), "x" + std::string(token.size() - 1, '1')}) {
      EXPECT_EQ(Date::Date::tryParse(text, cut), Date::Date::tryParse(text, std::string(cut)))
          << cut << ' ' << text;
    }
  }
}

// Megabytes of text or format are handled promptly, and messages stay short.
TEST(Parse, HugeInputs) {
  const std::string digits(1 << 20, '7');
  const std::string tokens = [] {
    std::string s;
    for (int i = 0; i < 100000; ++i) s += "YYYY-";
    return s;
  }();
  EXPECT_FALSE(Date::Date::tryParse(digits).has_value());
  EXPECT_FALSE(Date::Date::tryParse(digits, tokens).has_value());
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "2010-";
  EXPECT_EQ(Date::Date::parse(text, tokens), Date::Date(2010, Date::Jan, 1));
  try {
    (void)Date::Date::parse(digits + "x", digits);
    ADD_FAILURE() << "a letter left over was accepted";
  } catch (const Date::ParseError& error) {
    EXPECT_LT(std::string(error.what()).size(), 200u);
  }
}

}  // namespace
