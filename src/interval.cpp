#include "interval.h"

#include <cstdio>
#include <ostream>

namespace Date {

std::ostream& operator<<(std::ostream& o, const DateInterval& interval) {
  // The longest text, six times INT_MIN, is 73 characters.
  char text[1000];
  const int length = std::snprintf(text, sizeof text, "[%d|%d|%d|%d|%d|%d]", interval.getYear(),
                                   interval.getMonth(), interval.getDay(), interval.getHour(),
                                   interval.getMinute(), interval.getSecond());
  if (length > 0) o.write(text, length);
  return o;
}

}  // namespace Date
