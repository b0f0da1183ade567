// The demonstration program's transcript, in process: its main() is compiled
// into this test under another name, and the clock is the fake one.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <array>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fake_clock.h"

namespace demo {
void writeWalkthrough(std::ostream& out, const Date::Date& curdate);
}
int normdateDemoMain(int argc, char** argv);

namespace {

std::string transcript(const Date::Date& curdate) {
  std::ostringstream out;
  demo::writeWalkthrough(out, curdate);
  return out.str();
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const char* const kTranscript =
    "Class Date:\n"
    "Current UTC time: 2026-Dec-06 02:04:49\n"
    "Current local time: 2026-Dec-06 09:04:49\n"
    "Date(2010-Feb-30 22:59:72) = 2010-Mar-02 23:00:12\n"
    "Future date: 2302-Feb-03 02:04:49\n"
    "Past date: 2018-Aug-06 02:04:49\n"
    "Date without time: 1991-Apr-07 00:00:00\n"
    "End: 9899-Feb-24 20:00:07\n"
    "\n"
    "Class DateInterval:\n"
    "local - utc: 0-0-0 7:0:0\n"
    "utc - local: 0-0-0 -7:0:0\n"
    "2026-Dec-06 09:04:49\n"
    "2028-Feb-09 13:09:55\n"
    "[0|0|0|0|0|0]\n";

TEST(Demo, WholeTranscriptByteForByte) {
  EXPECT_EQ(transcript(Date::Date(2026, Date::Dec, 6, 2, 4, 49)), kTranscript);
}

TEST(Demo, MainReadsTheClockOnceAndWritesTheTranscript) {
  fakeclock::set(1796522689);  // 2026-12-06 02:04:49 UTC
  std::ostringstream captured;
  std::streambuf* const original = std::cout.rdbuf(captured.rdbuf());
  std::array<char, 6> name{"demo"};
  std::array<char*, 2> argv{name.data(), nullptr};
  const int status = normdateDemoMain(1, argv.data());
  std::cout.rdbuf(original);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(fakeclock::reads(), 1);
  EXPECT_EQ(captured.str(), kTranscript);
}

struct Moment {
  const char* what;
  std::tm clock;
  std::map<int, std::string> lines;  // by line number, from 1
};

// Each moment with every line that depends on the clock. The clock's split
// goes through the real clock constructor, so that a leap second can be one.
TEST(Demo, ClockDependentLines) {
  const std::vector<Moment> moments = {
      {"local date is the next day",
       fakeclock::splitOf(2026, 12, 6, 17, 0, 0),
       {{2, "Current UTC time: 2026-Dec-06 17:00:00"},
        {3, "Current local time: 2026-Dec-07 00:00:00"},
        {5, "Future date: 2302-Feb-03 17:00:00"},
        {6, "Past date: 2018-Aug-06 17:00:00"},
        {11, "local - utc: 0-0-0 7:0:0"},
        {12, "utc - local: 0-0-0 -7:0:0"},
        {13, "2026-Dec-07 00:00:00"},
        {14, "2028-Feb-10 04:05:06"}}},
      {"December 31 from 17:00",
       fakeclock::splitOf(2026, 12, 31, 17, 0, 0),
       {{3, "Current local time: 2027-Jan-01 00:00:00"},
        {5, "Future date: 2302-Feb-28 17:00:00"},
        {6, "Past date: 2018-Aug-31 17:00:00"},
        {11, "local - utc: 0-0--1 7:0:0"},
        {12, "utc - local: 0-0-1 -7:0:0"},
        {14, "2028-Mar-04 04:05:06"}}},
      {"end of a 30-day month",
       fakeclock::splitOf(2026, 11, 30, 18, 0, 0),
       {{3, "Current local time: 2026-Dec-01 01:00:00"},
        {5, "Future date: 2302-Jan-28 18:00:00"},
        {6, "Past date: 2018-Jul-30 18:00:00"},
        {11, "local - utc: 0-0-0 7:0:0"},
        {12, "utc - local: 0-0-0 -7:0:0"},
        {14, "2028-Feb-04 05:05:06"}}},
      {"February 28 of a common year",
       fakeclock::splitOf(2026, 2, 28, 17, 0, 0),
       {{3, "Current local time: 2026-Mar-01 00:00:00"},
        {5, "Future date: 2301-Apr-28 17:00:00"},
        {6, "Past date: 2017-Oct-28 17:00:00"},
        {11, "local - utc: 0-0-2 7:0:0"},
        {12, "utc - local: 0-0--2 -7:0:0"},
        {14, "2027-May-04 04:05:06"}}},
      {"February 29 of a leap year",
       fakeclock::splitOf(2028, 2, 29, 17, 0, 0),
       {{3, "Current local time: 2028-Mar-01 00:00:00"},
        {5, "Future date: 2303-Apr-29 17:00:00"},
        {6, "Past date: 2019-Oct-29 17:00:00"},
        {11, "local - utc: 0-0-1 7:0:0"},
        {12, "utc - local: 0-0--1 -7:0:0"},
        {14, "2029-May-04 04:05:06"}}},
      {"the last evening of year 9999",
       fakeclock::splitOf(9999, 12, 31, 20, 0, 0),
       {{2, "Current UTC time: 9999-Dec-31 20:00:00"},
        {3, "Current local time: 00-Jan-01 03:00:00"},
        {5, "Future date: 275-Feb-27 20:00:00"},
        {6, "Past date: 9991-Aug-31 20:00:00"},
        {11, "local - utc: -9999--11--30 -17:0:0"},
        {12, "utc - local: 9999-11-30 17:0:0"},
        {13, "00-Jan-01 03:00:00"},
        {14, "01-Mar-04 07:05:06"}}},
      {"a 31st whose month 100 months earlier is shorter",
       fakeclock::splitOf(2026, 10, 31, 2, 4, 49),
       {{5, "Future date: 2301-Dec-29 02:04:49"},
        {6, "Past date: 2018-Jul-01 02:04:49"},
        {14, "2028-Jan-03 13:09:55"}}},
      {"a leap second",
       fakeclock::splitOf(2016, 12, 31, 23, 59, 60),
       {{2, "Current UTC time: 2016-Dec-31 23:59:60"},
        {3, "Current local time: 2017-Jan-01 07:00:00"},
        {5, "Future date: 2292-Feb-29 00:00:00"},
        {6, "Past date: 2008-Sep-01 00:00:00"},
        {11, "local - utc: 0-0--1 7:0:0"},
        {12, "utc - local: 0-0-1 -7:0:0"},
        {13, "2017-Jan-01 07:00:00"},
        {14, "2018-Mar-04 11:05:06"}}},
  };
  const std::vector<std::string> fixed = linesOf(kTranscript);
  for (const Moment& m : moments) {
    fakeclock::setSplit(m.clock);
    const std::vector<std::string> lines = linesOf(transcript(Date::Date()));
    ASSERT_EQ(lines.size(), 15u) << m.what;
    for (const int line : {1, 4, 7, 8, 9, 10, 15}) {
      EXPECT_EQ(lines[static_cast<std::size_t>(line - 1)],
                fixed[static_cast<std::size_t>(line - 1)])
          << m.what << ", line " << line;
    }
    for (const auto& [line, text] : m.lines) {
      EXPECT_EQ(lines[static_cast<std::size_t>(line - 1)], text) << m.what << ", line " << line;
    }
  }
}

}  // namespace
