// The zones (not the links), or the zones and the links, that the system's
// zone database lists in its source, tzdata.zi.
#ifndef NORMDATE_TESTS_DATABASE_ZONES_H_
#define NORMDATE_TESTS_DATABASE_ZONES_H_

#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::string> databaseZones() {
  std::ifstream source("/usr/share/zoneinfo/tzdata.zi");
  std::vector<std::string> zones;
  for (std::string line; std::getline(source, line);) {
    if (line.rfind("Z ", 0) == 0) zones.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return zones;
}

inline std::vector<std::string> databaseNames() {
  std::ifstream source("/usr/share/zoneinfo/tzdata.zi");
  std::vector<std::string> names;
  for (std::string line; std::getline(source, line);) {
    if (line.rfind("Z ", 0) == 0) names.push_back(line.substr(2, line.find(' ', 2) - 2));
    if (line.rfind("L ", 0) == 0) names.push_back(line.substr(line.rfind(' ') + 1));
  }
  return names;
}

#endif  // NORMDATE_TESTS_DATABASE_ZONES_H_
