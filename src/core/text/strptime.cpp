// Reading dates by strftime-style patterns, as strptime and <chrono>'s
// parse do, with the strictness of the library's other readers: every field
// is checked and none is carried, and fields that name the same thing twice
// (a weekday and a date, %s and the date, %I and %H) must agree.

#include <normdate/date.h>
#include <normdate/detail/conversions.h>
#include <normdate/timestamp.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/conversion_text.h"
#include "core/text/quoted.h"

namespace Date {

namespace {

using int64 = std::int64_t;

// The fields a pattern can read, each a number.
enum Field : std::size_t {
  Year,
  Century,
  YearOfCentury,
  Month,
  Day,
  DayOfYear,
  Weekday,  // 0 = Sunday
  Hour,
  Hour12,
  Pm,  // 0 or 1
  Minute,
  Second,
  IsoYear,
  IsoYearOfCentury,
  IsoWeek,
  SundayWeek,
  MondayWeek,
  UnixSeconds,
  fieldCount
};

// What each field is called in a message where it disagrees with the
// others.
constexpr std::array<std::string_view, fieldCount> disagreements = {
    "a year that agrees with the other fields",
    "a century that agrees with the year",
    "a year of the century that agrees with the year",
    "a month that agrees with the other fields",
    "a day that agrees with the other fields",
    "a day of the year that agrees with the date",
    "the weekday of the date",
    "an hour that agrees with the other fields",
    "an hour that agrees with the 24-hour one",
    "AM or PM as the hour has it",
    "a minute that agrees with the other fields",
    "a second that agrees with the other fields",
    "the ISO week-numbering year of the date",
    "the ISO week-numbering year of the date",
    "the ISO week of the date",
    "the week (from Sunday) of the date",
    "the week (from Monday) of the date",
    "seconds since 1970 that agree with the other fields"};

constexpr bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }
constexpr bool isSpace(char c) noexcept {
  return c == ' ' || (c >= '\t' && c <= '\r');  // as isspace in the C locale
}
constexpr char lower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `text` starts with `name`, in any case.
constexpr bool startsWithName(std::string_view text, std::string_view name) noexcept {
  if (text.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (lower(text[i]) != lower(name[i])) return false;
  }
  return true;
}

class ConversionReader {
 public:
  ConversionReader(std::string_view text, bool anyAbbreviation, detail::ReadTime& read,
                   detail::ReadFailure& failure) noexcept
      : input(text), abbreviations(anyAbbreviation), result(read), failed(failure) {}

  bool read(std::string_view pattern) noexcept {
    return match(pattern) && (at == input.size() || fail("the end of the text", 16)) && resolve();
  }

 private:
  // ---- Reading. ----

  bool match(std::string_view pattern) noexcept {
    for (std::size_t in = 0; in < pattern.size();) {
      const char c = pattern[in];
      if (c == '%') {
        const detail::Conversion conversion = detail::conversionAt(pattern, in);
        if (conversion.letter == 0) {
          failed = {"a conversion (such as %Y or %E*S)", in, conversion.length, true};
          return false;
        }
        if (!one(conversion)) return false;
        in += conversion.length;
      } else if (isSpace(c)) {  // any run of white space, or none
        while (at < input.size() && isSpace(input[at])) ++at;
        ++in;
      } else {
        if (at >= input.size() || input[at] != c) return failLiteral(c);
        ++at;
        ++in;
      }
    }
    return true;
  }

