// Recurrence sets: rules and dates merged lazily, less exclusions, and the
// content lines they are read from and written as.

#include <normdate/date.h>
#include <normdate/recurrence.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/digits.h"
#include "core/text/quoted.h"

namespace Date {

namespace {

std::int64_t secondsOf(const Date& d) noexcept {
  return d.toSysSeconds().time_since_epoch().count();
}

// Inserts `d` into the sorted `dates`, where it is not there yet.
void insertSorted(std::vector<Date>& dates, const Date& d) {
  const auto at = std::lower_bound(dates.begin(), dates.end(), d);
  if (at == dates.end() || *at != d) dates.insert(at, d);
}

}  // namespace

// ---- Building and asking. ----

RecurrenceSet::RecurrenceSet(const Date& first) : start(first) {}

RecurrenceSet& RecurrenceSet::addRule(std::string_view rule) {
  rules.push_back(Recurrence::parse(rule, start));
  return *this;
}

RecurrenceSet& RecurrenceSet::excludeRule(std::string_view rule) {
  exclusionRules.push_back(Recurrence::parse(rule, start));
  return *this;
}

RecurrenceSet& RecurrenceSet::addDate(const Date& date) {
  insertSorted(dates, date);
  return *this;
}

RecurrenceSet& RecurrenceSet::excludeDate(const Date& date) {
  insertSorted(excluded, date);
  return *this;
}

RecurrenceSet::iterator RecurrenceSet::startingAt(std::int64_t seconds) const {
  return {this, seconds};
}

RecurrenceSet::iterator RecurrenceSet::begin() const { return startingAt(INT64_MIN); }

std::optional<Date> RecurrenceSet::next(const Date& after) const {
  // A leap second 23:59:60 is passed over as 23:59:59 is.
  const iterator it = startingAt(secondsOf(after) - (after.getSecond() == 60 ? 1 : 0) + 1);
  if (it == end()) return std::nullopt;
  return *it;
}

std::vector<Date> RecurrenceSet::between(const Date& from, const Date& to) const {
  std::vector<Date> found;
  for (iterator it = startingAt(secondsOf(from)); it != end() && !(to < *it); ++it) {
    found.push_back(*it);
  }
  return found;
}

RecurrenceSet::iterator::iterator(const RecurrenceSet* owner, std::int64_t fromSeconds)
    : set(owner) {
  rules.reserve(owner->rules.size() + owner->exclusionRules.size());
  for (const Recurrence& r : owner->rules) rules.push_back(r.startingAt(fromSeconds));
  for (const Recurrence& r : owner->exclusionRules) exclusions.push_back(r.startingAt(fromSeconds));
  const auto notBefore = [fromSeconds](const Date& d) { return secondsOf(d) < fromSeconds; };
  nextDate = static_cast<std::size_t>(
      std::partition_point(owner->dates.begin(), owner->dates.end(), notBefore) -
      owner->dates.begin());
  nextExcluded = static_cast<std::size_t>(
      std::partition_point(owner->excluded.begin(), owner->excluded.end(), notBefore) -
      owner->excluded.begin());
  settle();
}

RecurrenceSet::iterator& RecurrenceSet::iterator::operator++() {
  pass();
  settle();
  return *this;
}

// Moves every rule and the dates past `current`.
void RecurrenceSet::iterator::pass() {
  for (Recurrence::iterator& rule : rules) {
    if (rule != Recurrence::end() && *rule == current) ++rule;
  }
  if (nextDate < set->dates.size() && set->dates[nextDate] == current) ++nextDate;
}

// Takes the earliest occurrence of the rules and dates that no exclusion
// names as `current`, passing over those that one does.
void RecurrenceSet::iterator::settle() {
  for (;; pass()) {
    const Date* earliest = nextDate < set->dates.size() ? &set->dates[nextDate] : nullptr;
    for (const Recurrence::iterator& rule : rules) {
      if (rule != Recurrence::end() && (earliest == nullptr || *rule < *earliest)) {
        earliest = &*rule;
      }
    }
    done = earliest == nullptr;
    if (done) return;
    current = *earliest;
    if (!isExcluded()) return;
  }
}

bool RecurrenceSet::iterator::isExcluded() {
  while (nextExcluded < set->excluded.size() && set->excluded[nextExcluded] < current) {
    ++nextExcluded;
  }
  if (nextExcluded < set->excluded.size() && set->excluded[nextExcluded] == current) return true;
  for (std::size_t i = 0; i < exclusions.size(); ++i) {
    // An exclusion rule behind is moved to the occurrence, not stepped.
    if (exclusions[i] != Recurrence::end() && *exclusions[i] < current) {
      exclusions[i] = set->exclusionRules[i].startingAt(secondsOf(current));
    }
    if (exclusions[i] != Recurrence::end() && *exclusions[i] == current) return true;
  }
  return false;
}

}  // namespace Date

