// Writes the demonstration program's transcript for the clock reading given as
// "YYYY-MM-DD hh:mm:ss", so that the real program, run on a pinned clock, can
// be compared with it.

#include <normdate/date.h>

#include <cstdio>
#include <iostream>

namespace demo {
void writeWalkthrough(std::ostream& out, const Date::Date& curdate);
}

int main(int argc, char** argv) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (argc != 2 || std::sscanf(argv[1], "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute,
                               &second) != 6) {
    std::cerr << "usage: normdate_transcript 'YYYY-MM-DD hh:mm:ss'\n";
    return 2;
  }
  demo::writeWalkthrough(std::cout, Date::Date(year, month, day, hour, minute, second));
  return 0;
}
