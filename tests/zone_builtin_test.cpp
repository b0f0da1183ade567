// The zone database built into the library: with no zone files to be
// found, every name loads from it and answers as the system's files do;
// names are found where they are; TZ that names a zone falls back to it.
// A program of its own, since it sets TZDIR and TZ.

#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/zone.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "database_zones.h"
#include "zone/builtin_zones.h"

namespace {

using Date::TimeZone;
using Date::ZoneSource;

// A folder of the test's own as the zone directory, TZDIR, for one test.
class ZoneDirectory {
 public:
  explicit ZoneDirectory(const std::string& name)
      : path(std::filesystem::temp_directory_path() / ("normdate_builtin_test_" + name)) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    setenv("TZDIR", path.c_str(), 1);
  }
  ZoneDirectory(const ZoneDirectory&) = delete;
  ZoneDirectory& operator=(const ZoneDirectory&) = delete;
  ~ZoneDirectory() {
    unsetenv("TZDIR");
    std::filesystem::remove_all(path);
  }

  const std::filesystem::path path;
};

// A zone file's data from its second header on, where the built-in copy
// keeps the same bytes.
std::string withoutVersion1(const std::string& name) {
  std::ifstream file("/usr/share/zoneinfo/" + name, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return data.substr(data.find("TZif", 4));
}

// Every change of offset from 1800 to 2400, and the offset on each side,
// the same in both zones.
void expectSameAnswers(const TimeZone& builtIn, const TimeZone& system, const std::string& name) {
  const Date::Date end(2400, Date::Jan, 1);
  std::optional<Date::Date> at = Date::Date(1800, Date::Jan, 1);
  for (int changes = 0; at && *at < end; ++changes) {
    const std::optional<Date::Date> next = system.nextTransition(*at);
    ASSERT_EQ(builtIn.nextTransition(*at), next) << name << " after " << *at;
    for (const Date::Date& instant : {*at, at->addSecond(-1)}) {
      const Date::ZoneOffset a = builtIn.getOffset(instant);
      const Date::ZoneOffset b = system.getOffset(instant);
      ASSERT_EQ(a.seconds, b.seconds) << name << " at " << instant;
      ASSERT_EQ(a.isDst, b.isDst) << name << " at " << instant;
      ASSERT_EQ(a.abbreviation, b.abbreviation) << name << " at " << instant;
    }
    at = next;
  }
}

// With an empty zone directory, every name of the system's database loads
// from the built-in copy. Where the copy is of the system's release, its
// files are the system's, and every zone answers as the system's does from
// 1800 to 2400 (in any release, so does every zone whose file is the
// same). The zones are loaded without files first: a name loaded is kept.
TEST(BuiltInZones, AnswerAsTheSystemsFilesWithNoneToBeFound) {
  const std::vector<std::string> names = databaseNames();
  ASSERT_GT(names.size(), 500u);
  const bool sameRelease = TimeZone::databaseVersion() == TimeZone::builtInDatabaseVersion();
  std::vector<std::optional<TimeZone>> loaded;
  {
    const ZoneDirectory empty("empty");
    EXPECT_EQ(TimeZone::databaseVersion(), TimeZone::builtInDatabaseVersion());
    for (const std::string& name : names) loaded.push_back(TimeZone::tryLoad(name));
    EXPECT_FALSE(TimeZone::tryLoad("Europe/Berlin", ZoneSource::System).has_value());
  }
  std::size_t compared = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::optional<std::string> data = Date::detail::builtInZoneData(names[i]);
    ASSERT_EQ(loaded[i].has_value(), data.has_value()) << names[i];
    if (sameRelease) {
      ASSERT_TRUE(data.has_value()) << names[i];
      ASSERT_EQ(data->substr(44), withoutVersion1(names[i])) << names[i];
    }
    if (!data || data->substr(44) != withoutVersion1(names[i])) continue;
    EXPECT_EQ(loaded[i]->getName(), names[i]);
    expectSameAnswers(*loaded[i], TimeZone::load(names[i], ZoneSource::System), names[i]);
    ++compared;
  }
  EXPECT_GT(compared, 300u);
}

// A name is found in the database that has it: the system's where only the
// system has it, the built-in copy's where only the copy has it, and both
// in the list of names.
TEST(BuiltInZones, NamesAreFoundWhereTheyAre) {
  const ZoneDirectory directory("some");
  std::filesystem::create_directories(directory.path / "Test");
  std::filesystem::copy_file("/usr/share/zoneinfo/Asia/Tokyo", directory.path / "Test" / "Here");
  std::ofstream(directory.path / "tzdata.zi") << "# version 2099z\n";
  const TimeZone here = TimeZone::load("Test/Here");
  EXPECT_EQ(here.getOffset(Date::Date(2026, Date::Jul, 1)).seconds, 9 * 3600);
  EXPECT_FALSE(TimeZone::tryLoad("Test/Here", ZoneSource::BuiltIn).has_value());
  const TimeZone berlin = TimeZone::load("Europe/Berlin", ZoneSource::BuiltIn);
  EXPECT_EQ(berlin.getOffset(Date::Date(2026, Date::Jul, 1)).seconds, 2 * 3600);
  EXPECT_THROW((void)TimeZone::load("Europe/Nowhere"), Date::ZoneError);

  const std::vector<std::string> names = TimeZone::availableNames();
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_TRUE(std::binary_search(names.begin(), names.end(), "Test/Here"));
  for (const std::string& name : Date::detail::builtInNames()) {
    EXPECT_TRUE(std::binary_search(names.begin(), names.end(), name)) << name;
  }
  EXPECT_EQ(TimeZone::databaseVersion(), "2099z");
}

// Every name the system's directory holds is listed, but its other forms.
TEST(BuiltInZones, TheSystemsNamesAreListed) {
  const std::vector<std::string> names = TimeZone::availableNames();
  for (const std::string& name : databaseNames()) {
    EXPECT_TRUE(std::binary_search(names.begin(), names.end(), name)) << name;
  }
  for (const std::string& name : names) {
    EXPECT_TRUE(name.rfind("right/", 0) != 0 && name.rfind("posix/", 0) != 0) << name;
    EXPECT_TRUE(TimeZone::tryLoad(name).has_value()) << name;
  }
  EXPECT_FALSE(TimeZone::builtInDatabaseVersion().empty());
}

// TZ that names a zone, with no zone files: the built-in copy's zone.
TEST(BuiltInZones, LocalZoneFallsBackToTheBuiltInCopy) {
  const ZoneDirectory empty("local");
  setenv("TZ", "Asia/Kathmandu", 1);
  const TimeZone local = TimeZone::local();
  EXPECT_EQ(local.getName(), "Asia/Kathmandu");
  EXPECT_EQ(local.toIsoString(Date::Date(2026, Date::Jan, 1)), "2026-01-01T05:45:00+05:45");
  unsetenv("TZ");
}

}  // namespace