// ---- Content lines. ----

namespace Date {

namespace {

constexpr char upper(char c) noexcept {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameName(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return upper(x) == upper(y); });
}

// The text unfolded, with the offset in the original of each byte, so that
// a failure names where it is in what the caller gave.
struct Unfolded {
  std::string text;
  std::vector<std::size_t> origin;
};

Unfolded unfold(std::string_view text) {
  Unfolded result;
  result.text.reserve(text.size());
  result.origin.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t lineBreak = text.substr(i, 2) == "\r\n" ? 2 : text[i] == '\n' ? 1 : 0;
    if (lineBreak != 0 && i + lineBreak < text.size() &&
        (text[i + lineBreak] == ' ' || text[i + lineBreak] == '\t')) {
      i += lineBreak;  // the break and the space after it
      continue;
    }
    result.text += text[i];
    result.origin.push_back(i);
  }
  result.origin.push_back(text.size());
  return result;
}

// One content line: its name, parameters and value, as offsets in the
// unfolded text.
struct Line {
  std::string_view name;
  std::string_view value;
  std::string_view valueType;  // VALUE=, empty where not given
  std::string zone;            // TZID=, empty where not given
  std::size_t valueAt = 0;
};

// Appends `line` and CRLF, folded after 75 bytes as RFC 5545 section 3.1
// asks: each further part of it on a line of its own after a space.
void appendFolded(std::string& text, std::string_view line) {
  constexpr std::size_t width = 75;
  text += line.substr(0, width);
  for (std::size_t at = width; at < line.size(); at += width - 1) {
    text += "\r\n ";
    text += line.substr(at, width - 1);
  }
  text += "\r\n";
}

}  // namespace

namespace detail {

// Reads the content lines of a recurrence set.
class RecurrenceSetReader {
 public:
  explicit RecurrenceSetReader(std::string_view text) : unfolded(unfold(text)) {}

  bool read(std::optional<RecurrenceSet>& set) {
    std::vector<Line> lines;
    const std::string_view all = unfolded.text;
    for (std::size_t at = 0; at <= all.size();) {
      std::size_t end = all.find('\n', at);
      if (end == std::string_view::npos) end = all.size();
      std::size_t stop = end;
      if (stop > at && all[stop - 1] == '\r') --stop;
      if (stop > at) {
        Line line;
        if (!split(at, stop, line)) return false;
        lines.push_back(line);
      }
      at = end + 1;
    }
    const auto isStart = [](const Line& l) { return sameName(l.name, "DTSTART"); };
    const auto first = std::find_if(lines.begin(), lines.end(), isStart);
    if (first == lines.end()) return failAt(0, 1, "a DTSTART line");
    if (std::find_if(first + 1, lines.end(), isStart) != lines.end()) {
      const Line& second = *std::find_if(first + 1, lines.end(), isStart);
      return failAt(second.valueAt, second.value.size(), "one DTSTART line only");
    }
    if (!readStart(*first, set)) return false;
    for (const Line& line : lines) {
      if (&line != &*first && !readLine(line, *set)) return false;
    }
    return true;
  }

  [[noreturn]] void raise() const {
    if (ruleError) throw ParseError(*ruleError, origin(failedAt));
    const std::string_view all = unfolded.text;
    const std::size_t lineStart = all.rfind('\n', failedAt == 0 ? 0 : failedAt - 1);
    const std::size_t from =
        lineStart == std::string_view::npos || failedAt == 0 ? 0 : lineStart + 1;
    std::size_t to = all.find('\n', from);
    if (to == std::string_view::npos) to = all.size();
    const std::string_view line = all.substr(from, to - from);
    const std::string found = failedAt >= to ? std::string("the end of the line")
                                             : detail::quoted(all.substr(failedAt, foundLength));
    throw ParseError("expected " + std::string(expected) + " at offset " +
                         std::to_string(failedAt - from) + " of the line " + detail::quoted(line) +
                         ", found " + found,
                     origin(failedAt));
  }

