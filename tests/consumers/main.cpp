// A program that uses normdate the way its users do.
#include <normdate/date.h>

#include <iostream>

int main() {
  std::cout << Date::Date(2010, Date::Feb, 30, 22, 59, 72) << '\n';
  return 0;
}
