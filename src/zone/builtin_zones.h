// Internal: the zone database built into the library, read from the
// snapshot src/zone/tzdata/tzdata.bin that the build embeds (its format is
// described by make_snapshot.py beside it). Empty where the library was
// built without it. Not installed.
#ifndef NORMDATE_ZONE_BUILTIN_ZONES_H_
#define NORMDATE_ZONE_BUILTIN_ZONES_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Date::detail {

// The IANA version of the built-in database, such as "2025b"; empty where
// there is none.
std::string_view builtInVersion() noexcept;

// The names of its zones and links, sorted by their bytes.
std::vector<std::string> builtInNames();

// The TZif data of the zone called `name`, as the zone directory it was
// taken from held it but for the 32-bit block of version 1, which is left
// empty; nothing where the database has no such name.
std::optional<std::string> builtInZoneData(std::string_view name);

}  // namespace Date::detail

#endif  // NORMDATE_ZONE_BUILTIN_ZONES_H_
