// Recurrence rules: RFC 5545's own examples, the readings the header states,
// every refusal, the ends of the range, rules that name nothing, random rules
// against python-dateutil's expansion, and lookups against iteration.

#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/recurrence.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Date::Recurrence;

Date::Date at(std::string_view text) { return Date::Date::parse(text, "YYYYMMDDThhmmss"); }

// The first `limit` occurrences, space-separated, in `format`.
std::string first(const Recurrence& r, std::size_t limit,
                  std::string_view format = "YYYYMMDDThhmmss") {
  std::string text;
  for (const Date::Date& d : r) {
    if (limit-- == 0) break;
    text += (text.empty() ? "" : " ") + d.toString(format);
  }
  return text;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find(separator, at), text.size());
    parts.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

std::size_t countOf(const std::string& list) {
  return list.empty() ? 0 : static_cast<std::size_t>(std::count(list.begin(), list.end(), ' ')) + 1;
}

// Whether a rule's occurrences from `start` are `dates`, a list of
// YYYYMMDD (at the start's time) or YYYYMMDDThhmmss, and no more where the
// rule has an end.
void expectDates(const char* rule, const Date::Date& start, const char* dates) {
  std::istringstream list(dates);
  std::string expected;
  for (std::string date; list >> date;) {
    expected += (expected.empty() ? "" : " ") + date +
                (date.size() == 8 ? "T" + start.toString("hhmmss") : "");
  }
  const bool ends = std::string_view(rule).find("COUNT") != std::string_view::npos ||
                    std::string_view(rule).find("UNTIL") != std::string_view::npos;
  EXPECT_EQ(first(Recurrence::parse(rule, start), countOf(expected) + (ends ? 1 : 0)), expected)
      << rule;
}

// ---- The examples of RFC 5545, section 3.8.5.3, all starting at 09:00.
// Where a rule is endless, its first dates the RFC lists.

struct Example {
  const char* rule;
  const char* start;
  const char* dates;  // the first occurrences, and no more where the rule ends
};

constexpr Example kRfcExamples[] = {
    {"FREQ=DAILY;COUNT=10", "19970902",
     "19970902 19970903 19970904 19970905 19970906 19970907 19970908 19970909 19970910 19970911"},
    {"FREQ=DAILY;INTERVAL=2", "19970902",
     "19970902 19970904 19970906 19970908 19970910 19970912 19970914 19970916 19970918 19970920 "
     "19970922 19970924 19970926 19970928 19970930 19971002 19971004"},
    {"FREQ=DAILY;INTERVAL=10;COUNT=5", "19970902", "19970902 19970912 19970922 19971002 19971012"},
    {"FREQ=WEEKLY;COUNT=10", "19970902",
     "19970902 19970909 19970916 19970923 19970930 19971007 19971014 19971021 19971028 19971104"},
    {"FREQ=WEEKLY;UNTIL=19971224T000000Z", "19970902",
     "19970902 19970909 19970916 19970923 19970930 19971007 19971014 19971021 19971028 19971104 "
     "19971111 19971118 19971125 19971202 19971209 19971216 19971223"},
    {"FREQ=WEEKLY;INTERVAL=2;WKST=SU", "19970902",
     "19970902 19970916 19970930 19971014 19971028 19971111 19971125 19971209 19971223 19980106 "
     "19980120 19980203 19980217"},
    {"FREQ=WEEKLY;UNTIL=19971007T000000Z;WKST=SU;BYDAY=TU,TH", "19970902",
     "19970902 19970904 19970909 19970911 19970916 19970918 19970923 19970925 19970930 19971002"},
    {"FREQ=WEEKLY;COUNT=10;WKST=SU;BYDAY=TU,TH", "19970902",
     "19970902 19970904 19970909 19970911 19970916 19970918 19970923 19970925 19970930 19971002"},
    {"FREQ=WEEKLY;INTERVAL=2;UNTIL=19971224T000000Z;WKST=SU;BYDAY=MO,WE,FR", "19970901",
     "19970901 19970903 19970905 19970915 19970917 19970919 19970929 19971001 19971003 19971013 "
     "19971015 19971017 19971027 19971029 19971031 19971110 19971112 19971114 19971124 19971126 "
     "19971128 19971208 19971210 19971212 19971222"},
    {"FREQ=WEEKLY;INTERVAL=2;COUNT=8;WKST=SU;BYDAY=TU,TH", "19970902",
     "19970902 19970904 19970916 19970918 19970930 19971002 19971014 19971016"},
    {"FREQ=MONTHLY;COUNT=10;BYDAY=1FR", "19970905",
     "19970905 19971003 19971107 19971205 19980102 19980206 19980306 19980403 19980501 19980605"},
    {"FREQ=MONTHLY;UNTIL=19971224T000000Z;BYDAY=1FR", "19970905",
     "19970905 19971003 19971107 19971205"},
    {"FREQ=MONTHLY;INTERVAL=2;COUNT=10;BYDAY=1SU,-1SU", "19970907",
     "19970907 19970928 19971102 19971130 19980104 19980125 19980301 19980329 19980503 19980531"},
    {"FREQ=MONTHLY;COUNT=6;BYDAY=-2MO", "19970922",
     "19970922 19971020 19971117 19971222 19980119 19980216"},
    {"FREQ=MONTHLY;BYMONTHDAY=-3", "19970928",
     "19970928 19971029 19971128 19971229 19980129 19980226"},
    {"FREQ=MONTHLY;COUNT=10;BYMONTHDAY=2,15", "19970902",
     "19970902 19970915 19971002 19971015 19971102 19971115 19971202 19971215 19980102 19980115"},
    {"FREQ=MONTHLY;COUNT=10;BYMONTHDAY=1,-1", "19970930",
     "19970930 19971001 19971031 19971101 19971130 19971201 19971231 19980101 19980131 19980201"},
    {"FREQ=MONTHLY;INTERVAL=18;COUNT=10;BYMONTHDAY=10,11,12,13,14,15", "19970910",
     "19970910 19970911 19970912 19970913 19970914 19970915 19990310 19990311 19990312 19990313"},
    {"FREQ=MONTHLY;INTERVAL=2;BYDAY=TU", "19970902",
     "19970902 19970909 19970916 19970923 19970930 19971104 19971111 19971118 19971125 19980106 "
     "19980113 19980120 19980127 19980303 19980310 19980317 19980324 19980331"},
    {"FREQ=YEARLY;COUNT=10;BYMONTH=6,7", "19970610",
     "19970610 19970710 19980610 19980710 19990610 19990710 20000610 20000710 20010610 20010710"},
    {"FREQ=YEARLY;INTERVAL=2;COUNT=10;BYMONTH=1,2,3", "19970310",
     "19970310 19990110 19990210 19990310 20010110 20010210 20010310 20030110 20030210 20030310"},
    {"FREQ=YEARLY;INTERVAL=3;COUNT=10;BYYEARDAY=1,100,200", "19970101",
     "19970101 19970410 19970719 20000101 20000409 20000718 20030101 20030410 20030719 20060101"},
    {"FREQ=YEARLY;BYDAY=20MO", "19970519", "19970519 19980518 19990517"},
    {"FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO", "19970512", "19970512 19980511 19990517"},
    {"FREQ=YEARLY;BYMONTH=3;BYDAY=TH", "19970313",
     "19970313 19970320 19970327 19980305 19980312 19980319 19980326 19990304 19990311 19990318 "
     "19990325"},
    {"FREQ=YEARLY;BYDAY=TH;BYMONTH=6,7,8", "19970605",
     "19970605 19970612 19970619 19970626 19970703 19970710 19970717 19970724 19970731 19970807 "
     "19970814 19970821 19970828 19980604 19980611"},
    {"FREQ=MONTHLY;BYDAY=FR;BYMONTHDAY=13", "19970902",
     "19980213 19980313 19981113 19990813 20001013"},
    {"FREQ=MONTHLY;BYDAY=SA;BYMONTHDAY=7,8,9,10,11,12,13", "19970913",
     "19970913 19971011 19971108 19971213 19980110 19980207 19980307 19980411 19980509 19980613"},
    {"FREQ=YEARLY;INTERVAL=4;BYMONTH=11;BYDAY=TU;BYMONTHDAY=2,3,4,5,6,7,8", "19961105",
     "19961105 20001107 20041102"},
    {"FREQ=MONTHLY;COUNT=3;BYDAY=TU,WE,TH;BYSETPOS=3", "19970904", "19970904 19971007 19971106"},
    {"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-2", "19970929",
     "19970929 19971030 19971127 19971230 19980129 19980226 19980330"},
    {"FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=MO", "19970805",
     "19970805 19970810 19970819 19970824"},
    {"FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=SU", "19970805",
     "19970805 19970817 19970819 19970831"},
    {"FREQ=MONTHLY;BYMONTHDAY=15,30;COUNT=5", "20070115",
     "20070115 20070130 20070215 20070315 20070330"},
};