  bool one(const detail::Conversion& conversion) noexcept {
    switch (conversion.letter) {
      case 'a':
      case 'A': return names(Weekday, detail::weekdayNames, 0, "a weekday name");
      case 'b':
      case 'B':
      case 'h': return names(Month, detail::fullMonthNames, 1, "a month name");
      case 'c': return match("%a %b %e %H:%M:%S %Y");
      case 'C': return number(Century, 2, 0, 99, "the century (0 to 99)");
      case 'e':  // as %e writes it, a day below 10 may follow a space
        if (input.size() - at >= 2 && input[at] == ' ' && isDigit(input[at + 1])) ++at;
        return number(Day, 2, 1, 31, "the day (1 to 31)");
      case 'd': return number(Day, 2, 1, 31, "the day (1 to 31)");
      case 'D':
      case 'x': return match("%m/%d/%y");
      case 'F': return match("%Y-%m-%d");
      case 'g': return number(IsoYearOfCentury, 2, 0, 99, "the ISO year of the century (0 to 99)");
      case 'G': return number(IsoYear, 4, 0, 9999, "the ISO week-numbering year (1 to 4 digits)");
      case 'H': return number(Hour, 2, 0, 23, "the hour (0 to 23)");
      case 'I': return number(Hour12, 2, 1, 12, "the hour (1 to 12)");
      case 'j': return number(DayOfYear, 3, 1, 366, "the day of the year (1 to 366)");
      case 'm': return number(Month, 2, 1, 12, "the month (1 to 12)");
      case 'M': return number(Minute, 2, 0, 59, "the minute (0 to 59)");
      case 'n': return space(true);
      case 't': return space(false);
      case 'p': return amPm();
      case 'r': return match("%I:%M:%S %p");
      case 'R': return match("%H:%M");
      case 's': return unixSeconds();
      case 'S':
        return number(Second, 2, 0, 60, "the second (0 to 60)") &&
               fraction(conversion.fractionDigits);
      case 'T':
      case 'X': return match("%H:%M:%S");
      case 'u': return number(Weekday, 1, 1, 7, "the weekday (1 to 7)", 7);
      case 'U': return number(SundayWeek, 2, 0, 53, "the week (0 to 53)");
      case 'V': return number(IsoWeek, 2, 1, 53, "the ISO week (1 to 53)");
      case 'w': return number(Weekday, 1, 0, 6, "the weekday (0 to 6)");
      case 'W': return number(MondayWeek, 2, 0, 53, "the week (0 to 53)");
      case 'y': return number(YearOfCentury, 2, 0, 99, "the year of the century (0 to 99)");
      case 'Y': return number(Year, 4, 0, 9999, "the year (1 to 4 digits)");
      case 'z': return offset();
      case 'Z': return abbreviation();
      default: return at < input.size() && input[at] == '%' ? (++at, true) : failLiteral('%');
    }
  }

  // Sets `field` to `value` read at `from`, or, where it was read before,
  // checks that the two agree.
  bool set(Field field, int64 value, std::size_t from) noexcept {
    if (has(field) && values[field] != value) return failAt(from, disagreements[field], at - from);
    readFields |= bitOf(field);
    values[field] = value;
    where[field] = from;
    lengths[field] = at - from;
    return true;
  }

  // One to `digits` digits, within [least, most]; `wrap` is read as 0 (%u
  // writes Sunday as 7).
  bool number(Field field, std::size_t digits, int least, int most, std::string_view what,
              int wrap = -1) noexcept {
    const std::size_t from = at;
    const std::size_t limit = std::min(digits, input.size() - at);
    const char* const text = input.data() + at;
    std::size_t count = 0;
    int value = 0;
    for (; count < limit && isDigit(text[count]); ++count) value = value * 10 + (text[count] - '0');
    if (count == 0 || value < least || value > most) return fail(what, digits);
    at += count;
    return set(field, value == wrap ? 0 : value, from);
  }

  // A name of `table`, whole or its first three letters, in any case; the
  // field is its index plus `first`.
  template <std::size_t size>
  bool names(Field field, const std::array<std::string_view, size>& table, int first,
             std::string_view what) noexcept {
    const std::string_view rest = input.substr(at);
    for (std::size_t i = 0; i < size; ++i) {
      const std::size_t length = startsWithName(rest, table[i])                ? table[i].size()
                                 : startsWithName(rest, table[i].substr(0, 3)) ? 3
                                                                               : 0;
      if (length != 0) {
        const std::size_t from = at;
        at += length;
        return set(field, static_cast<int64>(i) + first, from);
      }
    }
    return fail(what, 3);
  }

  bool space(bool required) noexcept {
    if (at < input.size() && isSpace(input[at])) {
      ++at;
      return true;
    }
    return !required || fail("white space", 1);
  }

