// normdate-demo: reads the clock once and prints a walkthrough of the library,
// the "Class Date:" section and then the "Class DateInterval:" section.

#include <normdate/date.h>
#include <normdate/interval.h>

#include <iostream>

namespace demo {

namespace {

// The interval as year-month-day hour:minute:second, each number plain.
void writePlain(std::ostream& out, const Date::DateInterval& interval) {
  out << interval.getYear() << '-' << interval.getMonth() << '-' << interval.getDay() << ' '
      << interval.getHour() << ':' << interval.getMinute() << ':' << interval.getSecond();
}

// The dates built from the clock and from constants; returns the local date,
// which is UTC plus 7 hours.
Date::Date writeDateSection(std::ostream& out, const Date::Date& curdate) {
  out << "Class Date:\n";
  const Date::Date constructorCopy(curdate);
  out << "Current UTC time: " << constructorCopy << std::endl;

  const Date::Date localDate = curdate.addHour(7);
  out << localDate.toString("Current local time: YYYY-MMM-DD hh:mm:ss") << std::endl;

  const Date::Date overflow(2010, Date::Feb, 30, 22, 59, 72);
  out << "Date(2010-Feb-30 22:59:72) = " << overflow << std::endl;

  const Date::Date futureDate = curdate.addDay(100500);
  out << "Future date: " << futureDate << std::endl;

  const Date::Date pastDate = curdate.addMonth(-100);
  out << "Past date: " << pastDate << std::endl;

  const Date::Date myDate(1991, Date::Apr, 7);
  out << "Date without time: " << myDate << std::endl;

  const Date::Date timeDate(9999, Date::Feb, -36500, 20, 0, 7);
  out << "End: " << timeDate;
  return localDate;
}

// The differences between the UTC and the local date, a sum and the zero
// interval.
void writeIntervalSection(std::ostream& out, const Date::Date& curdate,
                          const Date::Date& localDate) {
  out << "\n\nClass DateInterval:\n";
  Date::DateInterval first = localDate.getInterval(curdate);
  out << "local - utc: ";
  writePlain(out, first);
  out << std::endl;

  first = curdate.getInterval(localDate);
  out << "utc - local: ";
  writePlain(out, first);
  out << std::endl;

  const Date::DateInterval second(1, 2, 3, 4, 5, 6);
  const Date::Date third = localDate.addInterval(second);
  out << localDate << std::endl;
  out << third << std::endl;

  const Date::DateInterval zero = localDate.getInterval(localDate);
  out << zero << std::endl;
}

}  // namespace

// The whole transcript for the clock reading `curdate`.
void writeWalkthrough(std::ostream& out, const Date::Date& curdate) {
  const Date::Date localDate = writeDateSection(out, curdate);
  writeIntervalSection(out, curdate, localDate);
}

}  // namespace demo

int main(int /*argc*/, char** /*argv*/) {
  const Date::Date curdate;
  demo::writeWalkthrough(std::cout, curdate);
  return 0;
}