TEST(Recurrence, GivesTheDatesOfEveryExampleOfTheRfc) {
  for (const Example& e : kRfcExamples) {
    expectDates(e.rule, at(std::string(e.start) + "T090000"), e.dates);
  }
}

TEST(Recurrence, GivesTheLongerAndTheTimedExamplesOfTheRfc) {
  // Every day of January for three years, by a yearly and by a daily rule.
  const Date::Date january1998 = at("19980101T090000");
  const std::string januaries = first(
      Recurrence::parse("FREQ=YEARLY;UNTIL=20000131T140000Z;BYMONTH=1;BYDAY=SU,MO,TU,WE,TH,FR,SA",
                        january1998),
      100, "YYYYMMDD");
  EXPECT_EQ(januaries,
            first(Recurrence::parse("FREQ=DAILY;UNTIL=20000131T140000Z;BYMONTH=1", january1998),
                  100, "YYYYMMDD"));
  EXPECT_EQ(countOf(januaries), 93U);
  EXPECT_EQ(januaries.substr(januaries.size() - 8), "20000131");
  // Daily until December 24: 113 days, the last December 23.
  const std::string daily =
      first(Recurrence::parse("FREQ=DAILY;UNTIL=19971224T000000Z", at("19970902T090000")), 200);
  EXPECT_EQ(countOf(daily), 113U);
  EXPECT_EQ(daily.substr(daily.size() - 15), "19971223T090000");

  const Date::Date start = at("19970902T090000");
  EXPECT_EQ(
      first(Recurrence::parse("FREQ=HOURLY;INTERVAL=3;UNTIL=19970902T170000Z", start), 9, "hhmm"),
      "0900 1200 1500");
  EXPECT_EQ(first(Recurrence::parse("FREQ=MINUTELY;INTERVAL=15;COUNT=6", start), 9, "hhmm"),
            "0900 0915 0930 0945 1000 1015");
  EXPECT_EQ(first(Recurrence::parse("FREQ=MINUTELY;INTERVAL=90;COUNT=4", start), 9, "hhmm"),
            "0900 1030 1200 1330");
  // Every 20 minutes from 9:00 to 16:40, by a daily and by a minutely rule.
  const std::string everyTwenty = first(
      Recurrence::parse("FREQ=DAILY;BYHOUR=9,10,11,12,13,14,15,16;BYMINUTE=0,20,40", start), 72);
  EXPECT_EQ(
      everyTwenty,
      first(Recurrence::parse("FREQ=MINUTELY;INTERVAL=20;BYHOUR=9,10,11,12,13,14,15,16", start),
            72));
  EXPECT_EQ(everyTwenty.substr(16 * 22, 47), "19970902T162000 19970902T164000 19970903T090000");
}

// ---- The readings the header states, where implementations differ.