  bool amPm() noexcept {
    const std::string_view rest = input.substr(at);
    const bool am = startsWithName(rest, "AM");
    if (!am && !startsWithName(rest, "PM")) return fail(R"("AM" or "PM")", 2);
    at += 2;
    return set(Pm, am ? 0 : 1, at - 2);
  }

  bool unixSeconds() noexcept {
    const std::size_t from = at;
    const bool negative = at < input.size() && input[at] == '-';
    if (negative) ++at;
    std::uint64_t magnitude = 0;
    const std::size_t first = at;
    // Within 2^62 and never more than 19 digits: no overflow.
    constexpr std::uint64_t limit = std::uint64_t{1} << 62;
    while (at < input.size() && isDigit(input[at]) && magnitude < limit && at - first < 19) {
      magnitude = magnitude * 10 + static_cast<std::uint64_t>(input[at++] - '0');
    }
    if (at == first || magnitude >= limit) {
      at = from;
      return fail("seconds since 1970 (below 2^62 in magnitude)", 20);
    }
    const auto value = static_cast<int64>(magnitude);
    return set(UnixSeconds, negative ? -value : value, from);
  }

  // After the seconds of %E*S, an optional fraction; of %E1S..%E9S,
  // exactly that many digits after a ".".
  bool fraction(int digits) noexcept {
    if (digits == 0) return true;
    const bool optional = digits < 0;
    if (at >= input.size() || input[at] != '.') {
      return optional || fail(R"("." and the fraction of the second)", 1);
    }
    const std::size_t first = ++at;
    const auto wanted = static_cast<std::size_t>(digits);
    int value = 0;
    while (at < input.size() && isDigit(input[at]) && (optional || at - first < wanted)) {
      if (at - first < 9) value = value * 10 + (input[at] - '0');
      ++at;
    }
    const std::size_t read = at - first;
    if (read == 0 || (!optional && read < wanted)) {
      return fail("the digits of the fraction", 1);
    }
    for (std::size_t scale = read; scale < 9; ++scale) value *= 10;
    nanosecond = value;
    return true;
  }

  // "Z", "+hh", "+hhmm" or "+hh:mm" (or "-"), hours to 23, minutes to 59.
  bool offset() noexcept {
    const std::size_t from = at;
    if (at < input.size() && (input[at] == 'Z' || input[at] == 'z')) {
      ++at;
      result.offsetSeconds = 0;
      return true;
    }
    constexpr std::string_view what = R"(an offset ("Z", "+hh", "+hhmm" or "+hh:mm"))";
    if (at >= input.size() || (input[at] != '+' && input[at] != '-')) return fail(what, 1);
    const int sign = input[at++] == '-' ? -1 : 1;
    int hours = 0;
    int minutes = 0;
    if (!twoDigits(hours) || hours > 23) return failAt(from, what, 3);
    if (at < input.size() && (input[at] == ':' || isDigit(input[at]))) {
      if (input[at] == ':') ++at;
      if (!twoDigits(minutes) || minutes > 59) return failAt(from, what, 6);
    }
    result.offsetSeconds = sign * (hours * 3600 + minutes * 60);
    return true;
  }

  bool twoDigits(int& value) noexcept {
    if (input.size() - at < 2 || !isDigit(input[at]) || !isDigit(input[at + 1])) return false;
    value = (input[at] - '0') * 10 + (input[at + 1] - '0');
    at += 2;
    return true;
  }

  // A zone abbreviation: letters, or a sign and digits ("+0545").
  bool abbreviation() noexcept {
    const std::size_t from = at;
    const auto partOf = [](char c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isDigit(c) || c == '+' || c == '-';
    };
    while (at < input.size() && partOf(input[at])) ++at;
    const std::string_view name = input.substr(from, at - from);
    if (abbreviations) {
      if (name.empty()) return failAt(from, "a zone abbreviation", 1);
    } else if (!(name.size() == 3 &&
                 (startsWithName(name, "UTC") || startsWithName(name, "GMT"))) &&
               !(name.size() == 2 && startsWithName(name, "UT")) &&
               !(name.size() == 1 && startsWithName(name, "Z"))) {
      return failAt(from, R"(UTC's abbreviation ("UTC", "GMT", "UT" or "Z"))", name.size());
    }
    result.abbreviation = name;
    result.abbreviationAt = from;
    return true;
  }

