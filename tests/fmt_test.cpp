// Dates, timestamps and intervals through fmt: every kind of format specifier, against
// the members that the specifiers name.

#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/fmt.h>

#include <random>
#include <sstream>
#include <string>

namespace {

TEST(Fmt, DateSpecsAreTokenFormatsIsoOrConversions) {
  std::mt19937_64 random(61);
  std::uniform_int_distribution<int> any(-2000000000, 2000000000);
  for (int i = 0; i < 10000; ++i) {
    const Date::Date d(any(random), any(random), any(random), any(random), any(random),
                       any(random));
    ASSERT_EQ(fmt::format("{}", d), d.toString());
    ASSERT_EQ(fmt::format("{:iso}", d), d.toIsoString());
    ASSERT_EQ(fmt::format("at {:DD.MM.YYYY hh:mm}!", d),
              "at " + d.toString("DD.MM.YYYY hh:mm") + "!");
  }
  const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
  EXPECT_EQ(fmt::format("{:MMM}|{:ISO}|{:%Y-%m}|{:>9%b %e}", d, d, d, d),
            "Dec|ISO|2026-12|   Dec  6");
  EXPECT_EQ(fmt::format(fmt::runtime("{:isoYYYY}"), d), "iso2026");
  // What a specifier cannot be: a brace, or a width beyond an int.
  EXPECT_THROW((void)fmt::format(fmt::runtime("{:{}}"), d, 5), fmt::format_error);
  EXPECT_THROW((void)fmt::format(fmt::runtime("{:>2147483648}"), d), fmt::format_error);
  EXPECT_THROW((void)fmt::format(fmt::runtime("{:%Y %Q}"), d), fmt::format_error);
}

// Fill, alignment and width pad the default form and ISO text as they pad
// a string; a token format is read whole, as it always was.
TEST(Fmt, FillAlignmentAndWidthPadAsForStrings) {
  const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
  const Date::Timestamp t(d, 250'000'000);
  for (const std::string spec : {">24", "<24", "^25", "*>24", "-^30", "é<22", "22", "5", ">"}) {
    const std::string field = "{:" + spec + "}";
    const std::string iso = "{:" + spec + "iso}";
    EXPECT_EQ(fmt::format(fmt::runtime(field), d), fmt::format(fmt::runtime(field), d.toString()));
    EXPECT_EQ(fmt::format(fmt::runtime(field), t), fmt::format(fmt::runtime(field), t.toString()));
    EXPECT_EQ(fmt::format(fmt::runtime(iso), t), fmt::format(fmt::runtime(field), t.toIsoString()));
  }
  EXPECT_EQ(fmt::format("{:<DD>}|{:>DD}|{:5DD}", d, d, d), "<06>|>06|506");
}

TEST(Fmt, TimestampSpecsAreTokenFormatsOrIso) {
  const Date::Timestamp t(Date::Date(2026, Date::Dec, 6, 2, 4, 49), 250'000'000);
  EXPECT_EQ(fmt::format("{}", t), "2026-Dec-06 02:04:49.250");
  EXPECT_EQ(fmt::format("{:iso}", t), "2026-12-06T02:04:49.250Z");
  EXPECT_EQ(fmt::format("{:hh:mm:ss.ffffff}", t), "02:04:49.250000");
}

TEST(Fmt, IntervalsTakeStringSpecs) {
  const Date::DateInterval interval(0, 0, 0, -7, 0, 0);
  std::ostringstream stream;
  stream << interval;
  EXPECT_EQ(fmt::format("{}", interval), stream.str());
  EXPECT_EQ(fmt::format("{:>16}|{:<16}|", interval, Date::DateInterval()),
            "  [0|0|0|-7|0|0]|[0|0|0|0|0|0]   |");
  EXPECT_THROW((void)fmt::format(fmt::runtime("{:Q}"), interval), fmt::format_error);
}

}  // namespace
