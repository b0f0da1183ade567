#include "zone/zone_source.h"

#include <absl/time/internal/cctz/include/cctz/zone_info_source.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace cctz = absl::time_internal::cctz;

namespace Date::detail {

namespace {

// Zone data for abseil to read.
class InMemory final : public cctz::ZoneInfoSource {
 public:
  explicit InMemory(std::string bytes) : data(std::move(bytes)) {}

  std::size_t Read(void* into, std::size_t size) override {
    size = std::min(size, data.size() - at);
    if (size != 0) std::memcpy(into, data.data() + at, size);
    at += size;
    return size;
  }

  int Skip(std::size_t offset) override {
    if (offset > data.size() - at) return -1;
    at += offset;
    return 0;
  }

 private:
  std::string data;
  std::size_t at = 0;
};

// Zone data waiting for abseil to ask for it by name.
class Pending {
 public:
  void put(std::string name, std::string data) {
    const std::lock_guard<std::mutex> lock(mutex);
    waiting.insert_or_assign(std::move(name), std::move(data));
  }

  std::optional<std::string> take(const std::string& name) {
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = waiting.find(name);
    if (found == waiting.end()) return std::nullopt;
    std::string data = std::move(found->second);
    waiting.erase(found);
    return data;
  }

 private:
  std::mutex mutex;
  std::map<std::string, std::string> waiting;
};

Pending& pending() {
  static Pending data;
  return data;
}

// abseil's zone-info source hook: the data put for a name, else abseil's
// own source (the zone directory).
std::unique_ptr<cctz::ZoneInfoSource> supply(
    const std::string& name,
    const std::function<std::unique_ptr<cctz::ZoneInfoSource>(const std::string&)>& fallback) {
  if (std::optional<std::string> data = pending().take(name)) {
    return std::make_unique<InMemory>(*std::move(data));
  }
  return fallback(name);
}

}  // namespace

std::optional<absl::TimeZone> loadAs(const std::string& name, std::string data) {
  pending().put(name, std::move(data));
  absl::TimeZone zone;
  const bool loaded = absl::LoadTimeZone(name, &zone);
  pending().take(name);
  if (!loaded) return std::nullopt;
  return zone;
}

}  // namespace Date::detail

namespace absl {
ABSL_NAMESPACE_BEGIN
namespace time_internal::cctz_extension {

// normdate's zone-info source, which abseil calls for every zone it loads.
// It stands in for abseil's weak default, so it must be visible outside a
// shared library too.
__attribute__((visibility("default"))) ZoneInfoSourceFactory zone_info_source_factory =
    Date::detail::supply;

}  // namespace time_internal::cctz_extension
ABSL_NAMESPACE_END
}  // namespace absl