constexpr Example kReadings[] = {
    // BYDAY's entries are alternatives: every Monday, and the last Friday.
    {"FREQ=MONTHLY;BYDAY=-1FR,MO", "20260101T090000",
     "20260105 20260112 20260119 20260126 20260130 20260202"},
    // An unsorted BYHOUR still gives the times in order.
    {"FREQ=DAILY;BYHOUR=17,9,12;COUNT=4", "20260101T000000",
     "20260101T090000 20260101T120000 20260101T170000 20260102T090000"},
    // A negative BYMONTHDAY limits a daily rule.
    {"FREQ=DAILY;BYMONTHDAY=-1;COUNT=3", "20260115T080000", "20260131 20260228 20260331"},
    // A yearly BYMONTHDAY without BYMONTH falls in every month.
    {"FREQ=YEARLY;BYMONTHDAY=31;COUNT=4", "20260101T080000", "20260131 20260331 20260531 20260731"},
    // BYWEEKNO without BYDAY takes the start's weekday, a Thursday.
    {"FREQ=YEARLY;BYWEEKNO=1;COUNT=3", "20260101T080000", "20260101 20270107 20280106"},
    // Week 1 of the next year, begun in December, is named in the year
    // whose days it holds: 2025 has none of its own, 2026's begins in 2025.
    {"FREQ=YEARLY;BYWEEKNO=1;BYDAY=MO;COUNT=4", "20240101T080000",
     "20240101 20241230 20251229 20270104"},
    // The last week of the year, -1, is that of the week-numbering year:
    // 2021 ended in week 52, which ran to Sunday 2022-01-02.
    {"FREQ=YEARLY;BYWEEKNO=-1;BYDAY=SA,SU;COUNT=4", "20210101T080000",
     "20210102 20210103 20220101 20220102"},
    // Ordinals count in the year without BYMONTH, in the month with it.
    {"FREQ=YEARLY;BYDAY=1MO,-1FR;COUNT=3", "20260101T080000", "20260105 20261225 20270104"},
    {"FREQ=YEARLY;BYMONTH=2;BYDAY=1MO;COUNT=2", "20260101T080000", "20260202 20270201"},
    // Dates that do not exist are skipped, not carried.
    {"FREQ=MONTHLY;COUNT=4", "20260131T080000", "20260131 20260331 20260531 20260731"},
    {"FREQ=YEARLY;COUNT=2", "20240229T080000", "20240229 20280229"},
    {"FREQ=MINUTELY;BYSECOND=59,60;COUNT=2", "20261231T235800", "20261231T235859 20261231T235959"},
    // A start the rule does not name is not an occurrence, nor counted.
    {"FREQ=MONTHLY;BYDAY=1MO;COUNT=2", "20260110T080000", "20260202 20260302"},
    // BYSETPOS picks from the whole week, days before the start included.
    {"FREQ=WEEKLY;BYDAY=MO,WE,FR;BYSETPOS=2;COUNT=2", "20260106T080000", "20260107 20260114"},
    // A week named by BYWEEKNO holds seven days for BYSETPOS to pick from.
    {"FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO,TU,WE,TH,FR,SA,SU;BYSETPOS=7;COUNT=2", "20260101T080000",
     "20260517 20270523"},
    // ... and, where the week of that number in the next week-numbering year
    // begins in December, those days too: 2024's holds nine.
    {"FREQ=YEARLY;BYWEEKNO=1;BYDAY=MO,TU,WE,TH,FR,SA,SU;BYSETPOS=8;COUNT=3", "20240101T080000",
     "20241230 20251231 20291231"},
    // UNTIL is inclusive, and a date where every time is midnight.
    {"FREQ=DAILY;UNTIL=20260103", "20260101T000000",
     "20260101T000000 20260102T000000 20260103T000000"},
    {"FREQ=DAILY;UNTIL=20260102T080000", "20260101T080000", "20260101 20260102"},
    // Names and values in any case.
    {"freq=weekly;byday=tu,Th;Count=2;wkst=su", "20260101T080000", "20260101 20260106"},
};

TEST(Recurrence, TakesTheReadingsItsHeaderStates) {
  for (const Example& reading : kReadings)
    expectDates(reading.rule, at(reading.start), reading.dates);
}

// ---- Refusals: what was expected, where.

struct Refusal {
  const char* rule;
  const char* message;
};

