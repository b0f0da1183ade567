// Internal: the strftime-style writer and reader behind `strftime` and
// `strptime` of dates, timestamps and zoned times. The zone component calls
// them with a zone's offset and abbreviation, so they are exported from the
// core library, though no installed header declares them.
#ifndef NORMDATE_CORE_TEXT_CONVERSION_TEXT_H_
#define NORMDATE_CORE_TEXT_CONVERSION_TEXT_H_

#include <normdate/date.h>
#include <normdate/export.h>
#include <normdate/timestamp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Date::detail {

inline constexpr std::array<std::string_view, 7> weekdayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
inline constexpr std::array<std::string_view, 12> fullMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// The zone a local time is written in: its offset for %z and %s, its
// abbreviation for %Z.
struct ZoneText {
  std::int64_t offsetSeconds = 0;
  std::string_view abbreviation = "UTC";
};

// Replaces the contents of `text` with `pattern`, its conversions replaced
// by the fields of the local time `local` and `nanosecond` in `zone`.
// Throws std::invalid_argument naming the first conversion that is not
// valid, before writing anything.
NORMDATE_EXPORT void writeConversions(const Date& local, int nanosecond, const ZoneText& zone,
                                      std::string_view pattern, std::string& text);

// What a text read by a pattern names: a local time, and where the text
// has them, an offset (%z), an instant (%s) and a zone abbreviation (%Z).
struct ReadTime {
  Timestamp local;  // a second 60 is the next minute's first instant
  std::optional<int> offsetSeconds;
  std::optional<std::int64_t> unixSeconds;
  std::string_view abbreviation;   // empty where %Z read nothing
  std::size_t abbreviationAt = 0;  // its offset in the text
};

// Why a text did not match: what was expected at which offset of the text,
// or of the pattern where a conversion there is not valid.
struct ReadFailure {
  std::string_view expected;
  std::size_t at = 0;
  std::size_t length = 0;
  bool inPattern = false;
};

// Reads `text` by `pattern`. %Z reads any abbreviation where
// `anyAbbreviation` is set (a zoned time checks it against its zone), and
// only UTC's names ("UTC", "GMT", "UT", "Z") otherwise.
NORMDATE_EXPORT bool readConversions(std::string_view text, std::string_view pattern,
                                     bool anyAbbreviation, ReadTime& read,
                                     ReadFailure& failure) noexcept;

// The message of a ParseError for `failure`.
NORMDATE_EXPORT std::string describe(const ReadFailure& failure, std::string_view text,
                                     std::string_view pattern);

}  // namespace Date::detail

#endif  // NORMDATE_CORE_TEXT_CONVERSION_TEXT_H_
