// The formatting rules done the plain way, as a reference: one
// std::string::replace per occurrence, each pass resuming after the text it
// inserted. Quadratic, so for short formats only.
#ifndef NORMDATE_TESTS_REFERENCE_FORMAT_H_
#define NORMDATE_TESTS_REFERENCE_FORMAT_H_

#include <normdate/date.h>

#include <array>
#include <string>
#include <utility>

namespace reference {

inline std::string format(const Date::Date& d, std::string text) {
  auto two = [](int i) { return (i < 10 ? "0" : "") + std::to_string(i); };
  static const std::array<std::string, 12> names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::array<std::pair<std::string, std::string>, 7> passes = {{
      {"YYYY", two(d.getYear())},
      {"MMM", names.at(static_cast<std::size_t>(d.getMonth() - 1))},
      {"MM", two(d.getMonth())},
      {"DD", two(d.getDay())},
      {"hh", two(d.getHour())},
      {"mm", two(d.getMinute())},
      {"ss", two(d.getSecond())},
  }};
  for (const auto& [what, on] : passes) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + on.size())) {
      text.replace(at, what.size(), on);
    }
  }
  return text;
}

}  // namespace reference

#endif  // NORMDATE_TESTS_REFERENCE_FORMAT_H_