 private:
  [[nodiscard]] std::size_t origin(std::size_t at) const {
    return unfolded.origin[std::min(at, unfolded.origin.size() - 1)];
  }

  bool failAt(std::size_t at, std::size_t length, std::string_view what) noexcept {
    failedAt = at;
    foundLength = length;
    expected = what;
    return false;
  }

  // NAME *(";" PARAM "=" VALUE) ":" VALUE.
  bool split(std::size_t at, std::size_t stop, Line& line) {
    const std::string_view all = unfolded.text;
    std::size_t i = at;
    while (i < stop && all[i] != ';' && all[i] != ':') ++i;
    line.name = all.substr(at, i - at);
    static constexpr std::array<std::string_view, 5> names = {"DTSTART", "RRULE", "EXRULE", "RDATE",
                                                              "EXDATE"};
    if (std::none_of(names.begin(), names.end(),
                     [&](std::string_view n) { return sameName(line.name, n); })) {
      return failAt(at, i - at, "DTSTART, RRULE, RDATE, EXDATE or EXRULE");
    }
    while (i < stop && all[i] == ';') {
      if (!parameter(++i, stop, line)) return false;
    }
    if (i >= stop || all[i] != ':') return failAt(i, 1, R"(":" before the value)");
    line.valueAt = i + 1;
    line.value = all.substr(i + 1, stop - i - 1);
    return true;
  }

  // A parameter from `i`, TZID or VALUE, and `i` moved past it; a value
  // may be quoted, and then holds ":" and ";".
  bool parameter(std::size_t& i, std::size_t stop, Line& line) {
    const std::string_view all = unfolded.text;
    const std::size_t nameAt = i;
    while (i < stop && all[i] != '=') ++i;
    const std::string_view name = all.substr(nameAt, i - nameAt);
    if (i == stop) return failAt(nameAt, i - nameAt, R"(a parameter ("TZID=" or "VALUE="))");
    const std::size_t valueAt = ++i;
    std::string_view value;
    if (i < stop && all[i] == '"') {
      const std::size_t close = all.find('"', i + 1);
      if (close == std::string_view::npos || close >= stop) {
        return failAt(i, stop - i, "a closing quote");
      }
      value = all.substr(i + 1, close - i - 1);
      i = close + 1;
    } else {
      while (i < stop && all[i] != ';' && all[i] != ':') ++i;
      value = all.substr(valueAt, i - valueAt);
    }
    if (sameName(name, "TZID")) {
      line.zone = std::string(value);
    } else if (sameName(name, "VALUE") &&
               (sameName(value, "DATE") || sameName(value, "DATE-TIME"))) {
      line.valueType = value;
    } else {
      return failAt(nameAt, i - nameAt, R"(a parameter TZID or VALUE (DATE or DATE-TIME))");
    }
    return true;
  }

  // YYYYMMDD, or YYYYMMDDThhmmss with Z where `utc`, each field checked.
  bool readValue(std::string_view text, std::size_t at, bool dateOnly, bool utc, Date& d) {
    const std::size_t length = dateOnly ? 8 : utc ? 16 : 15;
    const std::string_view what = dateOnly ? "a date (YYYYMMDD)"
                                  : utc    ? "a UTC date and time (YYYYMMDDThhmmssZ), as DTSTART"
                                           : "a date and time (YYYYMMDDThhmmss), as DTSTART";
    const auto digits = [&](std::size_t from, std::size_t count) {
      int value = 0;
      for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
      return value;
    };
    bool shaped = text.size() == length;
    for (std::size_t i = 0; shaped && i < length; ++i) {
      const char c = text[i];
      shaped = i == 8 ? c == 'T' : i == 15 ? c == 'Z' : c >= '0' && c <= '9';
    }
    if (!shaped) return failAt(at, text.size(), what);
    const int year = digits(0, 4);
    const int month = digits(4, 2);
    const int day = digits(6, 2);
    const int hour = dateOnly ? 0 : digits(9, 2);
    const int minute = dateOnly ? 0 : digits(11, 2);
    const int second = dateOnly ? 0 : digits(13, 2);
    if (month < 1 || month > 12 || day < 1 || day > detail::daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60) {
      return failAt(at, text.size(), "a date and time whose fields are in range");
    }
    d = Date(year, month, day, hour, minute, second);
    return true;
  }

