#include "date.h"

#include <array>
#include <ctime>
#include <ostream>
#include <string_view>

namespace Date {

namespace {

// The fields of a clock reading, as the system splits it; 1970-01-01 00:00:00
// when the clock cannot be read or split.
detail::Fields clockFields() noexcept {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  if (now == static_cast<std::time_t>(-1) || gmtime_r(&now, &utc) == nullptr) {
    return {1970, 1, 1, 0, 0, 0};
  }
  // tm_year + 1900 could overflow an int in a distant future; wrap it like
  // every other year instead.
  const auto year = static_cast<int>(detail::floorMod(int64{utc.tm_year} + 1900, 10000));
  return {year, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec};
}

// Decimal text of a number, padded with zeros to at least two digits.
// Negative numbers give "00".
class int2String {
 public:
  explicit int2String(int i) noexcept {
    auto rest = static_cast<unsigned>(i < 0 ? 0 : i);
    do {
      digits[--first] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    } while (rest > 0);
    if (first == digits.size() - 1) digits[--first] = '0';
  }
  operator std::string_view() const noexcept {  // NOLINT(google-explicit-constructor)
    return {digits.data() + first, digits.size() - first};
  }

 private:
  std::array<char, 12> digits{};  // the ten digits of INT_MAX fit
  std::size_t first = digits.size();
};

std::string_view month2string(int m) noexcept {
  static constexpr std::array<std::string_view, 12> names = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (m < 1 || m > 12) return "unknown_month";
  return names[static_cast<std::size_t>(m - 1)];
}

// Replaces every occurrence of `what` in `s` by `on`, left to right and
// without overlaps; text just inserted is not searched again.
void replaceString(std::string& s, std::string_view what, std::string_view on) {
  std::size_t found = s.find(what);
  if (found == std::string::npos) return;
  if (on.size() <= what.size()) {
    // The text only shrinks, so it is rewritten in place: the write position
    // never overtakes the read position.
    std::size_t out = found;
    std::size_t in = found;
    while (found != std::string::npos) {
      std::string::traits_type::move(&s[out], &s[in], found - in);
      out += found - in;
      std::string::traits_type::copy(&s[out], on.data(), on.size());
      out += on.size();
      in = found + what.size();
      found = s.find(what, in);
    }
    std::string::traits_type::move(&s[out], &s[in], s.size() - in);
    s.resize(out + s.size() - in);
    return;
  }
  std::string grown;
  std::size_t in = 0;
  while (found != std::string::npos) {
    grown.append(s, in, found - in).append(on);
    in = found + what.size();
    found = s.find(what, in);
  }
  grown.append(s, in);
  s.swap(grown);
}

}  // namespace

Date::Date() : Date(clockFields()) {}

Date::Date(int _hour, int _minute, int _second) : Date() {
  hour = _hour;
  minute = _minute;
  second = _second;
  normDate();
}

std::string Date::toString(const std::string& format) const { return render(format); }

std::string Date::toString() const { return render("YYYY-MMM-DD hh:mm:ss"); }

std::string Date::render(std::string_view format) const {
  std::string result(format);
  replaceString(result, "YYYY", int2String(getYear()));
  replaceString(result, "MMM", month2string(getMonth()));
  replaceString(result, "MM", int2String(getMonth()));
  replaceString(result, "DD", int2String(getDay()));
  replaceString(result, "hh", int2String(getHour()));
  replaceString(result, "mm", int2String(getMinute()));
  replaceString(result, "ss", int2String(getSecond()));
  return result;
}

std::ostream& operator<<(std::ostream& o, const Date& d) { return o << d.toString(); }

}  // namespace Date