constexpr Refusal kRefusals[] = {
    {"",
     "expected a rule part (FREQ, UNTIL, COUNT, INTERVAL, BYSECOND, BYMINUTE, BYHOUR, BYDAY, "
     "BYMONTHDAY, BYYEARDAY, BYWEEKNO, BYMONTH, BYSETPOS or WKST) at offset 0 of \"\", found the "
     "end of the text"},
    {"FREQ=DAILY;BYWEEK=1",
     "expected a rule part (FREQ, UNTIL, COUNT, INTERVAL, BYSECOND, BYMINUTE, "
     "BYHOUR, BYDAY, BYMONTHDAY, BYYEARDAY, BYWEEKNO, BYMONTH, BYSETPOS or WKST) "
     "at offset 11 of \"FREQ=DAILY;BYWEEK=1\", found \"BYWEEK\""},
    {"FREQ=DAILY;",
     "expected a rule part (FREQ, UNTIL, COUNT, INTERVAL, BYSECOND, BYMINUTE, BYHOUR, "
     "BYDAY, BYMONTHDAY, BYYEARDAY, BYWEEKNO, BYMONTH, BYSETPOS or WKST) at offset 11 of "
     "\"FREQ=DAILY;\", found the end of the text"},
    {"FREQ;COUNT=1", "expected \"=\" at offset 4 of \"FREQ;COUNT=1\", found \";\""},
    {"FREQ=DAILY;freq=WEEKLY",
     "expected a part not given before at offset 11 of "
     "\"FREQ=DAILY;freq=WEEKLY\", found \"freq\""},
    {"COUNT=2", "expected FREQ at offset 7 of \"COUNT=2\", found the end of the text"},
    {"FREQ=FORTNIGHTLY",
     "expected FREQ (SECONDLY, MINUTELY, HOURLY, DAILY, WEEKLY, MONTHLY or YEARLY) "
     "at offset 5 of \"FREQ=FORTNIGHTLY\", found \"FORTNIGHTLY\""},
    {"FREQ=DAILY;UNTIL=20260101;COUNT=3",
     "expected COUNT or UNTIL, not both at offset 26 of "
     "\"FREQ=DAILY;UNTIL=20260101;COUNT=3\", found \"COUNT\""},
    {"FREQ=DAILY;COUNT=0",
     "expected COUNT (1 to 9223372036854775807) at offset 17 of "
     "\"FREQ=DAILY;COUNT=0\", found \"0\""},
    {"FREQ=DAILY;COUNT=9223372036854775808",
     "expected COUNT (1 to 9223372036854775807) at offset 17 "
     "of \"FREQ=DAILY;COUNT=9223372036854775808\", found "
     "\"9223372036854775808\""},
    {"FREQ=DAILY;INTERVAL=0",
     "expected INTERVAL (1 to 2147483647) at offset 20 of "
     "\"FREQ=DAILY;INTERVAL=0\", found \"0\""},
    {"FREQ=DAILY;INTERVAL=-2",
     "expected INTERVAL (1 to 2147483647) at offset 20 of "
     "\"FREQ=DAILY;INTERVAL=-2\", found \"-2\""},
    {"FREQ=MONTHLY;BYMONTHDAY=1,32",
     "expected BYMONTHDAY (1 to 31 or -31 to -1) at offset 26 of "
     "\"FREQ=MONTHLY;BYMONTHDAY=1,32\", found \"32\""},
    {"FREQ=MONTHLY;BYMONTHDAY=1,,2",
     "expected BYMONTHDAY (1 to 31 or -31 to -1) at offset 26 of "
     "\"FREQ=MONTHLY;BYMONTHDAY=1,,2\", found \",\""},
    {"FREQ=YEARLY;BYYEARDAY=0",
     "expected BYYEARDAY (1 to 366 or -366 to -1) at offset 22 of "
     "\"FREQ=YEARLY;BYYEARDAY=0\", found \"0\""},
    {"FREQ=YEARLY;BYWEEKNO=-54",
     "expected BYWEEKNO (1 to 53 or -53 to -1) at offset 21 of "
     "\"FREQ=YEARLY;BYWEEKNO=-54\", found \"-54\""},
    {"FREQ=DAILY;BYHOUR=24",
     "expected BYHOUR (0 to 23) at offset 18 of \"FREQ=DAILY;BYHOUR=24\", "
     "found \"24\""},
    {"FREQ=DAILY;BYMINUTE=+5",
     "expected BYMINUTE (0 to 59) at offset 20 of "
     "\"FREQ=DAILY;BYMINUTE=+5\", found \"+5\""},
    {"FREQ=DAILY;BYSECOND=61",
     "expected BYSECOND (0 to 60) at offset 20 of "
     "\"FREQ=DAILY;BYSECOND=61\", found \"61\""},
    {"FREQ=YEARLY;BYMONTH=13",
     "expected BYMONTH (1 to 12) at offset 20 of \"FREQ=YEARLY;BYMONTH=13\", "
     "found \"13\""},
    {"FREQ=YEARLY;BYSETPOS=367;BYMONTH=1",
     "expected BYSETPOS (1 to 366 or -366 to -1) at offset 21 of "
     "\"FREQ=YEARLY;BYSETPOS=367;BYMONTH=1\", found \"367\""},
    {"FREQ=MONTHLY;BYDAY=MO,XX",
     "expected BYDAY (a weekday SU, MO, TU, WE, TH, FR or SA, after an "
     "ordinal of 1 to 53 or -53 to -1 or none) at offset 22 of "
     "\"FREQ=MONTHLY;BYDAY=MO,XX\", found \"XX\""},
    {"FREQ=YEARLY;BYDAY=54MO",
     "expected BYDAY (a weekday SU, MO, TU, WE, TH, FR or SA, after an "
     "ordinal of 1 to 53 or -53 to -1 or none) at offset 18 of "
     "\"FREQ=YEARLY;BYDAY=54MO\", found \"54MO\""},
    {"FREQ=MONTHLY;BYDAY=1MO,6MO",
     "expected a weekday with an ordinal of 1 to 5 or -5 to -1 (a month "
     "holds at most five of each) at offset 23 of "
     "\"FREQ=MONTHLY;BYDAY=1MO,6MO\", found \"6MO\""},
    {"BYDAY=2MO;FREQ=WEEKLY",
     "expected a weekday without an ordinal (only MONTHLY and YEARLY rules "
     "without BYWEEKNO number weekdays) at offset 6 of "
     "\"BYDAY=2MO;FREQ=WEEKLY\", found \"2MO\""},
    {"FREQ=YEARLY;BYWEEKNO=3;BYDAY=1MO",
     "expected a weekday without an ordinal (only MONTHLY and "
     "YEARLY rules without BYWEEKNO number weekdays) at offset 29 "
     "of \"FREQ=YEARLY;BYWEEKNO=3;BYDAY=1MO\", found \"1MO\""},
    {"FREQ=MONTHLY;BYWEEKNO=3",
     "expected a part other than BYWEEKNO, which only YEARLY rules take at "
     "offset 13 of \"FREQ=MONTHLY;BYWEEKNO=3\", found \"BYWEEKNO\""},
    {"FREQ=DAILY;BYYEARDAY=3",
     "expected a part other than BYYEARDAY, which DAILY, WEEKLY and MONTHLY "
     "rules do not take at offset 11 of \"FREQ=DAILY;BYYEARDAY=3\", found "
     "\"BYYEARDAY\""},
    {"FREQ=WEEKLY;BYMONTHDAY=3",
     "expected a part other than BYMONTHDAY, which WEEKLY rules do not "
     "take at offset 12 of \"FREQ=WEEKLY;BYMONTHDAY=3\", found "
     "\"BYMONTHDAY\""},
    {"FREQ=MONTHLY;BYSETPOS=1;COUNT=2",
     "expected another BYxxx part, from whose dates BYSETPOS picks "
     "at offset 13 of \"FREQ=MONTHLY;BYSETPOS=1;COUNT=2\", found "
     "\"BYSETPOS\""},
    {"FREQ=DAILY;UNTIL=20260230T000000",
     "expected UNTIL (a date YYYYMMDD, or a date and time "
     "YYYYMMDDThhmmss with or without Z) at offset 17 of "
     "\"FREQ=DAILY;UNTIL=20260230T000000\", found "
     "\"20260230T000000\""},
    {"FREQ=DAILY;UNTIL=20260101X",
     "expected UNTIL (a date YYYYMMDD, or a date and time "
     "YYYYMMDDThhmmss with or without Z) at offset 17 of "
     "\"FREQ=DAILY;UNTIL=20260101X\", found \"20260101X\""},
    {"FREQ=HOURLY;UNTIL=20260101",
     "expected UNTIL as a date and time YYYYMMDDThhmmss (the rule's "
     "times are not all midnight) at offset 18 of "
     "\"FREQ=HOURLY;UNTIL=20260101\", found \"20260101\""},
    {"FREQ=WEEKLY;WKST=XY",
     "expected WKST (SU, MO, TU, WE, TH, FR or SA) at offset 17 of "
     "\"FREQ=WEEKLY;WKST=XY\", found \"XY\""},
};

