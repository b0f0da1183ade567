// -----------------------------------------------------------------------------
// File: detail/formatting.h
// -----------------------------------------------------------------------------
//
// Internal: what <normdate/fmt.h> and <normdate/format.h> share, so that fmt
// and std::format read the same specifiers and write the same text. Nothing
// here is part of normdate's interface; include one of those two headers.

#ifndef NORMDATE_DETAIL_FORMATTING_H_
#define NORMDATE_DETAIL_FORMATTING_H_

#include <normdate/date.h>
#include <normdate/detail/conversions.h>
#include <normdate/interval.h>
#include <normdate/timestamp.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace Date::detail {

// Where the specifier of a date or a timestamp ends: at the closing brace
// of its replacement field, which the specifier cannot hold.
template <class Iterator>
constexpr Iterator specifierEnd(Iterator begin, Iterator end) {
  while (begin != end && *begin != '}') ++begin;
  return begin;
}

// A date's or a timestamp's specifier, read: a string's fill, alignment
// and width, then what to write.
struct InstantSpec {
  enum class Kind : unsigned char { Default, Iso, Tokens, Conversions };

  std::array<char, 4> fill = {' '};  // one character, in UTF-8
  std::size_t fillSize = 1;
  char align = '<';
  std::size_t width = 0;
  Kind kind = Kind::Default;
  std::string_view body;        // the token format or the strftime pattern
  const char* error = nullptr;  // why the specifier cannot be read

  // Reads `[[fill]align][width]` and then an empty rest (the default
  // form), "iso", a strftime pattern (from a "%") or a token format. The
  // leading part counts as fill, alignment and width only where the rest
  // is empty, "iso" or a pattern, so that a token format reads as it always
  // has: "{:>24}" pads the default form to 24 characters, "{:>12%F}" the
  // date, while "{:<DD>}" is the token format "<DD>".
  static constexpr InstantSpec read(std::string_view text) noexcept {
    InstantSpec specifier;
    std::size_t at = 0;
    const std::size_t lead = fillLength(text);
    if (text.size() > lead && isAlign(text[lead])) {
      for (std::size_t i = 0; i < lead; ++i) specifier.fill[i] = text[i];
      specifier.fillSize = lead;
      specifier.align = text[lead];
      at = lead + 1;
    } else if (!text.empty() && isAlign(text[0])) {
      specifier.align = text[0];
      at = 1;
    }
    if (at < text.size() && text[at] >= '1' && text[at] <= '9') {
      for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        specifier.width = specifier.width * 10 + static_cast<std::size_t>(text[at] - '0');
        if (specifier.width > widthLimit)
          specifier.error = "a width beyond 2147483647 in a date's specifier";
      }
    }
    const std::string_view rest = text.substr(at);
    if (!rest.empty() && rest != "iso" && rest[0] != '%') return InstantSpec{}.withBody(text);
    if (!rest.empty() && rest[0] == '%' && invalidConversion(rest) != std::string_view::npos) {
      specifier.error = "a conversion that is not valid in a date's specifier";
    }
    return specifier.withBody(rest);
  }

  // The text of `value` for this specifier, padded to its width.
  template <class Instant>
  [[nodiscard]] std::string text(const Instant& value) const {
    std::string written = kind == Kind::Default       ? value.toString()
                          : kind == Kind::Iso         ? value.toIsoString()
                          : kind == Kind::Conversions ? value.strftime(body)
                                                      : value.toString(body);
    if (written.size() >= width) return written;
    const std::size_t pad = width - written.size();
    const std::size_t before = align == '>' ? pad : align == '^' ? pad / 2 : 0;
    std::string padded;
    padded.reserve(written.size() + pad * fillSize);
    for (std::size_t i = 0; i < before; ++i) padded.append(fill.data(), fillSize);
    padded += written;
    for (std::size_t i = before; i < pad; ++i) padded.append(fill.data(), fillSize);
    return padded;
  }

 private:
  static constexpr std::size_t widthLimit = 2147483647;  // as fmt and std::format allow

  static constexpr bool isAlign(char c) noexcept { return c == '<' || c == '^' || c == '>'; }

  // The bytes of the UTF-8 character that starts `text`, which may be a
  // fill; 0 where none can be (no text, or a brace).
  static constexpr std::size_t fillLength(std::string_view text) noexcept {
    if (text.empty() || text[0] == '{' || text[0] == '}') return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return length <= text.size() ? length : 0;
  }

  constexpr InstantSpec withBody(std::string_view rest) noexcept {
    kind = rest.empty()     ? Kind::Default
           : rest == "iso"  ? Kind::Iso
           : rest[0] == '%' ? Kind::Conversions
                            : Kind::Tokens;
    body = rest;
    return *this;
  }
};

// The formatter of a date or a timestamp for a format library whose parse
// context is `ParseContext` and whose error is `Error`.
template <class Instant, class ParseContext, class Error>
struct InstantFormatter {
  constexpr auto parse(ParseContext& context) -> decltype(context.begin()) {
    const auto end = specifierEnd(context.begin(), context.end());
    specifier = InstantSpec::read(
        std::string_view(context.begin(), static_cast<std::size_t>(end - context.begin())));
    if (specifier.error != nullptr) throw Error(specifier.error);
    return end;
  }

  template <class FormatContext>
  auto format(const Instant& value, FormatContext& context) const -> decltype(context.out()) {
    const std::string text = specifier.text(value);
    auto out = context.out();
    for (const char c : text) *out++ = c;
    return out;
  }

  InstantSpec specifier;
};

}  // namespace Date::detail

#endif  // NORMDATE_DETAIL_FORMATTING_H_
