// Business days against numpy's busday_offset and busday_count, and
// recurrence sets against python-dateutil's rruleset, on random calendars,
// dates, offsets and sets; the properties that make the answers O(log h).

#include <gtest/gtest.h>
#include <normdate/business.h>
#include <normdate/recurrence.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Date::BusinessCalendar;
using Date::RecurrenceSet;
using Roll = BusinessCalendar::Roll;

std::vector<std::string> askOracle(const std::string& questions, const char* name) {
  const std::string input = ::testing::TempDir() + name + "_in.txt";
  const std::string output = ::testing::TempDir() + name + "_out.txt";
  std::ofstream(input) << questions;
  const std::string command = std::string(NORMDATE_PYTHON) + " " + NORMDATE_BUSINESS_ORACLE +
                              " < " + input + " > " + output;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream answers(output);
  std::vector<std::string> lines;
  for (std::string line; std::getline(answers, line);) lines.push_back(line);
  return lines;
}

Date::Date day(std::int64_t fromEpoch) {
  return Date::Date(1970, Date::Jan, 1).addDay(static_cast<int>(fromEpoch));
}

const std::array<const char*, 4> kHolidayRules = {
    "FREQ=YEARLY;BYMONTH=11;BYDAY=4TH", "FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=24,25,26,31",
    "FREQ=MONTHLY;BYDAY=-1FR;BYMONTH=3,6,9;COUNT=60",
    "FREQ=WEEKLY;INTERVAL=3;BYDAY=WE;UNTIL=20401231T000000"};

TEST(Business, AgreesWithNumpy) {
  std::mt19937_64 random(1242);
  constexpr std::array<Roll, 5> rolls = {Roll::Forward, Roll::Backward, Roll::ModifiedFollowing,
                                         Roll::ModifiedPreceding, Roll::Raise};
  constexpr std::array<const char*, 5> rollNames = {"forward", "backward", "modifiedfollowing",
                                                    "modifiedpreceding", "raise"};
  struct Question {
    BusinessCalendar calendar;
    Date::Date date;
    std::int64_t n;
    std::size_t roll;
    Date::Date other;
  };
  std::vector<Question> asked;
  std::string questions;
  for (int c = 0; c < 60; ++c) {
    std::string mask = "0000000";
    while (mask == "0000000") {
      for (char& m : mask) m = random() % 3 == 0 ? '0' : '1';
    }
    // Holidays as dates and as a set; numpy is given the set's dates.
    std::vector<Date::Date> holidays;
    for (std::uint64_t i = random() % 30; i > 0; --i)
      holidays.push_back(day(18000 + random() % 5000));
    RecurrenceSet set(Date::Date(2018, Date::Jan, 1, 10, 0, 0));
    set.addRule(kHolidayRules[random() % kHolidayRules.size()]);
    const std::vector<Date::Date> fromSet =
        set.between(Date::Date(2015, Date::Jan, 1), Date::Date(2040, Date::Jan, 1));
    std::string listed;
    for (const std::vector<Date::Date>* list :
         std::array<const std::vector<Date::Date>*, 2>{&holidays, &fromSet}) {
      for (const Date::Date& d : *list) listed += d.toString("YYYY-MM-DD") + ",";
    }
    listed = listed.empty() ? "-" : listed.substr(0, listed.size() - 1);
    const BusinessCalendar calendar(mask, holidays, {set});
    for (int q = 0; q < 30; ++q) {
      const Question question{calendar, day(18250 + random() % 4000),
                              static_cast<std::int64_t>(random() % 1201) - 600, random() % 5,
                              day(18250 + random() % 4000)};
      asked.push_back(question);
      questions += "offset " + mask + " " + listed + " " + question.date.toString("YYYY-MM-DD") +
                   " " + std::to_string(question.n) + " " + rollNames[question.roll] + "\ncount " +
                   mask + " " + listed + " " + question.date.toString("YYYY-MM-DD") + " " +
                   question.other.toString("YYYY-MM-DD") + "\n";
    }
  }
  const std::vector<std::string> answers = askOracle(questions, "business");
  ASSERT_EQ(answers.size(), 2 * asked.size());
  for (std::size_t i = 0; i < asked.size(); ++i) {
    const Question& q = asked[i];
    std::string ours = "raise";
    try {
      ours = q.calendar.addBusinessDays(q.date, q.n, rolls[q.roll]).toString("YYYY-MM-DD");
    } catch (const std::invalid_argument&) {
    }
    ASSERT_EQ(ours, answers[2 * i]) << q.calendar.getWeekmask() << ' ' << q.date << ' ' << q.n;
    ASSERT_EQ(std::to_string(q.calendar.businessDaysBetween(q.date, q.other)), answers[2 * i + 1]);
  }
}