TEST(Recurrence, RefusesWhatTheRfcForbidsSayingWhatWasExpectedWhere) {
  const Date::Date start(2026, Date::Jan, 1);
  for (const Refusal& refusal : kRefusals) {
    EXPECT_FALSE(Recurrence::tryParse(refusal.rule, start)) << refusal.rule;
    try {
      (void)Recurrence::parse(refusal.rule, start);
      ADD_FAILURE() << refusal.rule << " was read";
    } catch (const Date::ParseError& error) {
      EXPECT_EQ(std::string(error.what()), refusal.message);
      const std::string offset = " at offset " + std::to_string(error.offset()) + " of ";
      EXPECT_NE(std::string(error.what()).find(offset), std::string::npos) << error.what();
    }
  }
  // A date-only UNTIL needs every time at midnight: a start at 08:00 has not.
  EXPECT_FALSE(Recurrence::tryParse("FREQ=DAILY;UNTIL=20260105", at("20260101T080000")));
  EXPECT_TRUE(Recurrence::tryParse("FREQ=DAILY;UNTIL=20260105;BYHOUR=0", at("20260101T000500")) ==
              std::nullopt);
  EXPECT_TRUE(
      Recurrence::tryParse("FREQ=DAILY;UNTIL=20260105;BYHOUR=0;BYMINUTE=0", at("20260101T000000")));
}

// ---- The ends of the range, and rules that name nothing.

TEST(Recurrence, EndsAtTheLastSecondOfTheYear9999) {
  const auto all = [](const char* rule, const char* start) {
    return first(Recurrence::parse(rule, at(start)), 100);
  };
  EXPECT_EQ(all("FREQ=SECONDLY;INTERVAL=2", "99991231T235955"),
            "99991231T235955 99991231T235957 99991231T235959");
  EXPECT_EQ(all("FREQ=YEARLY", "99980601T000000"), "99980601T000000 99990601T000000");
  EXPECT_EQ(all("FREQ=MONTHLY;BYMONTHDAY=-1", "99991115T120000"),
            "99991130T120000 99991231T120000");
  // The week of 9999-12-31, a Friday, runs past it.
  EXPECT_EQ(all("FREQ=WEEKLY;BYDAY=TH,FR,SA,SU", "99991227T000000"),
            "99991230T000000 99991231T000000");
  // The first week of the year 0 begins before it.
  const Date::Date year0(0, Date::Jan, 1);  // a Saturday
  EXPECT_EQ(
      Recurrence::parse("FREQ=WEEKLY;BYDAY=SA,MO;COUNT=2", year0).between(year0, year0.addDay(9)),
      (std::vector<Date::Date>{year0, year0.addDay(2)}));
  // Its first two days end week 52 of the year before.
  const Date::Date lastDay(0, Date::Dec, 31);
  EXPECT_EQ(Recurrence::parse("FREQ=YEARLY;BYWEEKNO=52;BYDAY=SA,SU", year0).between(year0, lastDay),
            (std::vector<Date::Date>{year0, year0.addDay(1), lastDay.addDay(-1), lastDay}));
  const Recurrence secondly = Recurrence::parse("FREQ=SECONDLY", at("00000101T000000"));
  EXPECT_EQ(secondly.next(at("99991231T235958")), at("99991231T235959"));
  EXPECT_EQ(secondly.next(at("99991231T235959")), std::nullopt);
  EXPECT_EQ(secondly.between(at("99991231T235958"), at("00000101T000000")).size(), 0U);
}

TEST(Recurrence, LooksUpPastTheLastCountedOccurrenceWithoutWalkingOn) {
  const Date::Date start(2026, Date::Jan, 1);
  const Recurrence secondly = Recurrence::parse("FREQ=SECONDLY;COUNT=5", start);
  EXPECT_EQ(secondly.next(start.addSecond(3)), start.addSecond(4));
  EXPECT_EQ(secondly.next(start.addSecond(4)), std::nullopt);
  EXPECT_EQ(secondly.next(Date::Date(9000, Date::Jan, 1)), std::nullopt);
  EXPECT_TRUE(
      secondly.between(Date::Date(9000, Date::Jan, 1), Date::Date(9999, Date::Jan, 1)).empty());
}

