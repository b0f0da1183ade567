// std::format against fmt on the same dates, timestamps, intervals and
// specifiers: the texts are byte-identical, and a specifier that cannot be
// read is an error in both.

#include <gtest/gtest.h>
#include <normdate/fmt.h>
#include <normdate/format.h>

#include <array>
#include <cstdint>
#include <format>
#include <random>
#include <string>

namespace {

std::string randomSpecifier(std::mt19937_64& random) {
  constexpr std::string_view alphabet = "YMDhmsf.:- /Tiso<>^0123456789*";
  std::string specifier;
  const std::size_t length = random() % 24;
  for (std::size_t i = 0; i < length; ++i) specifier += alphabet[random() % alphabet.size()];
  return specifier;
}

TEST(StdFormat, DatesAndTimestampsWriteWhatFmtWrites) {
  std::mt19937_64 random(109);
  std::uniform_int_distribution<int> any(-2000000000, 2000000000);
  for (int i = 0; i < 20000; ++i) {
    const Date::Date d(any(random), any(random), any(random), any(random), any(random),
                       any(random));
    const Date::Timestamp t(d, any(random));
    const std::string padding = random() % 2 == 0 ? "" : randomSpecifier(random).substr(0, 4);
    const std::string specifier = i % 3 == 0   ? padding + "iso"
                                  : i % 3 == 1 ? padding
                                               : randomSpecifier(random);
    const std::string field = "at {:" + specifier + "}!";
    ASSERT_EQ(std::vformat(field, std::make_format_args(d)), fmt::format(fmt::runtime(field), d))
        << field;
    ASSERT_EQ(std::vformat(field, std::make_format_args(t)), fmt::format(fmt::runtime(field), t))
        << field;
  }
  const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
  EXPECT_EQ(std::format("{:DD.MM.YYYY}", d), "06.12.2026");
  EXPECT_EQ(std::format("{} | {:iso} | {:>22} | {:*^24iso}", d, d, d, d),
            "2026-Dec-06 02:04:49 | 2026-12-06T02:04:49Z |   2026-Dec-06 02:04:49 | "
            "**2026-12-06T02:04:49Z**");
  EXPECT_EQ(std::format("{:hh:mm:ss.fff}", Date::Timestamp(d, 250'000'000)), "02:04:49.250");
}

// A "%" specifier writes what strftime writes, padded as a string.
TEST(StdFormat, ConversionsWriteWhatStrftimeWrites) {
  std::mt19937_64 random(9110);
  const std::array<std::string, 4> patterns = {"%Y-%m-%d %H:%M:%S", "%a, %d %b %Y %T GMT",
                                               "%c %j %U %G-W%V-%u", "%E*S %s %Ez %%"};
  for (int i = 0; i < 2000; ++i) {
    const auto t = Date::Timestamp::fromUnixTime(
        static_cast<std::int64_t>(random() % 253402300800ULL) - 62167219200,
        static_cast<std::int64_t>(random() % 1'000'000'000));
    const Date::Date d = t.getDate();
    for (const std::string& pattern : patterns) {
      const std::string field = "{:" + pattern + "}|{:*^40" + pattern + "}";
      ASSERT_EQ(std::vformat(field, std::make_format_args(t, d)),
                t.strftime(pattern) + '|' + std::format("{:*^40}", d.strftime(pattern)));
      ASSERT_EQ(fmt::format(fmt::runtime(field), t, d),
                std::vformat(field, std::make_format_args(t, d)));
    }
  }
  EXPECT_EQ(std::format("{:%Y-%m-%d %H:%M}", Date::Date(2026, Date::Dec, 6, 2, 4, 49)),
            "2026-12-06 02:04");
}

TEST(StdFormat, IntervalsTakeAStringsSpecificationAsInFmt) {
  std::mt19937_64 random(113);
  std::uniform_int_distribution<int> any(-2000000000, 2000000000);
  constexpr std::array<std::string_view, 4> alignments = {"", "<", "^", ">"};
  constexpr std::array<std::string_view, 4> fills = {"", "*", "-", " "};
  for (int i = 0; i < 20000; ++i) {
    const Date::DateInterval interval(any(random) % 100, any(random), 0, any(random) % 24, -1,
                                      any(random));
    std::string specifier;
    const std::string_view align = alignments[random() % alignments.size()];
    if (!align.empty())
      specifier += std::string(fills[random() % fills.size()]) + std::string(align);
    if (random() % 2 == 0) specifier += std::to_string(random() % 79 + 1);  // "0" is a flag
    if (random() % 3 == 0) specifier += "." + std::to_string(random() % 40);
    const std::string field = "{:" + specifier + "}";
    ASSERT_EQ(std::vformat(field, std::make_format_args(interval)),
              fmt::format(fmt::runtime(field), interval))
        << field;
  }
  EXPECT_EQ(
      std::format("{:>16}|{:<16}|", Date::DateInterval(0, 0, 0, -7, 0, 0), Date::DateInterval()),
      "  [0|0|0|-7|0|0]|[0|0|0|0|0|0]   |");
}

TEST(StdFormat, WhatCannotBeReadIsAnErrorInBoth) {
  const Date::Date d(2026, Date::Dec, 6);
  const Date::DateInterval interval;
  for (const std::string_view field : {"{:{}}", "{:iso}}", "{:DD", "{:%Q}", "{:>9%Ea}", "{:%Y%"}) {
    EXPECT_THROW((void)std::vformat(field, std::make_format_args(d, interval)), std::format_error)
        << field;
    EXPECT_THROW((void)fmt::format(fmt::runtime(field), d, interval), fmt::format_error) << field;
  }
  for (const std::string_view field : {"{:Q}", "{:5x}", "{:.}", "{:x<-5}"}) {
    EXPECT_THROW((void)std::vformat(field, std::make_format_args(interval)), std::format_error)
        << field;
    EXPECT_THROW((void)fmt::format(fmt::runtime(field), interval), fmt::format_error) << field;
  }
}

}  // namespace
