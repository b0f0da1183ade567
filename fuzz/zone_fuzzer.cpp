// Any name bytes and any date through every function of the zone component:
// no crash, load and tryLoad agree, and conversions round-trip wherever the
// local time is unique.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/date.h>
#include <normdate/zone.h>

#include <array>
#include <cstdint>
#include <string>

#include "check.h"

namespace {

// Zones with unusual rules, used when the name bytes load nothing.
constexpr std::array<const char*, 8> kZones = {
    "Europe/Berlin", "America/Sao_Paulo", "Australia/Lord_Howe", "Asia/Kathmandu",
    "Pacific/Apia",  "America/St_Johns",  "Antarctica/Troll",    "Europe/Dublin"};

Date::TimeZone pick(FuzzedDataProvider& in, const std::string& name) {
  std::optional<Date::TimeZone> loaded = Date::TimeZone::tryLoad(name);
  bool threw = false;
  try {
    FUZZ_CHECK(Date::TimeZone::load(name).getName() == loaded.value().getName(), name);
  } catch (const Date::ZoneError&) {
    threw = true;
  } catch (const std::bad_optional_access&) {
    FUZZ_CHECK(false, "load succeeded where tryLoad failed: " << name);
  }
  FUZZ_CHECK(threw != loaded.has_value(), "load and tryLoad differ on " << name);
  if (loaded) return *loaded;
  const int choice = in.ConsumeIntegralInRange<int>(0, kZones.size() + 1);
  if (choice == kZones.size()) return Date::TimeZone::fixed(in.ConsumeIntegral<int>());
  if (choice > static_cast<int>(kZones.size())) return Date::TimeZone::utc();
  return Date::TimeZone::load(kZones[static_cast<std::size_t>(choice)]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Date::Date d(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                     in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                     in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>());
  const std::string name = in.ConsumeRandomLengthString(300);
  const Date::TimeZone zone = pick(in, name);

  const Date::ZoneOffset offset = zone.getOffset(d);
  FUZZ_CHECK(offset.seconds > -86400 && offset.seconds < 86400, offset.seconds);
  const Date::Date local = zone.toLocal(d);
  FUZZ_CHECK(zone.toIsoString(d).size() >= 25, zone.toIsoString(d));
  (void)zone.getName();
  const Date::LocalTimeInfo info = zone.lookup(d);
  FUZZ_CHECK(!(info.later < info.earlier), d);
  FUZZ_CHECK(zone.toUtc(d, Date::Disambiguation::Earlier) == info.earlier, d);
  FUZZ_CHECK(zone.toUtc(d, Date::Disambiguation::Later) == info.later, d);
  const Date::Date compatible = zone.toUtc(d);
  FUZZ_CHECK(compatible == info.earlier || compatible == info.later, d);
  FUZZ_CHECK(zone.tryToUtc(d).has_value() == (info.kind == Date::LocalTimeInfo::Unique), d);
  if (const std::optional<Date::Date> next = zone.nextTransition(d)) FUZZ_CHECK(d < *next, d);
  if (const std::optional<Date::Date> prev = zone.prevTransition(d)) FUZZ_CHECK(*prev < d, d);

  // Away from the year wrap, where both sides read the same year's rules:
  // an instant is one of the candidates of its local time, and a unique
  // local time comes back from its instant.
  if (d.getYear() >= 1 && d.getYear() <= 9998) {
    const Date::LocalTimeInfo back = zone.lookup(local);
    FUZZ_CHECK(back.kind != Date::LocalTimeInfo::Skipped, local);
    FUZZ_CHECK(back.earlier == d || back.later == d, d << " -> " << local);
    if (info.kind == Date::LocalTimeInfo::Unique) FUZZ_CHECK(zone.toLocal(info.earlier) == d, d);
  }
  return 0;
}