TEST(Recurrence, RulesThatNameNothingEnd) {
  const char* const never[] = {
      "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30",
      "FREQ=MONTHLY;BYMONTHDAY=31;BYMONTH=4,6,9,11",
      "FREQ=WEEKLY;BYDAY=MO,TU;BYSETPOS=3",
      "FREQ=MONTHLY;BYDAY=MO;BYSETPOS=6",
      "FREQ=DAILY;INTERVAL=7;BYDAY=WE",               // every seventh day from a Thursday
      "FREQ=HOURLY;INTERVAL=7;BYDAY=WE;BYHOUR=0,14",  // likewise: 24 hours is 3 mod 7
      "FREQ=SECONDLY;INTERVAL=2;BYSECOND=1",
      "FREQ=MINUTELY;BYSECOND=60",
      "FREQ=YEARLY;BYYEARDAY=366;BYMONTH=1",
      "FREQ=MONTHLY;INTERVAL=12;BYMONTH=3",
      "FREQ=YEARLY;BYWEEKNO=53;BYMONTH=6;BYDAY=MO",
      "FREQ=YEARLY;INTERVAL=400;BYMONTH=1;BYMONTHDAY=1;BYDAY=TU",  // 2026-01-01 is a Thursday
      "FREQ=DAILY;UNTIL=20251231T000000",
  };
  const Date::Date thursday(2026, Date::Jan, 1);
  for (const char* rule : never) {
    const Recurrence r = Recurrence::parse(rule, thursday);
    EXPECT_TRUE(r.begin() == r.end()) << rule;
    EXPECT_EQ(r.next(Date::Date(5000, Date::Jan, 1)), std::nullopt) << rule;
  }
}

// ---- Random rules: against python-dateutil, and lookups against
// iteration. The rules avoid what the two expansions read differently:
// ordinals beside plain weekdays, BYWEEKNO without BYDAY, weeks -52 and
// beyond, BYSETPOS of a weekly rule not started on WKST (dateutil picks
// from the days from the start), and ordinals past five with BYMONTH.

class RuleMaker {
 public:
  explicit RuleMaker(unsigned seed) : random(seed) {}

  struct Made {
    std::string rule;
    Date::Date start;
    Date::Date last;  // as far as to compare with dateutil
    bool repeats400;  // without an end, with an interval of 1
  };

  Made make() {
    static constexpr const char* frequencies[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY",
                                                  "WEEKLY",   "MONTHLY",  "YEARLY"};
    const int f = pick(0, 6);
    std::vector<std::string> parts = {std::string("FREQ=") + frequencies[f]};
    const int interval = chance(50) ? pickOf({1, 2, 3, 5, 7, 13, 25, 60, 100}) : 1;
    if (interval != 1 || chance(10)) parts.push_back("INTERVAL=" + std::to_string(interval));
    Date::Date start = randomDate(1990, 2030);
    bool ends = true;
    if (chance(30)) {
      parts.push_back("COUNT=" + std::to_string(pick(1, 30)));
    } else if (chance(20)) {
      const Date::Date until = start.addSecond(pick(0, f <= 2 ? 86400 : 1 << 30));
      parts.push_back("UNTIL=" + until.toString("YYYYMMDDThhmmss"));
    } else {
      ends = false;
    }
    bool by = addDayParts(f, parts);
    const auto addList = [&](const char* name, int low, int high) {
      parts.push_back(std::string(name) + "=" + list(low, high, false));
      by = true;
    };
    if (chance(f <= 2 ? 10 : 30)) addList("BYMONTH", 1, 12);
    if (chance(30)) addList("BYHOUR", 0, 23);
    if (chance(30)) addList("BYMINUTE", 0, 59);
    if (chance(25)) addList("BYSECOND", 0, 59);
    const bool setPositions = by && f >= 4 && chance(25);
    if (setPositions) parts.push_back("BYSETPOS=" + list(1, 3, true));
    int weekStart = 1;
    if (chance(20)) {
      weekStart = pick(0, 6);
      parts.push_back(std::string("WKST=") + kWeekdays[weekStart]);
    }
    std::shuffle(parts.begin(), parts.end(), random);
    while (f == 4 && setPositions && start.getWeekday() != weekStart) start = start.addDay(1);
    std::string rule;
    for (const std::string& part : parts) rule += (rule.empty() ? "" : ";") + part;
    // Dateutil walks every period: as far as it takes a few thousand.
    static constexpr int window[] = {86400, 5 * 86400, 90 * 86400};
    const Date::Date last = f <= 2 ? start.addSecond(window[f]) : start.addYear(30);
    return {rule, start, last, !ends && interval == 1};
  }

 private:
  static constexpr const char* kWeekdays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
  bool chance(int percent) { return pick(1, 100) <= percent; }
  int pickOf(std::initializer_list<int> values) {
    return *(values.begin() + pick(0, static_cast<int>(values.size()) - 1));
  }

  Date::Date randomDate(int fromYear, int toYear) {
    return {pick(fromYear, toYear),
            static_cast<Date::Month>(pick(1, 12)),
            pick(1, 28),
            pick(0, 23),
            pick(0, 59),
            pick(0, 59)};
  }

  // One to three values of low .. high, some negated where `sign` allows.
  std::string list(int low, int high, bool sign) {
    std::string text;
    for (int n = pick(1, 3); n > 0; --n) {
      const int value = pick(low, high) * (sign && chance(40) ? -1 : 1);
      text += (text.empty() ? "" : ",") + std::to_string(value);
    }
    return text;
  }

  std::string weekdays(int most) {
    std::string text;
    for (int n = pick(1, most); n > 0; --n)
      text += (text.empty() ? "" : ",") + std::string(kWeekdays[pick(0, 6)]);
    return text;
  }

