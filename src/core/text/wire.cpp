// Dates on the wire: HTTP's (RFC 9110, section 5.6.7) and e-mail's (RFC
// 5322, section 3.3, with the obsolete syntax of section 4.3).

#include <normdate/date.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/text/conversion_text.h"
#include "core/text/digits.h"
#include "core/text/quoted.h"

namespace Date {

namespace {

constexpr bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }
constexpr char lower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads a text from left to right; a failure records what was expected
// where, and the message is built only when asked for.
class WireReader {
 public:
  explicit WireReader(std::string_view text) noexcept : input(text) {}

  [[nodiscard]] std::size_t failedAt() const noexcept { return at; }
  [[nodiscard]] std::string failure() const {
    const std::string found =
        at >= input.size() ? "the end of the text" : detail::quoted(input.substr(at, foundLength));
    return "expected " + std::string(expected) + " at offset " + std::to_string(at) + " of " +
           detail::quoted(input) + ", found " + found;
  }

 protected:
  bool fail(std::string_view what, std::size_t length) noexcept {
    expected = what;
    foundLength = length;
    return false;
  }
  bool failAt(std::size_t from, std::string_view what, std::size_t length) noexcept {
    at = from;
    return fail(what, length);
  }

  [[nodiscard]] bool atEnd() const noexcept { return at >= input.size(); }
  [[nodiscard]] bool next(char c) const noexcept { return at < input.size() && input[at] == c; }

  bool literal(char c, std::string_view what) noexcept {
    if (!next(c)) return fail(what, 1);
    ++at;
    return true;
  }

  // Exactly `count` digits.
  bool digits(std::size_t count, int& value, std::string_view what) noexcept {
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (at + i >= input.size() || !isDigit(input[at + i])) return fail(what, count);
      value = value * 10 + (input[at + i] - '0');
    }
    at += count;
    return true;
  }

  // One of `names`, whole, where `caseless` in any case; its index.
  template <std::size_t size>
  bool name(const std::array<std::string_view, size>& names, bool caseless, int& index,
            std::string_view what) noexcept {
    for (std::size_t i = 0; i < size; ++i) {
      const std::string_view candidate = names[i];
      if (input.size() - at < candidate.size()) continue;
      bool same = true;
      for (std::size_t j = 0; j < candidate.size() && same; ++j) {
        const char c = input[at + j];
        same = caseless ? lower(c) == lower(candidate[j]) : c == candidate[j];
      }
      if (same) {
        index = static_cast<int>(i);
        at += candidate.size();
        return true;
      }
    }
    return fail(what, 3);
  }

  // Checks the fields read and gives their instant; a second of 60 is the
  // next minute's first, as the ISO readers read it.
  bool instant(int year, int month, int day, int hour, int minute, int second, std::size_t dayAt,
               std::size_t timeAt, Date& utc, int offsetSeconds) noexcept {
    static constexpr std::array<std::string_view, 4> dayRanges = {
        "the day (1 to 28)", "the day (1 to 29)", "the day (1 to 30)", "the day (1 to 31)"};
    const auto length = static_cast<int>(detail::daysInMonth(year, month));
    if (day < 1 || day > length) {
      return failAt(dayAt, dayRanges[static_cast<std::size_t>(length - 28)], 2);
    }
    if (hour > 23 || minute > 59 || second > 60) {
      return failAt(timeAt, "a time of day (00:00:00 to 23:59:60)", 8);
    }
    utc = Date(year, month, day, hour, minute, second - offsetSeconds);
    return true;
  }

  bool weekdayAgrees(int weekday, int year, int month, int day, std::size_t weekdayAt) noexcept {
    return weekday == detail::weekdayOf(year, month, day) ||
           failAt(weekdayAt, "the weekday of the date", 3);
  }

  std::string_view input;
  std::size_t at = 0;

 private:
  std::string_view expected;
  std::size_t foundLength = 0;
};

constexpr std::array<std::string_view, 7> shortWeekdays = {"Sun", "Mon", "Tue", "Wed",
                                                           "Thu", "Fri", "Sat"};

// ---- HTTP. ----

// IMF-fixdate, RFC 850's date and asctime's, told apart by what follows
// the weekday. HTTP-date is case-sensitive (RFC 9110, section 5.6.7).
class HttpDateReader : public WireReader {
 public:
  using WireReader::WireReader;

  bool read(Date& utc, const Timestamp* now) noexcept {
    int weekday = 0;
    if (input.size() > 3 && input[3] != ',' && input[3] != ' ') {
      if (!name(detail::weekdayNames, false, weekday, "a weekday name")) return false;
      return rfc850(weekday, utc, now);
    }
    if (!name(shortWeekdays, false, weekday, R"(a weekday name ("Mon" .. "Sun"))")) return false;
    return next(',') ? imfFixdate(weekday, utc) : asctime(weekday, utc);
  }