  // ---- Resolving what was read into a date and a time. ----

  // The date and time the fields name, checked against every field read.
  bool resolve() noexcept {
    if (has(UnixSeconds)) fillFromUnixSeconds();
    int year = resolveYear();
    int month = 1;
    int day = 1;
    if (!resolveDate(year, month, day)) return false;
    const int hour = has(Hour)     ? get(Hour)
                     : has(Hour12) ? get(Hour12) % 12 + 12 * (has(Pm) ? get(Pm) : 0)
                                   : 0;
    const int minute = has(Minute) ? get(Minute) : 0;
    const int second = has(Second) ? get(Second) : 0;
    if (!agree(year, month, day, hour)) return false;
    const Date whole(year, month, day, hour, minute, second);  // 60 carries into the next minute
    result.local = Timestamp(whole, second == 60 ? 0 : nanosecond);
    if (has(UnixSeconds)) {
      // The instant of a year past 9999 reads wrapped, as every instant does.
      const int64 local = values[UnixSeconds] + result.offsetSeconds.value_or(0);
      if (whole.toSysSeconds().time_since_epoch().count() != detail::inCalendar(local)) {
        return failAt(where[UnixSeconds], disagreements[UnixSeconds], lengths[UnixSeconds]);
      }
      result.unixSeconds = values[UnixSeconds];
    }
    return true;
  }

  [[nodiscard]] int get(Field field) const noexcept { return static_cast<int>(values[field]); }
  static constexpr std::uint32_t bitOf(Field field) noexcept { return std::uint32_t{1} << field; }
  [[nodiscard]] bool has(Field field) const noexcept { return (readFields & bitOf(field)) != 0; }

  // Where %s is read, the fields the text does not give are those of its
  // instant, at the offset read.
  void fillFromUnixSeconds() noexcept {
    const int64 local = values[UnixSeconds] + result.offsetSeconds.value_or(0);
    const Timestamp t = Timestamp::fromUnixTime(local, 0);
    const Date& d = t.getDate();
    const std::array<std::pair<Field, int>, 6> fields = {{{Year, d.getYear()},
                                                          {Month, d.getMonth()},
                                                          {Day, d.getDay()},
                                                          {Hour, d.getHour()},
                                                          {Minute, d.getMinute()},
                                                          {Second, d.getSecond()}}};
    for (const auto& [field, value] : fields) {
      if (!has(field) && !(field == Hour && has(Hour12))) {
        readFields |= bitOf(field);
        values[field] = value;
        where[field] = where[UnixSeconds];
        lengths[field] = lengths[UnixSeconds];
      }
    }
  }

  // %Y; else %C and %y, %y by the POSIX pivot (69..99 the 1900s, 00..68
  // the 2000s) or %C alone; else the ISO year; else 0.
  [[nodiscard]] int resolveYear() const noexcept {
    if (has(Year)) return get(Year);
    if (has(YearOfCentury)) {
      return has(Century) ? get(Century) * 100 + get(YearOfCentury)
                          : get(YearOfCentury) + (get(YearOfCentury) < 69 ? 2000 : 1900);
    }
    if (has(Century)) return get(Century) * 100;
    if (has(IsoYear) || has(IsoYearOfCentury)) return isoYear();
    return 0;
  }

  [[nodiscard]] int isoYear() const noexcept {
    if (has(IsoYear)) return get(IsoYear);
    const int yy = get(IsoYearOfCentury);
    return has(Century) ? get(Century) * 100 + yy : yy + (yy < 69 ? 2000 : 1900);
  }