  // BYWEEKNO with BYDAY, BYDAY with or without ordinals, BYMONTHDAY and
  // BYYEARDAY, where the frequency takes them; whether any was added.
  bool addDayParts(int f, std::vector<std::string>& parts) {
    bool added = false;
    if (f == 6 && chance(20)) {
      std::string weeks;
      for (int n = pick(1, 3); n > 0; --n) {
        weeks +=
            (weeks.empty() ? "" : ",") + std::to_string(chance(70) ? pick(1, 53) : -pick(1, 51));
      }
      parts.push_back("BYWEEKNO=" + weeks);
      parts.push_back("BYDAY=" + weekdays(3));
      added = true;
    } else if (f >= 5 && chance(40)) {
      std::string days;
      const bool ordinals = chance(50);
      for (int n = pick(1, 3); n > 0; --n) {
        const int ordinal = pick(1, f == 6 && chance(30) ? 53 : 5) * (chance(50) ? -1 : 1);
        days += (days.empty() ? "" : ",") + (ordinals ? std::to_string(ordinal) : "") +
                kWeekdays[pick(0, 6)];
      }
      parts.push_back("BYDAY=" + days);
      added = true;
    } else if (chance(30)) {
      parts.push_back("BYDAY=" + weekdays(4));
      added = true;
    }
    // Rarely several parts that limit days, so that most rules name some.
    if (f != 4 && chance(added ? 10 : 30)) {
      parts.push_back("BYMONTHDAY=" + list(1, 31, true));
      added = true;
    }
    if ((f == 6 || f <= 2) && !added && chance(15)) {
      parts.push_back("BYYEARDAY=" + list(1, 366, true));
      added = true;
    }
    return added;
  }

  std::mt19937 random;
};

// A rule's occurrences from its start to `last`, at most 26: what the
// oracle lists for it.
std::string upTo(const Recurrence& r, const Date::Date& last) {
  std::string text;
  int n = 0;
  for (const Date::Date& d : r) {
    if (d > last || n++ == 26) break;
    text += (text.empty() ? "" : " ") + d.toString("YYYYMMDDThhmmss");
  }
  return text.empty() ? "none" : text;
}

TEST(Recurrence, AgreesWithPythonDateutilOnRandomRules) {
  RuleMaker maker(20261208);
  std::vector<RuleMaker::Made> rules;
  std::vector<Date::Date> lasts;
  const std::string input = ::testing::TempDir() + "recurrence_rules.txt";
  const std::string output = ::testing::TempDir() + "recurrence_dateutil.txt";
  {
    std::ofstream file(input);
    for (int i = 0; i < 600; ++i) {
      RuleMaker::Made made = maker.make();
      const Recurrence r = Recurrence::parse(made.rule, made.start);
      // To the 25th occurrence at most.
      Date::Date last = made.last;
      std::size_t n = 0;
      for (const Date::Date& d : r) {
        if (d > last) break;
        if (++n == 25) last = d;
      }
      file << made.rule << '\t' << made.start.toString("YYYYMMDDThhmmss") << '\t'
           << last.toString("YYYYMMDDThhmmss") << '\n';
      rules.push_back(made);
      lasts.push_back(last);
    }
  }
  const std::string command = std::string(NORMDATE_PYTHON) + " " + NORMDATE_RECURRENCE_ORACLE +
                              " < " + input + " > " + output;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream answers(output);
  int compared = 0;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    std::string expected;
    ASSERT_TRUE(std::getline(answers, expected)) << "dateutil answered " << i << " rules";
    if (expected == "skip") continue;
    ++compared;
    EXPECT_EQ(upTo(Recurrence::parse(rules[i].rule, rules[i].start), lasts[i]), expected)
        << rules[i].rule << " from " << rules[i].start.toString("YYYYMMDDThhmmss");
  }
  EXPECT_GT(compared, 500);
}

static_assert(noexcept(std::declval<Recurrence>().next(std::declval<Date::Date>())));
static_assert(noexcept(++std::declval<Recurrence::iterator&>()));

TEST(Recurrence, LookupsAgreeWithIterationAndTheTextReadsBack) {
  RuleMaker maker(7);
  std::mt19937 random(11);
  for (int i = 0; i < 500; ++i) {
    const RuleMaker::Made made = maker.make();
    const Recurrence r = Recurrence::parse(made.rule, made.start);
    std::vector<Date::Date> dates;
    for (const Date::Date& d : r) {
      if (dates.size() == 40) break;
      dates.push_back(d);
    }
    const Recurrence again = Recurrence::parse(r.toString(), made.start);
    EXPECT_EQ(again.toString(), r.toString()) << made.rule;
    EXPECT_EQ(first(again, 40), first(r, 40)) << made.rule << " read back as " << r.toString();
    if (dates.size() < 2) continue;
    // Lookups from instants around and between the occurrences.
    for (int k = 0; k < 10; ++k) {
      const std::size_t j = std::uniform_int_distribution<std::size_t>(0, dates.size() - 2)(random);
      const std::int64_t gap = dates[j].secondsUntil(dates[j + 1]);
      const Date::Date after =
          dates[j].addSecond(static_cast<int>(std::uniform_int_distribution<std::int64_t>(
              0, std::min<std::int64_t>(gap - 1, 1 << 30))(random)));
      EXPECT_EQ(r.next(after), dates[j + 1]) << made.rule << " after " << after;
      const std::size_t to = std::min(dates.size() - 1, j + 5);
      const std::vector<Date::Date> expected(dates.begin() + static_cast<std::ptrdiff_t>(j) + 1,
                                             dates.begin() + static_cast<std::ptrdiff_t>(to) + 1);
      EXPECT_EQ(r.between(after.addSecond(1), dates[to]), expected)
          << made.rule << " from " << after;
    }
    EXPECT_EQ(r.next(made.start.addSecond(-1)), dates[0]) << made.rule;
  }
}