 private:
  // "Tue, 08 Dec 2026 10:00:00 GMT"
  bool imfFixdate(int weekday, Date& utc) noexcept {
    int day = 0;
    int month = 0;
    int year = 0;
    ++at;
    if (!literal(' ', R"(" ")")) return false;
    const std::size_t dayAt = at;
    if (!digits(2, day, "the day (2 digits)") || !literal(' ', R"(" ")") ||
        !name(detail::monthNames, false, month, R"(a month name ("Jan" .. "Dec"))") ||
        !literal(' ', R"(" ")") || !digits(4, year, "the year (4 digits)")) {
      return false;
    }
    return rest(weekday, year, month + 1, day, dayAt, utc);
  }

  // "Tuesday, 08-Dec-26 10:00:00 GMT": the year is the one with those last
  // two digits that is not more than 50 years after `now`.
  bool rfc850(int weekday, Date& utc, const Timestamp* now) noexcept {
    int day = 0;
    int month = 0;
    int yy = 0;
    if (!literal(',', R"(",")") || !literal(' ', R"(" ")")) return false;
    const std::size_t dayAt = at;
    if (!digits(2, day, "the day (2 digits)") || !literal('-', R"("-")") ||
        !name(detail::monthNames, false, month, R"(a month name ("Jan" .. "Dec"))") ||
        !literal('-', R"("-")") || !digits(2, yy, "the year (2 digits)")) {
      return false;
    }
    const Timestamp reference = now != nullptr ? *now : Timestamp::now();
    const int century = reference.getDate().getYear() / 100 * 100;
    int year = century + yy;
    // A day is more than 50 years ahead where its midnight is.
    const Timestamp limit = reference.add(Span{.years = 50});
    const Date candidate(year, month + 1, day < 1 ? 1 : day, 0, 0, 0);
    if (Timestamp(candidate) > limit && year >= 100) year -= 100;
    return rest(weekday, year, month + 1, day, dayAt, utc);
  }

  // " 10:00:00 GMT" after the date, then the checks.
  bool rest(int weekday, int year, int month, int day, std::size_t dayAt, Date& utc) noexcept {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!literal(' ', R"(" ")")) return false;
    const std::size_t timeAt = at;
    if (!time(hour, minute, second) || !literal(' ', R"(" ")")) return false;
    if (input.substr(at) != "GMT") return fail(R"("GMT" and the end of the text)", 4);
    at += 3;
    return instant(year, month, day, hour, minute, second, dayAt, timeAt, utc, 0) &&
           weekdayAgrees(weekday, year, month, day, 0);
  }

  bool time(int& hour, int& minute, int& second) noexcept {
    return digits(2, hour, "the hour (2 digits)") && literal(':', R"(":")") &&
           digits(2, minute, "the minute (2 digits)") && literal(':', R"(":")") &&
           digits(2, second, "the second (2 digits)");
  }

  // "Tue Dec  8 10:00:00 2026": the day in two digits or after a space.
  bool asctime(int weekday, Date& utc) noexcept {
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int year = 0;
    if (!literal(' ', R"(" ")") ||
        !name(detail::monthNames, false, month, R"(a month name ("Jan" .. "Dec"))") ||
        !literal(' ', R"(" ")")) {
      return false;
    }
    const std::size_t dayAt = at;
    if (next(' ')) {
      ++at;
      if (!digits(1, day, "the day (one digit after a space)")) return false;
    } else if (!digits(2, day, "the day (2 digits, or 1 after a space)")) {
      return false;
    }
    if (!literal(' ', R"(" ")")) return false;
    const std::size_t timeAt = at;
    if (!time(hour, minute, second) || !literal(' ', R"(" ")") ||
        !digits(4, year, "the year (4 digits)")) {
      return false;
    }
    if (!atEnd()) return fail("the end of the text", 16);
    return instant(year, month + 1, day, hour, minute, second, dayAt, timeAt, utc, 0) &&
           weekdayAgrees(weekday, year, month + 1, day, 0);
  }
};

// ---- E-mail. ----

// RFC 5322's date-time with the obsolete syntax: comments and folding
// white space between any two parts, names in any case.
class MailDateReader : public WireReader {
 public:
  using WireReader::WireReader;

