#include "normdate/interval.h"

#include <ostream>

namespace Date {

std::ostream& operator<<(std::ostream& o, const DateInterval& interval) {
  // Formatted output, so that a width set on the stream applies to the whole.
  return o << detail::IntervalText(interval).view();
}

}  // namespace Date