  // The month and day from the first form the text has: month and day, the
  // day of the year, an ISO week with its year and weekday, or a week of
  // the year with its weekday; else January 1.
  bool resolveDate(int& year, int& month, int& day) noexcept {
    if (has(Month) || has(Day)) {
      month = has(Month) ? get(Month) : 1;
      day = has(Day) ? get(Day) : 1;
      const auto length = static_cast<int>(detail::daysInMonth(year, month));
      static constexpr std::array<std::string_view, 4> ranges = {
          "the day (1 to 28)", "the day (1 to 29)", "the day (1 to 30)", "the day (1 to 31)"};
      return day <= length || failAt(where[Day], ranges[static_cast<std::size_t>(length - 28)], 2);
    }
    if (has(DayOfYear)) {
      if (get(DayOfYear) > detail::daysInYear(year)) {
        return failAt(where[DayOfYear], "the day of the year (1 to 365)", 3);
      }
      return fromDays(detail::daysFromEpoch(year, 1, 1) + get(DayOfYear) - 1, year, month, day);
    }
    if (has(IsoWeek) && (has(IsoYear) || has(IsoYearOfCentury))) {
      const int weekday = has(Weekday) ? (get(Weekday) + 6) % 7 + 1 : 1;
      return fromDays(detail::daysFromIsoWeek(isoYear(), get(IsoWeek), weekday), year, month, day);
    }
    if ((has(SundayWeek) || has(MondayWeek)) && has(Weekday)) return fromWeek(year, month, day);
    return true;
  }

  // The date of a week of the year (%U from its first Sunday, %W from its
  // first Monday) and a weekday, which must lie in the year.
  bool fromWeek(int& year, int& month, int& day) noexcept {
    const bool sunday = has(SundayWeek);
    const int firstWeekday = detail::weekdayOf(year, 1, 1);
    const int firstDay = sunday ? (7 - firstWeekday) % 7 : (8 - firstWeekday) % 7;
    const int sinceStart = sunday ? get(Weekday) : (get(Weekday) + 6) % 7;
    const int64 week = sunday ? values[SundayWeek] : values[MondayWeek];
    const int wanted = year;
    fromDays(detail::daysFromEpoch(year, 1, 1) + firstDay + 7 * (week - 1) + sinceStart, year,
             month, day);
    const Field field = sunday ? SundayWeek : MondayWeek;
    return year == wanted ||
           failAt(where[field], "a week of the year that holds the weekday", lengths[field]);
  }

  static bool fromDays(int64 days, int& year, int& month, int& day) noexcept {
    const detail::Fields fields = detail::fromDays(days, 0);
    year = fields.year;
    month = fields.month;
    day = fields.day;
    return true;
  }

  // Every field read names what the date and hour do. The weekday and the
  // weeks are found only where the text names one.
  bool agree(int year, int month, int day, int hour) noexcept {
    const auto check = [this](Field field, int64 value) {
      return !has(field) || values[field] == value ||
             failAt(where[field], disagreements[field], lengths[field]);
    };
    if (!check(Year, year) || !check(Century, year / 100) || !check(YearOfCentury, year % 100) ||
        !check(Month, month) || !check(Day, day) || !check(Hour, hour) ||
        !check(Hour12, (hour + 11) % 12 + 1) || !check(Pm, hour >= 12 ? 1 : 0)) {
      return false;
    }
    constexpr std::uint32_t weekFields = bitOf(DayOfYear) | bitOf(Weekday) | bitOf(IsoWeek) |
                                         bitOf(IsoYear) | bitOf(IsoYearOfCentury) |
                                         bitOf(SundayWeek) | bitOf(MondayWeek);
    if ((readFields & weekFields) == 0) return true;
    const int weekday = detail::weekdayOf(year, month, day);
    const int dayOfYear = detail::dayOfYear(year, month, day);
    const detail::WeekDate iso = detail::isoWeekOf(year, month, day);
    return check(DayOfYear, dayOfYear) && check(Weekday, weekday) && check(IsoWeek, iso.week) &&
           check(IsoYear, iso.year) && check(IsoYearOfCentury, detail::floorMod(iso.year, 100)) &&
           check(SundayWeek, (dayOfYear + 6 - weekday) / 7) &&
           check(MondayWeek, (dayOfYear + 6 - (weekday + 6) % 7) / 7);
  }

