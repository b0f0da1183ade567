// Normalisation, the shifts, interval and timestamp arithmetic and reading
// text never allocate, nor does formatting into a string long enough: this
// program counts every call of the global operator new.

#include <gtest/gtest.h>
#include <normdate/business.h>
#include <normdate/date.h>
#include <normdate/recurrence.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>

#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>
#ifndef NORMDATE_WITHOUT_ZONE
#include <normdate/zone.h>
#endif

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(Allocation, ArithmeticNeverAllocates) {
  std::mt19937_64 random(9);
  std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
  std::vector<int> values(60000);
  for (int& v : values) v = any(random);
  long sink = 0;
  const long before = allocations.load();
  for (std::size_t i = 0; i + 6 <= values.size(); i += 6) {
    const Date::Date d(values[i], values[i + 1], values[i + 2], values[i + 3], values[i + 4],
                       values[i + 5]);
    const Date::Date shifted = d.addYear(values[i])
                                   .addMonth(values[i + 1])
                                   .addDay(values[i + 2])
                                   .addHour(values[i + 3])
                                   .addMinute(values[i + 4])
                                   .addSecond(values[i + 5]);
    Date::DateInterval interval = d.getInterval(shifted);
    interval.invert();
    const Date::Date moved = shifted.addInterval(
        {values[i + 5], values[i + 4], values[i + 3], values[i + 2], values[i + 1], values[i]});
    sink += moved.getSecond() + interval.getDay() + (d < shifted);
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_NE(sink, -1);
}

// A recurrence allocates when it is read, never for its occurrences.
TEST(Allocation, IteratingARecurrenceNeverAllocates) {
  const char* const rules[] = {"FREQ=SECONDLY", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1",
                               "FREQ=YEARLY;BYWEEKNO=1,-1;BYDAY=MO,SU;BYHOUR=9,17"};
  for (const char* rule : rules) {
    const Date::Recurrence r = Date::Recurrence::parse(rule, Date::Date(2026, Date::Jan, 1));
    const long before = allocations.load();
    long sink = 0;
    int n = 0;
    for (auto it = r.begin(); it != r.end() && n < 2000; ++it, ++n) sink += it->getDay();
    sink += r.next(Date::Date(5000, Date::Jun, 1))->getYear();
    EXPECT_EQ(allocations.load() - before, 0) << rule;
    EXPECT_NE(sink, -1);
  }
}

// Formatting into a string that is long enough already allocates nothing,
// with or without tokens, in short and long formats.
TEST(Allocation, FormattingIntoAStringReusesIt) {
  const std::string tokens = "YYYY-MM-DD hh:mm:ss MMM ";
  const std::array<std::string, 4> formats = {tokens, tokens + tokens + tokens + tokens,
                                              std::string(100, '-'), "DD.MM.YYYY"};
  std::string text;
  text.reserve(200);
  long sink = 0;
  const long before = allocations.load();
  for (int day = 0; day < 1000; ++day) {
    for (const std::string& format : formats) {
      Date::Date(2026, Date::Jan, day).toString(format, text);
      sink += static_cast<long>(text.size());
    }
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_NE(sink, -1);
}

// Timestamps allocate only the strings they return: one each, however
// long, and none where they read text or write into a string kept.
TEST(Allocation, TimestampsAllocateOnlyTheirStrings) {
  using std::chrono::nanoseconds;
  std::mt19937_64 random(11);
  std::string text;
  text.reserve(64);
  long sink = 0;
  const long before = allocations.load();
  constexpr int rounds = 1000;
  for (int i = 0; i < rounds; ++i) {
    const auto count = static_cast<std::int64_t>(random());
    const Date::Timestamp t{std::chrono::sys_time<nanoseconds>(nanoseconds(count))};
    const Date::Timestamp moved = t + std::chrono::duration<std::int64_t, std::pico>(count) -
                                  std::chrono::hours(count % 100000);
    sink += (moved - t).count() % 7 +
            moved.toSysTime<std::chrono::microseconds>().time_since_epoch().count() % 7;
    moved.toString("DD.MM.YYYY hh:mm:ss.ffffff", text);
    sink += Date::Timestamp::tryParse(text, "DD.MM.YYYY hh:mm:ss.ffffff")->getNanosecond();
    sink += static_cast<long>(moved.toIsoString().size());  // the one string returned
    sink += Date::Timestamp::tryParseIso("2026-12-06T09:04:49.250+07:00")->getNanosecond();
  }
  EXPECT_EQ(allocations.load() - before, rounds);
  EXPECT_NE(sink, -1);
}

// Differences, additions and rounding allocate nothing, whatever the
// options; reading ISO duration text allocates nothing either.
TEST(Allocation, SpansAllocateOnlyTheirText) {
  std::mt19937_64 random(13);
  long sink = 0;
  const long before = allocations.load();
  for (int i = 0; i < 2000; ++i) {
    const Date::Timestamp a =
        Date::Timestamp::fromUnixTime(static_cast<std::int64_t>(random() % (1ULL << 36)), 7);
    const Date::Timestamp b =
        Date::Timestamp::fromUnixTime(static_cast<std::int64_t>(random() % (1ULL << 36)), 0);
    const auto largest = static_cast<Date::Unit>(random() % 10);
    const Date::Span s = a.until(b, {.largest = largest, .mode = Date::RoundingMode::HalfEven});
    sink += a.add(s).getNanosecond() + b.since(a).sign() +
            a.round(Date::Unit::Minute, 15).getNanosecond();
    sink += static_cast<long>(a.getDate().until(b.getDate(), {.largest = Date::Unit::Year}).days);
    sink += static_cast<long>(Date::Span::tryParseIso("-P1Y2M3W4DT5H6M7.25S")->nanoseconds);
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_NE(sink, -1);
}

// A business calendar allocates when it is built, never for a question.
TEST(Allocation, BusinessDayQuestionsNeverAllocate) {
  Date::RecurrenceSet holidays(Date::Date(1900, Date::Jan, 1));
  holidays.addRule("FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=24,25,26");
  const Date::BusinessCalendar calendar("Mon Tue Wed Thu Fri", {}, {holidays});
  std::mt19937_64 random(17);
  long sink = 0;
  const long before = allocations.load();
  for (int i = 0; i < 2000; ++i) {
    const Date::Date d(static_cast<int>(random() % 10000), 12, 20, 0, 0, 0);
    const auto n = static_cast<std::int64_t>(random());
    sink += calendar.addBusinessDays(d, n, Date::BusinessCalendar::Roll::Forward).getDay() +
            calendar.businessDaysBetween(d, calendar.nextBusinessDay(d.addDay(300))) +
            calendar.previousBusinessDay(d).getDay() + (calendar.isBusinessDay(d) ? 1 : 0);
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_NE(sink, -1);
}

#ifndef NORMDATE_WITHOUT_ZONE
// Once a zone is loaded, converting with it allocates nothing: an
// abbreviation fits a string's own small buffer.
TEST(Allocation, ZoneConversionsNeverAllocate) {
  const Date::TimeZone berlin = Date::TimeZone::load("Europe/Berlin");
  const Date::TimeZone fixed = Date::TimeZone::fixed(20700);
  std::mt19937_64 random(13);
  std::uniform_int_distribution<std::int64_t> instant(-62167219200, 253402300799);
  std::vector<Date::Date> dates(10000);
  for (Date::Date& d : dates) d = Date::Date::fromTimeT(instant(random));
  long sink = 0;
  const long before = allocations.load();
  for (const Date::Date& d : dates) {
    for (const Date::TimeZone* zone : {&berlin, &fixed}) {
      const Date::Date local = zone->toLocal(d);
      const Date::ZoneOffset offset = zone->getOffset(d);
      sink += zone->toUtc(local).getSecond() + offset.seconds +
              static_cast<long>(offset.abbreviation.size()) + zone->lookup(local).kind +
              zone->tryToUtc(local).has_value();
    }
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_NE(sink, -1);
}
#endif

TEST(Allocation, CounterSeesAllocations) {
  const long before = allocations.load();
  const std::string text = Date::Date(2010, Date::Feb, 7).toString("YYYY-MMM-DD hh:mm:ss plus");
  EXPECT_GT(allocations.load() - before, 0) << text;
}

}  // namespace
