#include "interval.h"

#include <array>
#include <cstdio>
#include <ostream>

namespace Date {

std::ostream& operator<<(std::ostream& o, const DateInterval& interval) {
  // The longest text, six times INT_MIN, is 73 characters.
  std::array<char, 1000> text{};
  const int length = std::snprintf(text.data(), text.size(), "[%d|%d|%d|%d|%d|%d]",
                                   interval.getYear(), interval.getMonth(), interval.getDay(),
                                   interval.getHour(), interval.getMinute(), interval.getSecond());
  if (length > 0) o.write(text.data(), length);
  return o;
}

}  // namespace Date
