#include "interval.h"

#include <array>
#include <charconv>
#include <ostream>
#include <string_view>

namespace Date {

std::ostream& operator<<(std::ostream& o, const DateInterval& interval) {
  // The longest text, six times INT_MIN, is 73 characters. The text goes out
  // as formatted output, so that a width set on the stream applies to it once.
  std::array<char, 80> text;  // not zero-filled: only what is written is read
  char* end = text.data();
  *end++ = '[';
  for (const int field : {interval.getYear(), interval.getMonth(), interval.getDay(),
                          interval.getHour(), interval.getMinute(), interval.getSecond()}) {
    end = std::to_chars(end, text.data() + text.size(), field).ptr;
    *end++ = '|';
  }
  end[-1] = ']';
  return o << std::string_view(text.data(), static_cast<std::size_t>(end - text.data()));
}

}  // namespace Date