// COUNT=n ends a rule at its n-th occurrence, however many periods on:
// lookups around it, and between earlier occurrences, agree with the rule
// without COUNT, whose occurrences are counted here one by one.
TEST(Recurrence, CountEndsAtTheNthOccurrenceHoweverFar) {
  // Random rules, and some that only a lookup in a far year of one kind
  // tells apart: week -53, which December's days of week 1 of a next year
  // of 53 weeks fall in, and set positions beyond 64.
  const char* const chosen[] = {"FREQ=YEARLY;BYWEEKNO=-53;BYDAY=MO,TU,WE",
                                "FREQ=YEARLY;BYWEEKNO=1,53;BYDAY=SA,SU,MO",
                                "FREQ=YEARLY;BYDAY=MO,TU;BYSETPOS=70,-70,100,120"};
  RuleMaker maker(19);
  std::mt19937 random(23);
  for (int i = 0; i < 300 + 3 * 5; ++i) {
    RuleMaker::Made made = maker.make();
    if (i >= 300) made.rule = chosen[(i - 300) / 5];
    std::string rule;
    for (const std::string_view part : split(made.rule, ';')) {
      if (part.rfind("COUNT=", 0) != 0 && part.rfind("UNTIL=", 0) != 0) {
        rule += (rule.empty() ? "" : ";") + std::string(part);
      }
    }
    const std::int64_t n = std::int64_t{1} << std::uniform_int_distribution<int>(0, 14)(random);
    // Some from the calendar's first day, whose week began in the year -1.
    const Date::Date start =
        i % 4 == 0 ? Date::Date(0, Date::Jan, 1, made.start.getHour(), made.start.getMinute(), 0)
                   : made.start;
    std::vector<Date::Date> dates;
    for (const Date::Date& d : Recurrence::parse(rule, start)) {
      dates.push_back(d);
      if (static_cast<std::int64_t>(dates.size()) == n) break;
    }
    if (dates.empty()) continue;
    const Recurrence counted = Recurrence::parse(rule + ";COUNT=" + std::to_string(n), start);
    const Date::Date last = dates.back();
    if (static_cast<std::int64_t>(dates.size()) == n) {
      EXPECT_EQ(counted.next(last), std::nullopt) << rule << " COUNT=" << n;
      EXPECT_EQ(counted.next(last.addYear(100)), std::nullopt) << rule << " COUNT=" << n;
    }
    EXPECT_EQ(counted.next(last.addSecond(-1)), last) << rule << " COUNT=" << n;
    const std::size_t k = std::uniform_int_distribution<std::size_t>(0, dates.size() - 1)(random);
    EXPECT_EQ(counted.between(dates[k], last.addDay(1)).size(), dates.size() - k)
        << rule << " COUNT=" << n << " from " << dates[k];
  }
}

// A lookup in a rule with a huge COUNT counts the occurrences before it
// without visiting them: from the year 0 to 9999 in well under a second
// each, where visiting took up to 32 hours. The answers are those of the
// rule without COUNT, which never reaches it.
TEST(Recurrence, LookupsWithAHugeCountDoNotVisitTheOccurrencesBefore) {
  const char* const rules[] = {"FREQ=DAILY",
                               "FREQ=WEEKLY;BYDAY=MO,WE,FR",
                               "FREQ=MONTHLY;BYDAY=-1FR",
                               "FREQ=YEARLY;BYMONTH=3;BYDAY=2SU",
                               "FREQ=HOURLY;BYMINUTE=30",
                               "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1",
                               "FREQ=SECONDLY;BYMONTH=6",
                               "FREQ=MINUTELY;BYDAY=MO,TU",
                               "FREQ=HOURLY;BYMONTHDAY=1,15,-1",
                               "FREQ=SECONDLY;BYDAY=MO,TU,WE,TH,FR;BYMONTH=1,2,3;BYHOUR=9,17",
                               "FREQ=SECONDLY;INTERVAL=7;BYDAY=MO,TU,WE,TH,FR",
                               "FREQ=WEEKLY;BYMONTH=1,3;BYSETPOS=1;BYDAY=MO,FR",
                               "FREQ=SECONDLY;INTERVAL=2053;BYHOUR=1,2,3;BYDAY=MO,TU,WE,TH,FR,SA"};
  const Date::Date start(0, Date::Jan, 1, 9, 0, 0);
  for (const char* rule : rules) {
    const Recurrence counted =
        Recurrence::parse(std::string(rule) + ";COUNT=9223372036854775807", start);
    const Recurrence plain = Recurrence::parse(rule, start);
    for (const Date::Date& after : {Date::Date(9999, Date::Nov, 30), Date::Date(5000, Date::Mar, 1),
                                    Date::Date(1, Date::Jul, 4)}) {
      const auto began = std::chrono::steady_clock::now();
      EXPECT_EQ(counted.next(after), plain.next(after)) << rule << " after " << after;
      EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1)) << rule;
    }
  }
}

TEST(Recurrence, LookupsFarAheadRepeatWithTheCalendarEvery400Years) {
  // Without an end and with an interval of 1, a rule names the same dates
  // in every 400 years: a lookup 2400 years on is the same, moved.
  RuleMaker maker(3);
  std::mt19937 random(5);
  int checked = 0;
  while (checked < 200) {
    const RuleMaker::Made made = maker.make();
    if (!made.repeats400) continue;
    const Recurrence r = Recurrence::parse(made.rule, made.start);
    const Date::Date after =
        made.start.addDay(std::uniform_int_distribution<int>(0, 20000)(random));
    const std::optional<Date::Date> near = r.next(after);
    const std::optional<Date::Date> far = r.next(after.addYear(2400));
    if (near && near->getYear() < 7500) {
      ++checked;
      EXPECT_EQ(far, near->addYear(2400))
          << made.rule << " from " << made.start << " after " << after;
    }
  }
}

}  // namespace
