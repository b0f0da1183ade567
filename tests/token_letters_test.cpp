#include "core/text/token_letters.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

namespace {

namespace detail = Date::detail;

// Bit i of mask k set where byte i of `text` (at most 64 bytes) is token letter k.
detail::LetterMasks masksByBytes(std::string_view text) {
  detail::LetterMasks masks{};
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (const std::size_t slot = detail::slotOf(text[at]); slot < masks.size()) {
      masks[slot] |= std::uint64_t{1} << at;
    }
  }
  return masks;
}

// Random text of exactly `length` bytes, in its own allocation so that the
// sanitizer builds see any read past its end: token letters, their
// lowercase and uppercase neighbours, and bytes with the high bit set.
std::vector<char> randomText(std::mt19937_64& random, std::size_t length, bool letters) {
  const std::string_view others("yZmNdHSX\0\x80\xff-", 12);
  std::vector<char> text(length);
  for (char& c : text) c = others[random() % others.size()];
  if (letters && length > 0) {
    for (std::size_t n = random() % 4 + 1; n-- > 0;) {
      text[random() % length] = detail::tokenLetters[random() % detail::tokenLetters.size()];
    }
  }
  return text;
}

// Both lane searches, at every length of a block and
// past it, with letters at random positions and without any.
TEST(TokenLetters, PortableAndVectorSearchesAgreeWithAByteLoop) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 40000; ++i) {
    const std::vector<char> text =
        randomText(random, static_cast<std::size_t>(i) % 131, i % 3 != 0);
    const std::string_view all(text.data(), text.size());
    const std::string_view block = all.substr(0, 64);
    const detail::LetterMasks expected = masksByBytes(block);
    bool anyLetter = false;
    for (const char c : all) anyLetter |= detail::slotOf(c) < detail::tokenLetters.size();

    ASSERT_EQ(detail::findLetters<detail::WordLanes>(block), expected) << i;
    ASSERT_EQ(detail::hasTokenLetter<detail::WordLanes>(all), anyLetter) << i;
#if defined(__SSE2__)
    ASSERT_EQ(detail::findLetters<detail::VectorLanes>(block), expected) << i;
    ASSERT_EQ(detail::hasTokenLetter<detail::VectorLanes>(all), anyLetter) << i;
#endif
  }
}

}  // namespace