// Moves compose, counts invert moves, and a move of any length wraps as
// dates do; the time of day passes through.
TEST(Business, MovesComposeAndCountsInvertThem) {
  RecurrenceSet holidays(Date::Date(1, Date::Jan, 1));
  holidays.addRule(kHolidayRules[0]).addRule(kHolidayRules[1]);
  const BusinessCalendar calendar("Sun Mon Tue Wed Thu", {}, {holidays});
  EXPECT_EQ(calendar.getWeekmask(), "1111001");
  std::mt19937_64 random(5);
  for (int i = 0; i < 20000; ++i) {
    const Date::Date d =
        calendar.nextBusinessDay(Date::Date(static_cast<int>(random() % 10000), 1, 1, 13, 5, 7)
                                     .addDay(static_cast<int>(random() % 366)));
    const auto a = static_cast<std::int64_t>(random() % 2000000) - 1000000;
    const auto b = static_cast<std::int64_t>(random() % 2000) - 1000;
    const Date::Date moved = calendar.addBusinessDays(d, a);
    ASSERT_EQ(calendar.addBusinessDays(moved, b), calendar.addBusinessDays(d, a + b)) << d;
    ASSERT_TRUE(calendar.isBusinessDay(moved));
    ASSERT_EQ(moved.getSecond(), 7);
    if ((d < calendar.addBusinessDays(d, b)) == (b > 0)) {
      ASSERT_EQ(calendar.businessDaysBetween(d, calendar.addBusinessDays(d, b)), b) << d;
    }
    ASSERT_EQ(calendar.previousBusinessDay(calendar.nextBusinessDay(d)), d);
  }
  // Past 9999 the calendar of the years 0 to 9999 comes round again.
  const Date::Date last = calendar.previousBusinessDay(Date::Date(10000, Date::Jan, 1));
  EXPECT_EQ(calendar.nextBusinessDay(last),
            calendar.nextBusinessDay(Date::Date(9999, 12, 31, 0, 0, 0)));
  EXPECT_EQ(
      calendar.addBusinessDays(last, INT64_MAX),
      calendar.addBusinessDays(last, INT64_MAX % calendar.businessDaysBetween(
                                                     Date::Date(0, Date::Jan, 1), last.addDay(1))));
}

TEST(Business, RefusesCalendarsWithoutBusinessDays) {
  EXPECT_THROW(BusinessCalendar("0000000"), std::invalid_argument);
  EXPECT_THROW(BusinessCalendar("Mon Fun"), std::invalid_argument);
  EXPECT_THROW(BusinessCalendar("111110"), std::invalid_argument);
  RecurrenceSet mondays(Date::Date(0, Date::Jan, 1));
  mondays.addRule("FREQ=WEEKLY;BYDAY=MO;BYHOUR=9,17");
  EXPECT_THROW(BusinessCalendar("1000000", {}, {mondays}), std::invalid_argument);
  const BusinessCalendar saturdays("0000010", {Date::Date(2026, Date::Dec, 12)});
  EXPECT_EQ(saturdays.nextBusinessDay(Date::Date(2026, Date::Dec, 5)),
            Date::Date(2026, Date::Dec, 19));
  EXPECT_THROW((void)saturdays.addBusinessDays(Date::Date(2026, Date::Dec, 12), 1),
               std::invalid_argument);
}

// Recurrence sets: the first occurrences of random sets as dateutil's
// rruleset gives them, and their text read back.
TEST(RecurrenceSets, AgreeWithDateutil) {
  const std::array<const char*, 6> rules = {
      "FREQ=DAILY;INTERVAL=3;COUNT=20",     "FREQ=WEEKLY;BYDAY=MO,FR",
      "FREQ=MONTHLY;BYMONTHDAY=1,-1",       "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29",
      "FREQ=HOURLY;INTERVAL=7;BYHOUR=9,16", "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20280101T000000"};
  std::mt19937_64 random(5545);
  std::vector<RecurrenceSet> sets;
  std::string questions;
  for (int i = 0; i < 150; ++i) {
    const Date::Date start =
        Date::Date(2026, Date::Jan, 1, 9, 0, 0).addDay(static_cast<int>(random() % 400));
    std::string text = "DTSTART:" + start.toString("YYYYMMDDThhmmss");
    for (std::uint64_t r = random() % 3; r > 0; --r)
      text += std::string("\\nRRULE:") + rules[random() % 6];
    if (random() % 3 == 0) text += std::string("\\nEXRULE:") + rules[random() % 6];
    for (const char* name : {"RDATE", "EXDATE"}) {
      if (random() % 2 == 0) continue;
      text += std::string("\\n") + name + ":";
      for (int d = 0; d < 4; ++d) {
        text +=
            (d == 0 ? "" : ",") +
            start.addHour(static_cast<int>(random() % 5) * 24 + static_cast<int>(random() % 2) * 7)
                .toString("YYYYMMDDThhmmss");
      }
    }
    std::string lines = text;
    for (std::size_t at = lines.find("\\n"); at != std::string::npos; at = lines.find("\\n", at)) {
      lines.replace(at, 2, i % 2 == 0 ? "\r\n" : "\n");
    }
    sets.push_back(RecurrenceSet::parse(lines));
    questions += "set 40 " + text + "\n";
  }
  const std::vector<std::string> answers = askOracle(questions, "sets");
  ASSERT_EQ(answers.size(), sets.size());
  for (std::size_t i = 0; i < sets.size(); ++i) {
    std::string ours;
    int n = 0;
    for (auto it = sets[i].begin(); it != sets[i].end() && n < 40; ++it, ++n) {
      ours += (ours.empty() ? "" : " ") + it->toString("YYYYMMDDThhmmss");
    }
    ASSERT_EQ(ours.empty() ? "-" : ours, answers[i]) << sets[i].toString();
    const RecurrenceSet again = RecurrenceSet::parse(sets[i].toString());
    ASSERT_EQ(again.toString(), sets[i].toString());
    const Date::Date probe = sets[i].getStart().addDay(static_cast<int>(random() % 100));
    ASSERT_EQ(again.next(probe), sets[i].next(probe));
  }
}

