// Internal: time zones given as POSIX TZ rules, such as
// "CET-1CEST,M3.5.0,M10.5.0/3", read by abseil's own rule engine. Not
// installed.
#ifndef NORMDATE_ZONE_RULE_H_
#define NORMDATE_ZONE_RULE_H_

#include <absl/time/time.h>

#include <optional>
#include <string_view>

namespace Date::detail {

// The zone of a POSIX TZ rule (IEEE Std 1003.1, section 8.3, as the C
// library reads TZ), its rule applied in every year; nothing if abseil does
// not read the rule. abseil keeps each rule loaded for the life of the
// process, as it does zone files.
std::optional<absl::TimeZone> loadRule(std::string_view rule);

}  // namespace Date::detail

#endif  // NORMDATE_ZONE_RULE_H_
