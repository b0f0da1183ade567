// HTTP and e-mail dates against Python's email.utils, on random instants
// and on the RFCs' own examples; the strict RFC 3339 reader against the
// RFC's grammar.

#include <gtest/gtest.h>
#include <normdate/timestamp.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Date::OffsetTimestamp;
using Date::Timestamp;

// The RFCs' examples of e-mail dates, obsolete forms among them (RFC 5322,
// appendix A.1.1, A.5 and A.6.3), and texts the RFC's grammar refuses.
const std::vector<std::string> kMailTexts = {
    "Fri, 21 Nov 1997 09:55:06 -0600",
    "Tue, 1 Jul 2003 10:52:37 +0200",
    "Thu, 13 Feb 1969 23:32:54 -0330",
    "21 Nov 97 09:55:06 GMT",
    "Thu,\r\n      13\r\n        Feb\r\n          1969\r\n      23:32\r\n     -0330 (Newfoundland "
    "Time)",
    "Fri, 21 Nov 1997 09:55:06 EST",
    "mon, 1 jan 2001 00:00 pdt",
    "Sat, 01 Jan 2000 00:00:00 +0000",
    "1 Jan 2000 00:00:00 -0000",
    "1 Jan 2000 00:00:00 +2359",
    "Sat, 1 Jan 2000 00:00:00 +0060",
    "Sat, 1 Jan 2000 24:00:00 +0000",
    "Sat, 31 Feb 2000 00:00:00 +0000",
    "Sat, 1 Jan 2000 00:00:00"};

TEST(Wire, HttpAndMailDatesAgreeWithPython) {
  std::mt19937_64 random(5322);
  std::uniform_int_distribution<std::int64_t> instant(-2208988800, 253402300799);
  std::uniform_int_distribution<int> offset(-12 * 60, 14 * 60);
  std::vector<std::pair<Timestamp, int>> cases;
  const std::string input = ::testing::TempDir() + "wire_oracle_in.txt";
  std::ofstream questions(input);
  for (int i = 0; i < 5000; ++i) {
    const auto t = Timestamp::fromUnixTime(instant(random));
    const int minutes = offset(random);
    cases.emplace_back(t, minutes * 60);
    questions << "http " << t.getDate().toTimeT() << "\nmail " << t.getDate().toTimeT() << ' '
              << minutes * 60 << "\nread " << t.toRfc5322(minutes * 60) << '\n';
  }
  for (std::string text : kMailTexts) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
      text.replace(at, 2, "\\r\\n");
    }
    questions << "read " << text << '\n';
  }
  questions.close();
  const std::string output = ::testing::TempDir() + "wire_oracle_out.txt";
  const std::string command =
      std::string(NORMDATE_PYTHON) + " " + NORMDATE_WIRE_ORACLE + " < " + input + " > " + output;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream answers(output);
  std::string line;
  for (const auto& [t, offsetSeconds] : cases) {
    std::getline(answers, line);
    ASSERT_EQ(t.toHttpDate(), line);
    ASSERT_EQ(Timestamp::parseHttpDate(line), t) << line;
    std::getline(answers, line);
    ASSERT_EQ(t.toRfc5322(offsetSeconds), line);
    std::getline(answers, line);
    ASSERT_EQ(line, std::to_string(t.getDate().toTimeT()) + ' ' + std::to_string(offsetSeconds));
    ASSERT_EQ(Timestamp::parseRfc5322(t.toRfc5322(offsetSeconds)),
              (OffsetTimestamp{t, offsetSeconds}));
  }
  // Python reads the examples as the RFC does, but for a text without a
  // zone, which it reads as UTC, and minutes past 59, which it carries.
  const std::vector<std::string> expected = {
      "880127706 -21600", "1057049557 7200",  "-27723426 -12600", "880106106 0", "-27723480 -12600",
      "880124106 -18000", "978332400 -25200", "946684800 0",      "946684800 0", "946598460 86340",
      "refused",          "refused",          "refused",          "refused"};
  for (std::size_t i = 0; i < kMailTexts.size(); ++i) {
    std::getline(answers, line);
    const std::optional<OffsetTimestamp> read = Timestamp::tryParseRfc5322(kMailTexts[i]);
    const std::string ours = read ? std::to_string(read->utc.getDate().toTimeT()) + ' ' +
                                        std::to_string(read->offsetSeconds)
                                  : "refused";
    EXPECT_EQ(ours, expected[i]) << kMailTexts[i];
    if (i != 10 && i != 13) {
      EXPECT_EQ(ours, line) << kMailTexts[i];
    }
  }
}

