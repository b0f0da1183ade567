// Internal: quoting of user text in error messages, shared by the parsers and
// the time-zone component. Not installed.
#ifndef NORMDATE_QUOTED_H_
#define NORMDATE_QUOTED_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace Date::detail {

// At most 64 bytes of `text`, in double quotes, with "..." after them if the
// text is longer; a byte that is not printable ASCII, a quote or a backslash
// is written as \xNN.
inline std::string quoted(std::string_view text) {
  constexpr std::size_t limit = 64;
  std::string result = "\"";
  for (const char c : text.substr(0, limit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      result += c;
    } else {
      constexpr std::string_view hex = "0123456789abcdef";
      result += "\\x";
      result += hex[byte >> 4];
      result += hex[byte & 0xF];
    }
  }
  if (text.size() > limit) result += "...";
  return result + '"';
}

}  // namespace Date::detail

#endif  // NORMDATE_QUOTED_H_