  bool read(Date& utc, int& offsetSeconds) noexcept {
    skip();
    int weekday = -1;
    std::size_t weekdayAt = 0;
    if (at < input.size() && !isDigit(input[at])) {
      weekdayAt = at;
      if (!name(shortWeekdays, true, weekday, R"(a weekday name ("Mon" .. "Sun") or the day)")) {
        return false;
      }
      skip();
      if (!literal(',', R"(",")")) return false;
      skip();
    }
    int day = 0;
    int month = 0;
    int year = 0;
    const std::size_t dayAt = at;
    if (!number(1, 2, day, "the day (1 or 2 digits)")) return false;
    skip();
    if (!name(detail::monthNames, true, month, R"(a month name ("Jan" .. "Dec"))")) return false;
    ++month;
    skip();
    if (!readYear(year)) return false;
    skip();
    int hour = 0;
    int minute = 0;
    int second = 0;
    const std::size_t timeAt = at;
    if (!digits(2, hour, "the hour (2 digits)")) return false;
    skip();
    if (!literal(':', R"(":")")) return false;
    skip();
    if (!digits(2, minute, "the minute (2 digits)")) return false;
    skip();
    if (next(':')) {
      ++at;
      skip();
      if (!digits(2, second, "the second (2 digits)")) return false;
      skip();
    }
    if (!zone(offsetSeconds)) return false;
    skip();
    if (!atEnd()) return fail("the end of the text", 16);
    return instant(year, month, day, hour, minute, second, dayAt, timeAt, utc, offsetSeconds) &&
           (weekday < 0 || weekdayAgrees(weekday, year, month, day, weekdayAt));
  }

 private:
  // Folding white space and comments, in any number: spaces, tabs, CRLF
  // before a space or a tab, and parenthesised text, nested, in which a
  // backslash quotes the next byte. An unclosed comment is left unread.
  void skip() noexcept {
    while (at < input.size()) {
      const char c = input[at];
      if (c == ' ' || c == '\t') {
        ++at;
      } else if (c == '\r' && input.substr(at + 1, 2).size() == 2 && input[at + 1] == '\n' &&
                 (input[at + 2] == ' ' || input[at + 2] == '\t')) {
        at += 3;
      } else if (c == '(') {
        if (!comment()) return;
      } else {
        return;
      }
    }
  }

  bool comment() noexcept {
    std::size_t depth = 0;
    for (std::size_t i = at; i < input.size(); ++i) {
      if (input[i] == '\\') {
        ++i;
      } else if (input[i] == '(') {
        ++depth;
      } else if (input[i] == ')' && --depth == 0) {
        at = i + 1;
        return true;
      }
    }
    return false;
  }

  // `least` to `most` digits, no more.
  bool number(std::size_t least, std::size_t most, int& value, std::string_view what) noexcept {
    const std::size_t from = at;
    value = 0;
    while (at < input.size() && isDigit(input[at]) && at - from < most) {
      value = value * 10 + (input[at++] - '0');
    }
    if (at - from < least || (at < input.size() && isDigit(input[at]))) {
      return failAt(from, what, at - from + 1);
    }
    return true;
  }

  // Four digits; or, obsolete, two (00..49 the 2000s, 50..99 the 1900s)
  // or three (1900 added).
  bool readYear(int& year) noexcept {
    const std::size_t from = at;
    if (!number(2, 4, year, "the year (2 to 4 digits)")) return false;
    const std::size_t count = at - from;
    if (count == 2) year += year < 50 ? 2000 : 1900;
    if (count == 3) year += 1900;
    return true;
  }

  // "+hhmm" or "-hhmm", or an obsolete name; military letters, which RFC
  // 822 defined with the wrong signs, are -0000, as RFC 5322 says.
  bool zone(int& offsetSeconds) noexcept {
    if (next('+') || next('-')) {
      const int sign = input[at] == '-' ? -1 : 1;
      ++at;
      int hours = 0;
      int minutes = 0;
      const std::size_t from = at;
      if (!digits(2, hours, "the offset (4 digits)") ||
          !digits(2, minutes, "the offset (4 digits)")) {
        return failAt(from, "the offset (4 digits)", 4);
      }
      if (minutes > 59) return failAt(from + 2, "the offset's minutes (00 to 59)", 2);
      offsetSeconds = sign * (hours * 3600 + minutes * 60);
      return true;
    }
    static constexpr std::array<std::string_view, 10> names = {"UT",  "GMT", "EST", "EDT", "CST",
                                                               "CDT", "MST", "MDT", "PST", "PDT"};
    static constexpr std::array<int, 10> hours = {0, 0, -5, -4, -6, -5, -7, -6, -8, -7};
    constexpr std::string_view what = R"(a zone ("+hhmm", "-hhmm", "GMT", "EST" ...))";
    std::size_t end = at;
    while (end < input.size() && lower(input[end]) >= 'a' && lower(input[end]) <= 'z') ++end;
    const std::string_view word = input.substr(at, end - at);
    if (word.size() == 1 && lower(word[0]) != 'j') {
      ++at;
      offsetSeconds = 0;
      return true;
    }
    int index = 0;
    if (word.size() < 2 || word.size() > 3 || !name(names, true, index, what) || at != end) {
      return failAt(end - word.size(), what, word.empty() ? 1 : word.size());
    }
    offsetSeconds = hours[static_cast<std::size_t>(index)] * 3600;
    return true;
  }
};