  bool readStart(const Line& line, std::optional<RecurrenceSet>& set) {
    const bool dateOnly = sameName(line.valueType, "DATE");
    const bool utc = !line.value.empty() && line.value.back() == 'Z';
    if (utc && !line.zone.empty()) {
      return failAt(line.valueAt, line.value.size(), "a local time, as DTSTART has a TZID");
    }
    Date first;
    if (!readValue(line.value, line.valueAt, dateOnly, utc && !dateOnly, first)) return false;
    set.emplace(first);
    set->zone = line.zone;
    set->form = dateOnly ? RecurrenceSet::Form::DateOnly
                : utc    ? RecurrenceSet::Form::Utc
                         : RecurrenceSet::Form::DateTime;
    return true;
  }

  bool readLine(const Line& line, RecurrenceSet& set) {
    const bool isRule = sameName(line.name, "RRULE") || sameName(line.name, "EXRULE");
    if (isRule) {
      const std::optional<Recurrence> rule = Recurrence::tryParse(line.value, set.start);
      if (!rule) {
        try {
          (void)Recurrence::parse(line.value, set.start);
        } catch (const ParseError& e) {
          ruleError = std::string(e.what()) + " in the " + std::string(line.name) + " line";
          failedAt = line.valueAt + e.offset();
        }
        return false;
      }
      (sameName(line.name, "RRULE") ? set.rules : set.exclusionRules).push_back(*rule);
      return true;
    }
    const bool dateOnly = set.form == RecurrenceSet::Form::DateOnly;
    if (sameName(line.valueType, "DATE") != dateOnly && !line.valueType.empty()) {
      return failAt(line.valueAt, line.value.size(),
                    dateOnly ? "dates (DTSTART is a date)" : "dates and times (DTSTART is one)");
    }
    if (!line.zone.empty() && line.zone != set.zone) {
      return failAt(line.valueAt, line.value.size(), "the zone of DTSTART, or none");
    }
    const bool exclude = sameName(line.name, "EXDATE");
    for (std::size_t at = 0; at <= line.value.size();) {
      std::size_t comma = line.value.find(',', at);
      if (comma == std::string_view::npos) comma = line.value.size();
      Date d;
      if (!readValue(line.value.substr(at, comma - at), line.valueAt + at, dateOnly,
                     set.form == RecurrenceSet::Form::Utc, d)) {
        return false;
      }
      insertSorted(exclude ? set.excluded : set.dates, d);
      at = comma + 1;
    }
    return true;
  }

  Unfolded unfolded;
  std::size_t failedAt = 0;
  std::size_t foundLength = 0;
  std::string_view expected;
  std::optional<std::string> ruleError;
};

}  // namespace detail

RecurrenceSet RecurrenceSet::parse(std::string_view text) {
  detail::RecurrenceSetReader reader(text);
  std::optional<RecurrenceSet> set;
  if (!reader.read(set)) reader.raise();
  return std::move(*set);
}

std::optional<RecurrenceSet> RecurrenceSet::tryParse(std::string_view text) noexcept {
  try {
    detail::RecurrenceSetReader reader(text);
    std::optional<RecurrenceSet> set;
    if (!reader.read(set)) return std::nullopt;
    return set;
  } catch (...) {  // only the allocations of the lines can throw
    return std::nullopt;
  }
}

std::string RecurrenceSet::toString() const {
  const auto valueOf = [this](const Date& d) {
    return form == Form::DateOnly ? d.toString("YYYYMMDD")
                                  : d.toString("YYYYMMDDThhmmss") + (form == Form::Utc ? "Z" : "");
  };
  std::string parameters;
  if (!zone.empty()) {
    const bool quote = zone.find_first_of(":;,") != std::string::npos;
    parameters += ";TZID=" + (quote ? '"' + zone + '"' : zone);
  }
  if (form == Form::DateOnly) parameters += ";VALUE=DATE";
  std::string text;
  appendFolded(text, "DTSTART" + parameters + ":" + valueOf(start));
  for (const Recurrence& r : rules) appendFolded(text, "RRULE:" + r.toString());
  for (const Recurrence& r : exclusionRules) appendFolded(text, "EXRULE:" + r.toString());
  for (const auto& [name, list] : {std::pair{"RDATE", &dates}, std::pair{"EXDATE", &excluded}}) {
    if (list->empty()) continue;
    std::string line = name + parameters + ":";
    for (const Date& d : *list) line += valueOf(d) + ",";
    line.pop_back();
    appendFolded(text, line);
  }
  return text;
}

}  // namespace Date