TEST(Wire, HttpReadsTheTwoObsoleteForms) {
  // RFC 9110, section 5.6.7: one instant in its three forms.
  const Timestamp sunday = Timestamp::parseIso("1994-11-06T08:49:37Z");
  for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994", "Sun Nov 06 08:49:37 1994"}) {
    EXPECT_EQ(Timestamp::parseHttpDate(text), sunday) << text;
  }
  // A two-digit year more than 50 years ahead is the last century's.
  const Timestamp now = Timestamp::parseIso("2026-12-08T00:00:00Z");
  EXPECT_EQ(Timestamp::parseHttpDate("Tuesday, 08-Dec-76 00:00:00 GMT", now).getDate().getYear(),
            2076);
  EXPECT_EQ(Timestamp::parseHttpDate("Thursday, 09-Dec-76 00:00:00 GMT", now).getDate().getYear(),
            1976);
  const std::vector<std::array<std::string, 2>> refused = {
      {"sun, 06 Nov 1994 08:49:37 GMT",
       R"(expected a weekday name ("Mon" .. "Sun") at offset 0 of "sun, 06 Nov 1994 08:49:37 GMT", found "sun")"},
      {"Sun, 06 Nov 1994 08:49:37 UTC",
       R"(expected "GMT" and the end of the text at offset 26 of "Sun, 06 Nov 1994 08:49:37 UTC", found "UTC")"},
      {"Mon, 06 Nov 1994 08:49:37 GMT",
       R"(expected the weekday of the date at offset 0 of "Mon, 06 Nov 1994 08:49:37 GMT", found "Mon")"},
      {"Sun, 6 Nov 1994 08:49:37 GMT",
       R"(expected the day (2 digits) at offset 5 of "Sun, 6 Nov 1994 08:49:37 GMT", found "6 ")"},
      {"Sun Nov  6 08:49:37 1994 ",
       R"(expected the end of the text at offset 24 of "Sun Nov  6 08:49:37 1994 ", found " ")"}};
  for (const auto& [text, message] : refused) {
    try {
      (void)Timestamp::parseHttpDate(text);
      ADD_FAILURE() << text;
    } catch (const Date::ParseError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
  EXPECT_THROW((void)Timestamp().toRfc5322(100 * 3600), std::invalid_argument);
  EXPECT_EQ(Timestamp().toRfc5322(-30), "Thu, 01 Jan 1970 00:00:00 +0000");
}

// RFC 3339's examples and grammar: random texts of its date-time read as
// parseIso reads them, and each form only parseIso takes is refused.
TEST(Wire, Rfc3339IsReadExactly) {
  EXPECT_EQ(Timestamp::parseRfc3339("1990-12-31T15:59:60-08:00"),
            Timestamp::parseIso("1991-01-01T00:00:00Z"));
  EXPECT_EQ(Timestamp::parseRfc3339WithOffset("1937-01-01T12:00:27.87+00:20").offsetSeconds, 1200);
  std::mt19937_64 random(3339);
  const auto pick = [&](std::initializer_list<const char*> options) {
    return std::string(*(options.begin() + random() % options.size()));
  };
  for (int i = 0; i < 20000; ++i) {
    const Timestamp t = Timestamp::fromUnixTime(
        static_cast<std::int64_t>(random() % 253402300800ULL) - 62167219200, 0);
    std::string text = t.toIsoString(static_cast<int>(random() % 10));
    text[10] = pick({"T", "t", " "})[0];
    text.replace(text.size() - 1, 1, pick({"Z", "z", "+00:00", "-00:00", "+23:59", "-12:30"}));
    ASSERT_EQ(Timestamp::tryParseRfc3339(text), Timestamp::tryParseIso(text)) << text;
    ASSERT_TRUE(Timestamp::tryParseRfc3339(text)) << text;
  }
  for (const char* text :
       {"2026-12-08", "2026-12-08T10:00:00+0100", "2026-12-08T10:00:00+01", "2026-12-08T10:00:00",
        "2026-12-08T10:00:00,5Z", "1900-01-01T12:19:32+00:19:32", "2026-12-08T10:00:00+24:00",
        "2026-12-08T10:00:60Z", "2026-12-08T10:00:00.Z", "2026-12-08T10:00:00Z "}) {
    EXPECT_FALSE(Timestamp::tryParseRfc3339(text)) << text;
  }
  EXPECT_THROW((void)Timestamp::parseRfc3339("2026-12-08T23:59:60+01:00"), Date::ParseError);
}

}  // namespace
