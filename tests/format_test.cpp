// Formatting: the token table, a differential check of the in-place token
// replacement against a plain one, and very long formats.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <algorithm>
#include <array>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "reference_format.h"

namespace {

struct FormatCase {
  Date::Date date;
  const char* format;
  const char* text;
};

TEST(Format, Tokens) {
  const Date::Date feb7(2010, Date::Feb, 7, 1, 2, 3);
  const std::array<FormatCase, 16> cases = {{
      {feb7, "YYYY-MMM-DD hh:mm:ss", "2010-Feb-07 01:02:03"},
      {feb7, "MMMM", "FebM"},
      {feb7, "MMMMM", "Feb02"},
      {Date::Date(2010, Date::Dec, 7), "DMMM", "07ec"},
      {feb7, "DDD", "07D"},
      {feb7, "hh hh", "01 01"},
      {feb7, "yyyy dd", "yyyy dd"},
      {Date::Date(0, Date::Jan, 1), "YYYY", "00"},
      {Date::Date(5, Date::Jan, 1), "YYYY", "05"},
      {Date::Date(999, Date::Jan, 1), "YYYY", "999"},
      {Date::Date(100, Date::Jan, 1), "YYYY", "100"},
      {feb7, "", ""},
      {feb7, "YYYYY MM/DD", "2010Y 02/07"},
      {feb7, "Current local time: YYYY-MMM-DD hh:mm:ss",
       "Current local time: 2010-Feb-07 01:02:03"},
      {Date::Date(2010, Date::Mar, 2, 23, 0, 12), "YYYY-MMM-DD hh:mm:ss", "2010-Mar-02 23:00:12"},
      {Date::Date(2010, Date::Dec, 31, 23, 59, 59), "ss mm hh DD MM MMM YYYY",
       "59 59 23 31 12 Dec 2010"},
  }};
  for (const FormatCase& c : cases) {
    EXPECT_EQ(c.date.toString(c.format), c.text) << '"' << c.format << '"';
  }
}

TEST(Format, DefaultFormAndStream) {
  const Date::Date d(2010, Date::Feb, 30, 22, 59, 72);
  EXPECT_EQ(d.toString(), "2010-Mar-02 23:00:12");
  std::ostringstream out;
  out << d;
  EXPECT_EQ(out.str(), "2010-Mar-02 23:00:12");
  // Written directly, the default form is what its format gives, for years
  // of every length and every month.
  std::mt19937_64 random(5);
  std::uniform_int_distribution<int> field(-2000000000, 2000000000);
  for (int i = 0; i < 20000; ++i) {
    const Date::Date any(field(random) % (i % 4 == 0 ? 1000 : 10000), field(random), field(random),
                         field(random), field(random), field(random));
    ASSERT_EQ(any.toString(), reference::format(any, "YYYY-MMM-DD hh:mm:ss")) << any.toIsoString();
  }
}

// Random formats built from token letters and separators, where tokens form
// across inserted text often.
TEST(Format, MatchesPlainReplacementOnRandomFormats) {
  std::mt19937_64 random(3);
  const std::string alphabet = "YYYYMMMMDDDhhhmmmsssecaJF-: ";
  std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 200);
  std::uniform_int_distribution<int> field(-2000000000, 2000000000);
  for (int i = 0; i < 50000; ++i) {
    const Date::Date d(field(random), field(random), field(random), field(random), field(random),
                       field(random));
    std::string format(length(random), ' ');
    for (char& c : format) c = alphabet[letter(random)];
    ASSERT_EQ(d.toString(format), reference::format(d, format)) << '"' << format << "\" for " << d;
  }
}

// Every token at every position of formats around the fixed buffer's 64
// bytes, for years whose text is shorter than its token.
TEST(Format, TokensAtTheEdgesOfShortAndLongFormats) {
  for (const Date::Date& d : {Date::Date(5, Date::Jan, 1, 1, 2, 3), Date::Date(999, Date::Dec, 31),
                              Date::Date(2010, Date::Feb, 7)}) {
    for (const char* token : {"YYYY", "MMM", "MM", "DD", "hh", "mm", "ss", "YYYY-YYYY"}) {
      for (std::size_t length = 0; length <= 130; ++length) {
        std::string format(length, '-');
        format.replace(0, 0, token);
        ASSERT_EQ(d.toString(format), reference::format(d, format)) << format;
        std::rotate(format.begin(), format.begin() + static_cast<std::ptrdiff_t>(length),
                    format.end());
        ASSERT_EQ(d.toString(format), reference::format(d, format)) << format;
      }
    }
  }
  EXPECT_EQ(Date::Date(5, Date::Jan, 1).toString(std::string(60, 'x') + "YYYY"),
            std::string(60, 'x') + "05");
  const std::string long999 =
      Date::Date(999, Date::Jan, 1).toString(std::string(64, '-') + "YYYY-YYYY");
  EXPECT_EQ(long999, std::string(64, '-') + "999-999");
}

