// The text of a recurrence rule: reading its parts, refusing what RFC 5545
// forbids with what was expected where, and writing them back canonically.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "core/recurrence/recurrence_rule.h"
#include "core/text/quoted.h"

namespace Date::detail {

namespace {

// The parts, in the order the RFC's grammar lists them, which the canonical
// text keeps.
enum class Part : std::uint8_t {
  Freq,
  Until,
  Count,
  Interval,
  BySecond,
  ByMinute,
  ByHour,
  ByDay,
  ByMonthDay,
  ByYearDay,
  ByWeekNo,
  ByMonth,
  BySetPos,
  WeekStart
};
constexpr std::size_t partCount = 14;
constexpr std::array<std::string_view, partCount> partNames = {
    "FREQ",  "UNTIL",      "COUNT",     "INTERVAL", "BYSECOND", "BYMINUTE", "BYHOUR",
    "BYDAY", "BYMONTHDAY", "BYYEARDAY", "BYWEEKNO", "BYMONTH",  "BYSETPOS", "WKST"};

constexpr std::array<std::string_view, 7> frequencyNames = {
    "SECONDLY", "MINUTELY", "HOURLY", "DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
constexpr std::array<std::string_view, 7> weekdayCodes = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// What each refusal expected.
constexpr std::string_view expectedPartName =
    "a rule part (FREQ, UNTIL, COUNT, INTERVAL, BYSECOND, BYMINUTE, BYHOUR, BYDAY, "
    "BYMONTHDAY, BYYEARDAY, BYWEEKNO, BYMONTH, BYSETPOS or WKST)";
constexpr std::string_view expectedEquals = "\"=\"";
constexpr std::string_view expectedNewPart = "a part not given before";
constexpr std::string_view expectedFrequency =
    "FREQ (SECONDLY, MINUTELY, HOURLY, DAILY, WEEKLY, MONTHLY or YEARLY)";
constexpr std::string_view expectedUntil =
    "UNTIL (a date YYYYMMDD, or a date and time YYYYMMDDThhmmss with or without Z)";
constexpr std::string_view expectedUntilTime =
    "UNTIL as a date and time YYYYMMDDThhmmss (the rule's times are not all midnight)";
constexpr std::string_view expectedCount = "COUNT (1 to 9223372036854775807)";
constexpr std::string_view expectedInterval = "INTERVAL (1 to 2147483647)";
constexpr std::string_view expectedSecond = "BYSECOND (0 to 60)";
constexpr std::string_view expectedMinute = "BYMINUTE (0 to 59)";
constexpr std::string_view expectedHour = "BYHOUR (0 to 23)";
constexpr std::string_view expectedWeekday =
    "BYDAY (a weekday SU, MO, TU, WE, TH, FR or SA, after an ordinal of 1 to 53 or -53 to -1 "
    "or none)";
constexpr std::string_view expectedMonthDay = "BYMONTHDAY (1 to 31 or -31 to -1)";
constexpr std::string_view expectedYearDay = "BYYEARDAY (1 to 366 or -366 to -1)";
constexpr std::string_view expectedWeekNumber = "BYWEEKNO (1 to 53 or -53 to -1)";
constexpr std::string_view expectedMonth = "BYMONTH (1 to 12)";
constexpr std::string_view expectedSetPosition = "BYSETPOS (1 to 366 or -366 to -1)";
constexpr std::string_view expectedWeekStart = "WKST (SU, MO, TU, WE, TH, FR or SA)";
constexpr std::string_view expectedFreq = "FREQ";
constexpr std::string_view expectedOneLimit = "COUNT or UNTIL, not both";
constexpr std::string_view expectedNoWeekNumber =
    "a part other than BYWEEKNO, which only YEARLY rules take";
constexpr std::string_view expectedNoYearDay =
    "a part other than BYYEARDAY, which DAILY, WEEKLY and MONTHLY rules do not take";
constexpr std::string_view expectedNoMonthDay =
    "a part other than BYMONTHDAY, which WEEKLY rules do not take";
constexpr std::string_view expectedPlainWeekday =
    "a weekday without an ordinal (only MONTHLY and YEARLY rules without BYWEEKNO number "
    "weekdays)";
constexpr std::string_view expectedMonthOrdinal =
    "a weekday with an ordinal of 1 to 5 or -5 to -1 (a month holds at most five of each)";
constexpr std::string_view expectedSetPositionCompanion =
    "another BYxxx part, from whose dates BYSETPOS picks";

bool equalsIgnoringCase(std::string_view text, std::string_view upper) noexcept {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != upper[i]) return false;
  }
  return true;
}

template <std::size_t n>
std::optional<std::size_t> indexOf(std::string_view text,
                                   const std::array<std::string_view, n>& names) noexcept {
  for (std::size_t i = 0; i < n; ++i) {
    if (equalsIgnoringCase(text, names[i])) return i;
  }
  return std::nullopt;
}

// A number of at least one digit, with a sign where `sign` allows one;
// nothing where the text is not one or it does not fit an int64.
std::optional<int64> numberOf(std::string_view text, bool sign) noexcept {
  bool negative = false;
  if (sign && !text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int64 value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    if (value > (std::numeric_limits<int64>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

// A span of the text.
struct Span {
  std::size_t at = 0;
  std::size_t length = 0;
};

class RuleReader {
 public:
  RuleReader(std::string_view ruleText, RecurrenceRule& parsed) noexcept
      : text(ruleText), rule(parsed) {}

  // Reads every part and checks how they combine; false with `failure` set
  // where the rule is refused.
  bool read() noexcept {
    std::size_t at = 0;
    for (;;) {
      const std::size_t end = std::min(text.find(';', at), text.size());
      if (!readPart(at, end)) return false;
      if (end == text.size()) return checkCombination();
      at = end + 1;
    }
  }

  RuleFailure failure;

 private:
  [[nodiscard]] std::string_view textOf(Span span) const noexcept {
    return text.substr(span.at, span.length);
  }

  bool fail(std::string_view expected, Span where) noexcept {
    failure = {expected, where.at, where.length};
    return false;
  }

  bool readPart(std::size_t at, std::size_t end) noexcept {
    const std::string_view part = text.substr(at, end - at);
    const std::size_t equals = part.find('=');
    const Span name{at, std::min(equals, part.size())};
    const std::optional<std::size_t> index = indexOf(textOf(name), partNames);
    if (!index) return fail(expectedPartName, name);
    if (equals == std::string_view::npos) return fail(expectedEquals, {end, 1});
    const auto which = static_cast<Part>(*index);
    std::optional<Span>& given = named[static_cast<std::size_t>(which)];
    if (given) return fail(expectedNewPart, name);
    given = name;
    return readValue(which, {at + equals + 1, part.size() - equals - 1});
  }

  bool readValue(Part part, Span value) noexcept {
    switch (part) {
      case Part::Freq: return readFrequency(value);
      case Part::Until: return readUntil(value);
      case Part::Count:
        return readNumber(value, 1, std::numeric_limits<int64>::max(), expectedCount, rule.count);
      case Part::Interval: return readNumber(value, 1, 2147483647, expectedInterval, rule.interval);
      case Part::BySecond: return readSet(value, 0, 60, expectedSecond, rule.seconds);
      case Part::ByMinute: return readSet(value, 0, 59, expectedMinute, rule.minutes);
      case Part::ByHour: return readSet(value, 0, 23, expectedHour, rule.hours);
      case Part::ByDay: return readWeekdays(value);
      case Part::ByMonthDay: return readSignedSet(value, 31, expectedMonthDay, rule.monthDays);
      case Part::ByYearDay: return readSignedSet(value, 366, expectedYearDay, rule.yearDays);
      case Part::ByWeekNo: return readSignedSet(value, 53, expectedWeekNumber, rule.weekNumbers);
      case Part::ByMonth: return readMonths(value);
      case Part::BySetPos: return readSignedSet(value, 366, expectedSetPosition, rule.setPositions);
      case Part::WeekStart: return readWeekStart(value);
    }
    return false;
  }

  // Calls read(entry) for each entry of a comma-separated list, while it
  // returns true.
  template <class Read>
  bool forEachEntry(Span value, const Read& read) noexcept {
    std::size_t at = value.at;
    const std::size_t end = value.at + value.length;
    for (;;) {
      const std::size_t comma = std::min(text.find(',', at), end);
      if (!read(Span{at, comma - at})) return false;
      if (comma == end) return true;
      at = comma + 1;
    }
  }

  bool readFrequency(Span value) noexcept {
    const std::optional<std::size_t> index = indexOf(textOf(value), frequencyNames);
    if (!index) return fail(expectedFrequency, value);
    rule.frequency = static_cast<Frequency>(*index);
    return true;
  }

  bool readNumber(Span value, int64 low, int64 high, std::string_view expected,
                  int64& number) noexcept {
    const std::optional<int64> n = numberOf(textOf(value), false);
    if (!n || *n < low || *n > high) return fail(expected, value);
    number = *n;
    return true;
  }

  bool readSet(Span value, int64 low, int64 high, std::string_view expected,
               std::uint64_t& set) noexcept {
    return forEachEntry(value, [&](Span entry) {
      const std::optional<int64> n = numberOf(textOf(entry), false);
      if (!n || *n < low || *n > high) return fail(expected, entry);
      set |= std::uint64_t{1} << *n;
      return true;
    });
  }

  bool readMonths(Span value) noexcept {
    std::uint64_t set = 0;
    if (!readSet(value, 1, 12, expectedMonth, set)) return false;
    rule.months = static_cast<std::uint16_t>(set);
    return true;
  }

  template <std::size_t words>
  bool readSignedSet(Span value, int64 limit, std::string_view expected,
                     SignedBits<words>& set) noexcept {
    return forEachEntry(value, [&](Span entry) {
      const std::optional<int64> n = numberOf(textOf(entry), true);
      if (!n || *n == 0 || *n < -limit || *n > limit) return fail(expected, entry);
      set.add(*n);
      return true;
    });
  }

  bool readWeekdays(Span value) noexcept {
    return forEachEntry(value, [&](Span entry) {
      const std::string_view t = textOf(entry);
      const std::optional<std::size_t> weekday =
          t.size() < 2 ? std::nullopt : indexOf(t.substr(t.size() - 2), weekdayCodes);
      if (!weekday) return fail(expectedWeekday, entry);
      if (t.size() == 2) {
        rule.weekdays = static_cast<std::uint8_t>(rule.weekdays | 1U << *weekday);
        return true;
      }
      const std::optional<int64> n = numberOf(t.substr(0, t.size() - 2), true);
      if (!n || *n == 0 || *n < -53 || *n > 53) return fail(expectedWeekday, entry);
      if (!ordinalEntry) ordinalEntry = entry;
      if (!wideOrdinalEntry && (*n > 5 || *n < -5)) wideOrdinalEntry = entry;
      rule.ordinals[*weekday].add(*n);
      return true;
    });
  }

  bool readWeekStart(Span value) noexcept {
    const std::optional<std::size_t> weekday = indexOf(textOf(value), weekdayCodes);
    if (!weekday) return fail(expectedWeekStart, value);
    rule.weekStart = static_cast<int>(*weekday);
    return true;
  }

  // YYYYMMDD, YYYYMMDDThhmmss or YYYYMMDDThhmmssZ, a real date and time.
  bool readUntil(Span value) noexcept {
    const std::string_view t = textOf(value);
    const auto digits = [&](std::size_t at, std::size_t length) {
      return numberOf(t.substr(at, length), false).value_or(-1);
    };
    if (t.size() != 8 && t.size() != 15 && t.size() != 16) return fail(expectedUntil, value);
    const bool withTime = t.size() > 8;
    if (withTime && t[8] != 'T' && t[8] != 't') return fail(expectedUntil, value);
    const bool utc = t.size() == 16;
    if (utc && t[15] != 'Z' && t[15] != 'z') return fail(expectedUntil, value);
    const std::array<int64, 6> f = {digits(0, 4),
                                    digits(4, 2),
                                    digits(6, 2),
                                    withTime ? digits(9, 2) : 0,
                                    withTime ? digits(11, 2) : 0,
                                    withTime ? digits(13, 2) : 0};
    if (f[0] < 0 || f[1] < 1 || f[1] > 12 || f[2] < 1 || f[2] > daysInMonth(f[0], f[1]) ||
        f[3] < 0 || f[3] > 23 || f[4] < 0 || f[4] > 59 || f[5] < 0 || f[5] > 60) {
      return fail(expectedUntil, value);
    }
    for (std::size_t i = 0; i < f.size(); ++i) rule.until[i] = static_cast<int>(f[i]);
    rule.untilForm = !withTime ? UntilForm::Date : utc ? UntilForm::Utc : UntilForm::Local;
    untilValue = value;
    return true;
  }

  [[nodiscard]] const std::optional<Span>& given(Part part) const noexcept {
    return named[static_cast<std::size_t>(part)];
  }

  // Whether every time the rule gives is midnight, as a date-only UNTIL needs.
  [[nodiscard]] bool allMidnight() const noexcept {
    const auto onlyZero = [](std::uint64_t set, int startValue) {
      return set != 0 ? set == 1 : startValue == 0;
    };
    return rule.frequency >= Frequency::Daily && onlyZero(rule.hours, rule.start.getHour()) &&
           onlyZero(rule.minutes, rule.start.getMinute()) &&
           onlyZero(rule.seconds, rule.start.getSecond());
  }

  [[nodiscard]] bool anyByPartBesidesSetPosition() const noexcept {
    for (auto i = static_cast<std::size_t>(Part::BySecond);
         i < static_cast<std::size_t>(Part::BySetPos); ++i) {
      if (named[i]) return true;
    }
    return false;
  }

  // The checks that need several parts, which may come in any order.
  bool checkCombination() noexcept {
    const Frequency f = rule.frequency;
    if (!given(Part::Freq)) return fail(expectedFreq, {text.size(), 0});
    if (given(Part::Count) && given(Part::Until)) {
      const Span later = given(Part::Count)->at > given(Part::Until)->at ? *given(Part::Count)
                                                                         : *given(Part::Until);
      return fail(expectedOneLimit, later);
    }
    if (given(Part::ByWeekNo) && f != Frequency::Yearly) {
      return fail(expectedNoWeekNumber, *given(Part::ByWeekNo));
    }
    if (given(Part::ByYearDay) && f >= Frequency::Daily && f <= Frequency::Monthly) {
      return fail(expectedNoYearDay, *given(Part::ByYearDay));
    }
    if (given(Part::ByMonthDay) && f == Frequency::Weekly) {
      return fail(expectedNoMonthDay, *given(Part::ByMonthDay));
    }
    if (ordinalEntry &&
        ((f != Frequency::Monthly && f != Frequency::Yearly) || given(Part::ByWeekNo))) {
      return fail(expectedPlainWeekday, *ordinalEntry);
    }
    if (wideOrdinalEntry && f == Frequency::Monthly) {
      return fail(expectedMonthOrdinal, *wideOrdinalEntry);
    }
    if (given(Part::BySetPos) && !anyByPartBesidesSetPosition()) {
      return fail(expectedSetPositionCompanion, *given(Part::BySetPos));
    }
    if (rule.untilForm == UntilForm::Date && !allMidnight())
      return fail(expectedUntilTime, *untilValue);
    return true;
  }

  std::string_view text;
  RecurrenceRule& rule;
  std::array<std::optional<Span>, partCount> named{};  // where each part given is named
  std::optional<Span> untilValue;
  std::optional<Span> ordinalEntry;      // the first weekday with an ordinal
  std::optional<Span> wideOrdinalEntry;  // the first with an ordinal beyond 5
};

// ---- Writing. ----

void appendNumber(std::string& text, int64 n) { text += std::to_string(n); }

void appendPadded(std::string& text, int value, int width) {
  const std::string digits = std::to_string(value);
  text.append(
      static_cast<std::size_t>(width) - std::min(digits.size(), static_cast<std::size_t>(width)),
      '0');
  text += digits;
}

// ";NAME=" before a part's values.
void appendName(std::string& text, Part part) {
  text += ';';
  text += partNames[static_cast<std::size_t>(part)];
  text += '=';
}

void appendSet(std::string& text, Part part, std::uint64_t set) {
  if (set == 0) return;
  appendName(text, part);
  const Values values = Values::of(set);
  for (int i = 0; i < values.size; ++i) {
    if (i > 0) text += ',';
    appendNumber(text, values.value[static_cast<std::size_t>(i)]);
  }
}

// Negative values from the least, then positive ones.
template <std::size_t words>
void appendSignedValues(std::string& text, const SignedBits<words>& set, std::string_view after,
                        bool& first) {
  for (int64 n = set.negative.lastUpTo(Bits<words>::capacity - 1); n > 0;
       n = set.negative.lastUpTo(n - 1)) {
    text += first ? "" : ",";
    first = false;
    appendNumber(text, -n);
    text += after;
  }
  for (int64 n = set.positive.firstFrom(1); n > 0; n = set.positive.firstFrom(n + 1)) {
    text += first ? "" : ",";
    first = false;
    appendNumber(text, n);
    text += after;
  }
}

template <std::size_t words>
void appendSignedSet(std::string& text, Part part, const SignedBits<words>& set) {
  if (set.empty()) return;
  appendName(text, part);
  bool first = true;
  appendSignedValues(text, set, "", first);
}

// The weekdays from Monday, each without an ordinal first, then with them.
void appendWeekdays(std::string& text, const RecurrenceRule& rule) {
  bool any = rule.weekdays != 0;
  for (const SignedBits<1>& ordinals : rule.ordinals) any = any || !ordinals.empty();
  if (!any) return;
  appendName(text, Part::ByDay);
  bool first = true;
  for (std::size_t i = 1; i <= 7; ++i) {
    const std::size_t weekday = i % 7;
    if ((rule.weekdays >> weekday & 1) != 0) {
      text += first ? "" : ",";
      first = false;
      text += weekdayCodes[weekday];
    }
  }
  for (std::size_t i = 1; i <= 7; ++i) {
    appendSignedValues(text, rule.ordinals[i % 7], weekdayCodes[i % 7], first);
  }
}

void appendUntil(std::string& text, const RecurrenceRule& rule) {
  if (rule.untilForm == UntilForm::None) return;
  appendName(text, Part::Until);
  appendPadded(text, rule.until[0], 4);
  appendPadded(text, rule.until[1], 2);
  appendPadded(text, rule.until[2], 2);
  if (rule.untilForm == UntilForm::Date) return;
  text += 'T';
  for (std::size_t i = 3; i < 6; ++i) appendPadded(text, rule.until[i], 2);
  if (rule.untilForm == UntilForm::Utc) text += 'Z';
}

}  // namespace

std::optional<RuleFailure> readRule(std::string_view text, RecurrenceRule& rule) noexcept {
  RuleReader reader(text, rule);
  if (reader.read()) return std::nullopt;
  return reader.failure;
}

std::string failureMessage(std::string_view text, const RuleFailure& failure) {
  const std::size_t length = failure.length == 0 ? 1 : failure.length;
  const std::string found = failure.at >= text.size() ? std::string("the end of the text")
                                                      : quoted(text.substr(failure.at, length));
  return "expected " + std::string(failure.expected) + " at offset " + std::to_string(failure.at) +
         " of " + quoted(text) + ", found " + found;
}

std::string ruleText(const RecurrenceRule& rule) {
  std::string text = "FREQ=";
  text += frequencyNames[static_cast<std::size_t>(rule.frequency)];
  appendUntil(text, rule);
  if (rule.count != 0) {
    appendName(text, Part::Count);
    appendNumber(text, rule.count);
  }
  if (rule.interval != 1) {
    appendName(text, Part::Interval);
    appendNumber(text, rule.interval);
  }
  appendSet(text, Part::BySecond, rule.seconds);
  appendSet(text, Part::ByMinute, rule.minutes);
  appendSet(text, Part::ByHour, rule.hours);
  appendWeekdays(text, rule);
  appendSignedSet(text, Part::ByMonthDay, rule.monthDays);
  appendSignedSet(text, Part::ByYearDay, rule.yearDays);
  appendSignedSet(text, Part::ByWeekNo, rule.weekNumbers);
  appendSet(text, Part::ByMonth, rule.months);
  appendSignedSet(text, Part::BySetPos, rule.setPositions);
  if (rule.weekStart != 1) {
    appendName(text, Part::WeekStart);
    text += weekdayCodes[static_cast<std::size_t>(rule.weekStart)];
  }
  return text;
}

}  // namespace Date::detail
