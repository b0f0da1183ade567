// The snapshot is read where it lies, in the library's read-only data: its
// names are sorted, so a name is found by binary search, and a zone's data
// is copied out only for abseil to read once.

#include "zone/builtin_zones.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace Date::detail {

// The embedded snapshot (a source the build generates).
// NOLINTNEXTLINE(modernize-avoid-c-arrays): its size is the generated source's
extern const unsigned char builtInZones[];
extern const std::size_t builtInZonesSize;

namespace {

// The snapshot's parts, found from its header; all empty where there is no
// snapshot.
class Snapshot {
 public:
  Snapshot() noexcept : bytes(reinterpret_cast<const char*>(builtInZones), builtInZonesSize) {
    if (bytes.size() < 6 || bytes.substr(0, 5) != std::string_view("NDTZ\1", 5)) return;
    std::size_t at = 5;
    const std::size_t versionLength = byte(at++);
    version = bytes.substr(at, versionLength);
    at += versionLength;
    names = number(at);
    files = number(at + 4);
    nameTable = at + 8;
    fileTable = nameTable + 8 * names;
    const std::size_t nameBytes = number(fileTable + 8 * files);
    nameArea = fileTable + 8 * files + 4;
    dataArea = nameArea + nameBytes;
  }

  std::string_view version;
  std::size_t names = 0;

  // The name of rank `i`, and its file's data.
  [[nodiscard]] std::string_view name(std::size_t i) const noexcept {
    const std::string_view rest = bytes.substr(nameArea + number(nameTable + 8 * i));
    return rest.substr(0, rest.find('\0'));
  }
  [[nodiscard]] std::string_view data(std::size_t i) const noexcept {
    const std::size_t entry = fileTable + 8 * number(nameTable + 8 * i + 4);
    return bytes.substr(dataArea + number(entry), number(entry + 4));
  }

 private:
  [[nodiscard]] std::size_t byte(std::size_t at) const noexcept {
    return static_cast<unsigned char>(bytes[at]);
  }
  // The big-endian 32-bit number at `at`.
  [[nodiscard]] std::size_t number(std::size_t at) const noexcept {
    return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
  }

  std::string_view bytes;
  std::size_t files = 0;
  std::size_t nameTable = 0;
  std::size_t fileTable = 0;
  std::size_t nameArea = 0;
  std::size_t dataArea = 0;
};

const Snapshot& snapshot() noexcept {
  static const Snapshot read;
  return read;
}

}  // namespace

std::string_view builtInVersion() noexcept { return snapshot().version; }

std::vector<std::string> builtInNames() {
  const Snapshot& s = snapshot();
  std::vector<std::string> names;
  names.reserve(s.names);
  for (std::size_t i = 0; i < s.names; ++i) names.emplace_back(s.name(i));
  return names;
}

std::optional<std::string> builtInZoneData(std::string_view name) {
  const Snapshot& s = snapshot();
  std::size_t low = 0;
  std::size_t high = s.names;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (s.name(middle) < name) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == s.names || s.name(low) != name) return std::nullopt;
  // An empty first header of the same version, for abseil to skip.
  const std::string_view data = s.data(low);
  std::string zone = "TZif";
  zone += data.substr(4, 1);
  zone.append(39, '\0');
  zone += data;
  return zone;
}

}  // namespace Date::detail