template <class Reader, class... Args>
std::optional<Date> tryReadUtc(std::string_view text, Args... args) noexcept {
  Date utc;
  if (!Reader(text).read(utc, args...)) return std::nullopt;
  return utc;
}

template <class Reader, class... Args>
Date readUtc(std::string_view text, Args... args) {
  Reader reader(text);
  Date utc;
  if (!reader.read(utc, args...)) throw ParseError(reader.failure(), reader.failedAt());
  return utc;
}

// "Tue, 08 Dec 2026 10:00:00" for `d`, in the 25 bytes at `out`.
void writeDateAndTime(char* out, const Date& d) noexcept {
  const auto put = [out](std::size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), out + at);
  };
  put(0, shortWeekdays[static_cast<std::size_t>(d.getWeekday())]);
  put(3, ", ");
  put(5, detail::pairText(d.getDay()));
  put(7, " ");
  put(8, detail::monthNames[static_cast<std::size_t>(d.getMonth() - 1)]);
  put(11, " ");
  put(12, detail::pairText(d.getYear() / 100));
  put(14, detail::pairText(d.getYear() % 100));
  put(16, " ");
  put(17, detail::pairText(d.getHour()));
  put(19, ":");
  put(20, detail::pairText(d.getMinute()));
  put(22, ":");
  put(23, detail::pairText(d.getSecond()));
}

}  // namespace

std::string Timestamp::toHttpDate() const {
  std::array<char, 29> text{};
  writeDateAndTime(text.data(), date);
  const std::string_view gmt = " GMT";
  std::copy(gmt.begin(), gmt.end(), text.data() + 25);
  return {text.data(), text.size()};
}

std::optional<Timestamp> Timestamp::tryParseHttpDate(std::string_view text) noexcept {
  return tryReadUtc<HttpDateReader>(text, static_cast<const Timestamp*>(nullptr));
}

std::optional<Timestamp> Timestamp::tryParseHttpDate(std::string_view text,
                                                     const Timestamp& now) noexcept {
  return tryReadUtc<HttpDateReader>(text, &now);
}

Timestamp Timestamp::parseHttpDate(std::string_view text) {
  return readUtc<HttpDateReader>(text, static_cast<const Timestamp*>(nullptr));
}

Timestamp Timestamp::parseHttpDate(std::string_view text, const Timestamp& now) {
  return readUtc<HttpDateReader>(text, &now);
}

std::string Timestamp::toRfc5322(int offsetSeconds) const {
  constexpr int most = 99 * 3600 + 59 * 60;  // what four digits hold
  if (offsetSeconds > most + 59 || offsetSeconds < -most - 59) {
    throw std::invalid_argument("an offset of " + std::to_string(offsetSeconds) +
                                " seconds is beyond the +-99:59 an e-mail date can write");
  }
  // Whole minutes, so that the text names this instant.
  const int minutes = offsetSeconds / 60;
  const Date local = (*this + std::chrono::minutes(minutes)).getDate();
  std::array<char, 31> text{};
  writeDateAndTime(text.data(), local);
  const int magnitude = minutes < 0 ? -minutes : minutes;
  text[25] = ' ';
  text[26] = minutes < 0 ? '-' : '+';
  const std::string_view hh = detail::pairText(magnitude / 60);
  const std::string_view mm = detail::pairText(magnitude % 60);
  std::copy(hh.begin(), hh.end(), text.data() + 27);
  std::copy(mm.begin(), mm.end(), text.data() + 29);
  return {text.data(), text.size()};
}

std::optional<OffsetTimestamp> Timestamp::tryParseRfc5322(std::string_view text) noexcept {
  int offset = 0;
  const std::optional<Date> utc = tryReadUtc<MailDateReader, int&>(text, offset);
  if (!utc) return std::nullopt;
  return OffsetTimestamp{Timestamp(*utc), offset};
}

OffsetTimestamp Timestamp::parseRfc5322(std::string_view text) {
  int offset = 0;
  const Date utc = readUtc<MailDateReader, int&>(text, offset);
  return {Timestamp(utc), offset};
}

}  // namespace Date
