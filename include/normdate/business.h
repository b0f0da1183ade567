// -----------------------------------------------------------------------------
// File: business.h
// -----------------------------------------------------------------------------
//
// `Date::BusinessCalendar` answers working-day questions: which weekdays
// are worked, which dates are holidays (given as dates, and as recurrence
// sets, the way holidays are written: "FREQ=YEARLY;BYMONTH=11;BYDAY=4TH" is
// US Thanksgiving), and, in time logarithmic in the holidays, what date
// lies n business days away and how many business days lie between two
// dates:
//
//   Date::RecurrenceSet christmas(Date::Date(2000, Date::Jan, 1));
//   christmas.addRule("FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=25,26");
//   const Date::BusinessCalendar calendar("1111100", {Date::Date(2026, Date::Dec, 31)},
//                                         {christmas});
//   calendar.isBusinessDay(Date::Date(2026, Date::Dec, 25));           // false
//   calendar.addBusinessDays(Date::Date(2026, Date::Dec, 23), 2);      // 2026-Dec-28
//   calendar.businessDaysBetween(Date::Date(2026, Date::Dec, 1),
//                                Date::Date(2027, Date::Jan, 1));      // 21
//
// The questions are numpy's busday functions: `addBusinessDays` is
// `busday_offset` (the date rolled to a business day first, as `Roll`
// says, then moved), `businessDaysBetween` is `busday_count` (the business
// days in [from, to), negative where to < from). Only the date of a `Date`
// counts; its time of day passes through unchanged, and a holiday's time
// of day is ignored.
//
// The holidays of every set are found once, when the calendar is built,
// from the set's start to the year 9999, so that a rule holds in whatever
// year a question asks about: each holiday on a worked weekday is kept in
// 4 bytes, and expanding takes what iterating the set does (on the CI
// machine, about 2 ms for a yearly rule from 2018 on, 10 ms for a monthly
// rule and 60 ms for a weekly one). Each
// question is then O(log h) for h holidays, whatever the distance it
// spans: whole weeks are counted arithmetically and holidays by binary
// search, so `addBusinessDays(d, 1'000'000)` costs what
// `addBusinessDays(d, 1)` does. A move past 9999-12-31 or before
// 0000-01-01 wraps, as dates wrap: the calendar of the years 0 to 9999
// repeats.
//
// A calendar is an immutable value, safe to share between threads; copies
// share the holidays they found.

#ifndef NORMDATE_BUSINESS_H_
#define NORMDATE_BUSINESS_H_

#include <normdate/date.h>
#include <normdate/export.h>
#include <normdate/recurrence.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Date {

class BusinessCalendar {
 public:
  // How `addBusinessDays` moves a date that is not a business day before
  // it counts, as numpy's busday_offset's `roll`.
  enum class Roll {
    Forward,               // to the next business day
    Following = Forward,   // the same
    Backward,              // to the previous business day
    Preceding = Backward,  // the same
    ModifiedFollowing,     // forward, unless that leaves the month: then backward
    ModifiedPreceding,     // backward, unless that leaves the month: then forward
    Raise,                 // not at all: std::invalid_argument
  };

  // Monday to Friday, no holidays.
  NORMDATE_EXPORT BusinessCalendar();

  // The weekdays of `weekmask` (numpy's: seven 0s and 1s from Monday,
  // "1111100", or names, "Mon Tue Wed Thu Fri", in any case, with or
  // without spaces), less `holidays` and the occurrences of `holidaySets`.
  // Throws std::invalid_argument for a weekmask it cannot read or one with
  // no business day, which numpy refuses too.
  NORMDATE_EXPORT explicit BusinessCalendar(std::string_view weekmask,
                                            const std::vector<Date>& holidays = {},
                                            const std::vector<RecurrenceSet>& holidaySets = {});

  // Whether `d`'s weekday is worked and its date is no holiday.
  [[nodiscard]] NORMDATE_EXPORT bool isBusinessDay(const Date& d) const noexcept;

  // `d` rolled by `roll` where it is no business day, then moved `n`
  // business days, forward or, for a negative n, backward. Throws
  // std::invalid_argument where `roll` is Raise and `d` is no business day.
  [[nodiscard]] NORMDATE_EXPORT Date addBusinessDays(const Date& d, std::int64_t n,
                                                     Roll roll = Roll::Raise) const;

  // The business days d with from <= d < to, or minus those with
  // to <= d < from.
  [[nodiscard]] NORMDATE_EXPORT std::int64_t businessDaysBetween(const Date& from,
                                                                 const Date& to) const noexcept;

  // The first business day strictly after `d`, or strictly before it.
  [[nodiscard]] NORMDATE_EXPORT Date nextBusinessDay(const Date& d) const noexcept;
  [[nodiscard]] NORMDATE_EXPORT Date previousBusinessDay(const Date& d) const noexcept;

  // The weekmask, as seven 0s and 1s from Monday.
  [[nodiscard]] NORMDATE_EXPORT std::string getWeekmask() const;

 private:
  struct Days;  // the worked weekdays and the holidays, shared by copies

  std::shared_ptr<const Days> days;
};

}  // namespace Date

#endif  // NORMDATE_BUSINESS_H_