// Runs of every token letter slid across the 64- and 128-byte block
// boundaries of a long format, and across 512 bytes, where the masks move
// from the stack to the heap, for years of two, three and four digits; the
// month names put letters at the boundaries too.
TEST(Format, TokensStraddlingMaskWords) {
  const std::string unit = "YYYY-MMMM-DDD hh:mm:ss DMMM";
  for (const Date::Date& d :
       {Date::Date(5, Date::Dec, 1, 1, 2, 3), Date::Date(999, Date::Mar, 31),
        Date::Date(2010, Date::May, 7, 23, 59, 59), Date::Date(2026, Date::Dec, 6, 2, 4, 49)}) {
    for (std::size_t at = 0; at <= 520; at = at == 140 ? 440 : at + 1) {
      const std::string format = std::string(at, '-') + unit + std::string(40, '-');
      ASSERT_EQ(d.toString(format), reference::format(d, format)) << at << " " << d;
    }
  }
}

// Long formats of letter runs up to 80 bytes long between short literals:
// rendered in pieces cut at the literals, or by string passes from a run of
// 64 letters on, the text is the plain replacement's.
TEST(Format, LongRunsOfLettersBetweenLiterals) {
  std::mt19937_64 random(23);
  const std::string letters = "YYYYMMMMDDDhhhmmmsss";
  std::uniform_int_distribution<std::size_t> letter(0, letters.size() - 1);
  std::uniform_int_distribution<std::size_t> run(1, 80);
  std::uniform_int_distribution<int> segments(1, 8);
  for (int i = 0; i < 2000; ++i) {
    const Date::Date d(i % 3 == 0 ? 5 : 2026, Date::Dec, 6, 2, 4, 49);
    std::string format;
    for (int s = segments(random); s > 0; --s) {
      for (std::size_t n = run(random); n > 0; --n) format += letters[letter(random)];
      format += "-:"[s % 2];
    }
    ASSERT_EQ(d.toString(format), reference::format(d, format)) << format;
  }
}

// A format that views the start of a longer text is read only within the
// view, whatever tokens follow it.
TEST(Format, ViewsAreReadOnlyWithinTheirLength) {
  for (const Date::Date& d :
       {Date::Date(5, Date::Jan, 1, 1, 2, 3), Date::Date(2010, Date::Jan, 1)}) {
    for (std::size_t length = 0; length <= 140; ++length) {
      // The view ends in "YY", which only the bytes after it would make a year.
      const std::string text = "ss" + std::string(length, 'x') + "YYYYYYYYMMMDDhhmmss";
      ASSERT_EQ(d.toString(std::string_view(text.data(), length + 4)),
                d.toString("ss") + std::string(length, 'x') + "YY")
          << length;
    }
  }
}

// Every kind of string is a format, with the same result.
TEST(Format, AcceptsEveryKindOfString) {
  const Date::Date d(2010, Date::Feb, 7);
  const std::string expected = "07.02.2010";
  const std::string owned = "DD.MM.YYYY";
  const std::string_view view = owned;
  const char* pointer = owned.c_str();
  EXPECT_EQ(d.toString("DD.MM.YYYY"), expected);
  EXPECT_EQ(d.toString(owned), expected);
  EXPECT_EQ(d.toString(view), expected);
  EXPECT_EQ(d.toString(pointer), expected);
  EXPECT_EQ(d.toString(static_cast<const char*>(nullptr)), "");
}

// Written into a given string, which is reused from one call to the next,
// the text is the one returned, for formats on every path (no token, short,
// long with years of every length); a format may view the string it is
// written into, whole or in part.
TEST(Format, WritesIntoAGivenString) {
  std::mt19937_64 random(17);
  const std::string alphabet = "YYYYMMMDDhhmmss-: x";
  std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 600);
  std::uniform_int_distribution<int> year(0, 9999);
  std::string text = "left over";
  for (int i = 0; i < 3000; ++i) {
    const Date::Date d(year(random) / (i % 3 == 0 ? 1000 : 1), Date::Dec, 31, 23, 59, 58);
    std::string format(length(random), 'x');
    if (i % 4 != 0) {
      for (char& c : format) c = alphabet[letter(random)];
    }
    d.toString(format, text);
    ASSERT_EQ(text, d.toString(format)) << format;
    const std::string expected = d.toString(text);
    d.toString(text, text);
    ASSERT_EQ(text, expected);
    text = format;  // a view of part of the format, inside the string written to
    const std::string_view middle = std::string_view(text).substr(text.size() / 3, text.size() / 2);
    const std::string expectedMiddle = d.toString(middle);
    d.toString(middle, text);
    ASSERT_EQ(text, expectedMiddle);
  }
  Date::Date(2010, Date::Feb, 7).toString(static_cast<const char*>(nullptr), text);
  EXPECT_EQ(text, "");
  // Again into the empty string, with the null pointer of an empty view.
  Date::Date(2010, Date::Feb, 7).toString(std::string_view(), text);
  EXPECT_EQ(text, "");
}

// A megabyte of tokens that form across inserted text, and a megabyte with no
// token at all; both must come back promptly and exactly.
TEST(Format, MegabyteFormats) {
  const Date::Date d(2010, Date::Dec, 7);
  std::string format;
  std::string expected;
  for (int i = 0; i < 262144; ++i) {
    format += "DMMM";
    expected += "07ec";
  }
  EXPECT_EQ(d.toString(format), expected);
  const std::string plain(1 << 20, 'x');
  EXPECT_EQ(d.toString(plain), plain);
  std::string years;
  for (int i = 0; i < 262144; ++i) years += "YYYY";
  EXPECT_EQ(Date::Date(7, Date::Jan, 1).toString(years).size(), 2u * 262144);
}

}  // namespace
