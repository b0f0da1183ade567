// Internal: zone data handed to abseil from memory, through abseil's
// zone-info source hook, which this library defines: the zones made of
// POSIX rules and the database built into the library. abseil reads the
// data as it reads a zone file; every other name goes to abseil's own
// source, the zone directory. Not installed.
#ifndef NORMDATE_ZONE_ZONE_SOURCE_H_
#define NORMDATE_ZONE_ZONE_SOURCE_H_

#include <absl/time/time.h>

#include <optional>
#include <string>

namespace Date::detail {

// Has abseil load `data`, TZif data (RFC 8536), as the zone called `name`.
// Asked again for a name it has loaded, abseil gives that zone without
// reading the data: it keeps each for the life of the process.
std::optional<absl::TimeZone> loadAs(const std::string& name, std::string data);

}  // namespace Date::detail

#endif  // NORMDATE_ZONE_ZONE_SOURCE_H_