  // ---- Failures. ----

  bool fail(std::string_view what, std::size_t length) noexcept {
    failed = {what, at, length, false};
    return false;
  }
  bool failAt(std::size_t from, std::string_view what, std::size_t length) noexcept {
    at = from;
    return fail(what, length);
  }
  bool failLiteral(char c) noexcept {
    // The quoted literals of every byte a pattern can hold, for messages.
    static constexpr std::array<std::array<char, 3>, 256> literals = [] {
      std::array<std::array<char, 3>, 256> quotedBytes{};
      for (std::size_t b = 0; b < 256; ++b) quotedBytes[b] = {'"', static_cast<char>(b), '"'};
      return quotedBytes;
    }();
    const auto& quotedByte = literals[static_cast<unsigned char>(c)];
    return fail({quotedByte.data(), 3}, 1);
  }

  std::string_view input;
  bool abbreviations;
  detail::ReadTime& result;
  detail::ReadFailure& failed;
  std::size_t at = 0;
  // Which fields were read, a bit each; only those entries of the arrays
  // are written and read.
  std::uint32_t readFields = 0;
  std::array<int64, fieldCount> values;         // NOLINT(cppcoreguidelines-pro-type-member-init)
  std::array<std::size_t, fieldCount> where;    // NOLINT(cppcoreguidelines-pro-type-member-init)
  std::array<std::size_t, fieldCount> lengths;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  int nanosecond = 0;
};

}  // namespace

namespace detail {

bool readConversions(std::string_view text, std::string_view pattern, bool anyAbbreviation,
                     ReadTime& read, ReadFailure& failure) noexcept {
  read = {};
  return ConversionReader(text, anyAbbreviation, read, failure).read(pattern);
}

std::string describe(const ReadFailure& failure, std::string_view text, std::string_view pattern) {
  const std::string_view of = failure.inPattern ? pattern : text;
  const std::string found = failure.at >= of.size() ? std::string("the end of the text")
                                                    : quoted(of.substr(failure.at, failure.length));
  return "expected " + std::string(failure.expected) + " at offset " + std::to_string(failure.at) +
         " of " + (failure.inPattern ? "the pattern " : "") + quoted(of) + ", found " + found;
}

}  // namespace detail

namespace {

// The UTC instant of what was read: the local time less the offset read.
Timestamp utcOf(const detail::ReadTime& read) noexcept {
  if (!read.offsetSeconds) return read.local;
  return read.local - std::chrono::seconds(*read.offsetSeconds);
}

std::optional<detail::ReadTime> tryRead(std::string_view text, std::string_view pattern) noexcept {
  detail::ReadTime read;
  detail::ReadFailure failure;
  if (!detail::readConversions(text, pattern, false, read, failure)) return std::nullopt;
  return read;
}

detail::ReadTime readOrThrow(std::string_view text, std::string_view pattern) {
  detail::ReadTime read;
  detail::ReadFailure failure;
  if (!detail::readConversions(text, pattern, false, read, failure)) {
    throw ParseError(detail::describe(failure, text, pattern), failure.at);
  }
  return read;
}

}  // namespace

std::optional<Date> Date::tryStrptime(std::string_view text, std::string_view pattern) noexcept {
  const std::optional<detail::ReadTime> read = tryRead(text, pattern);
  if (!read) return std::nullopt;
  return utcOf(*read).getDate();
}

Date Date::strptime(std::string_view text, std::string_view pattern) {
  return utcOf(readOrThrow(text, pattern)).getDate();
}

std::optional<Timestamp> Timestamp::tryStrptime(std::string_view text,
                                                std::string_view pattern) noexcept {
  const std::optional<detail::ReadTime> read = tryRead(text, pattern);
  if (!read) return std::nullopt;
  return utcOf(*read);
}

Timestamp Timestamp::strptime(std::string_view text, std::string_view pattern) {
  return utcOf(readOrThrow(text, pattern));
}

}  // namespace Date