TEST(RecurrenceSets, ReadContentLinesAsTheRfcWritesThem) {
  const RecurrenceSet folded = RecurrenceSet::parse(
      "dtstart;tzid=Europe/Berlin:20261208T090000\r\nRRULE:FREQ=WEEKLY;BY\r\n DAY=TU,TH;COUNT=4\r\n"
      "EXDATE;TZID=Europe/Berlin:20261210T090000\nRDATE;VALUE=DATE-TIME:20261208T090000\n");
  EXPECT_EQ(folded.getZone(), "Europe/Berlin");
  EXPECT_EQ(folded.between(Date::Date(2026, Date::Dec, 1), Date::Date(2027, Date::Jan, 1)).size(),
            3U);
  const RecurrenceSet dates =
      RecurrenceSet::parse("DTSTART;VALUE=DATE:20261225\nRDATE;VALUE=DATE:20261226,20261225");
  EXPECT_EQ(dates.toString(),
            "DTSTART;VALUE=DATE:20261225\r\nRDATE;VALUE=DATE:20261225,20261226\r\n");
  const std::vector<std::array<std::string, 2>> refused = {
      {"RRULE:FREQ=DAILY",
       R"(expected a DTSTART line at offset 0 of the line "RRULE:FREQ=DAILY", found "R")"},
      {"DTSTART:20261208T090000\nRDATE;VALUE=DATE:20261208",
       R"(expected dates and times (DTSTART is one) at offset 17 of the line "RDATE;VALUE=DATE:20261208", found "20261208")"},
      {"DTSTART:20261208T090000Z\nEXDATE:20261208T090000",
       R"(expected a UTC date and time (YYYYMMDDThhmmssZ), as DTSTART at offset 7 of the line "EXDATE:20261208T090000", found "20261208T090000")"},
      {"DTSTART:20260230T090000",
       R"(expected a date and time whose fields are in range at offset 8 of the line "DTSTART:20260230T090000", found "20260230T090000")"},
      {"DTSTART:20261208T090000\nRDATE;VALUE=PERIOD:20261208T090000/PT1H",
       R"(expected a parameter TZID or VALUE (DATE or DATE-TIME) at offset 6 of the line "RDATE;VALUE=PERIOD:20261208T090000/PT1H", found "VALUE=PERIOD")"},
      {"DTSTART:20261208T090000\nDTSTART:20261209T090000",
       R"(expected one DTSTART line only at offset 8 of the line "DTSTART:20261209T090000", found "20261209T090000")"},
      {"DTSTART:20261208T090000\nRRULE:FREQ=DAILY;COUNT=x",
       R"(expected COUNT (1 to 9223372036854775807) at offset 17 of "FREQ=DAILY;COUNT=x", found "x" in the RRULE line)"},
      {"DTSTART:20261208T090000\nSUMMARY:x",
       R"(expected DTSTART, RRULE, RDATE, EXDATE or EXRULE at offset 0 of the line "SUMMARY:x", found "SUMMARY")"}};
  for (const auto& [text, message] : refused) {
    try {
      (void)RecurrenceSet::parse(text);
      ADD_FAILURE() << text;
    } catch (const Date::ParseError& e) {
      EXPECT_EQ(e.what(), message);
      if (text.find("COUNT=x") != std::string::npos) {
        EXPECT_EQ(e.offset(), text.find('x'));
      }
    }
    EXPECT_FALSE(RecurrenceSet::tryParse(text));
  }
}

}  // namespace
