// Internal: where the letters that can start a token stand in format text,
// as bit masks. Sixteen bytes are compared at a time with SSE2 where the
// target has it, eight at a time in portable code elsewhere. Not installed.
#ifndef NORMDATE_TOKEN_LETTERS_H_
#define NORMDATE_TOKEN_LETTERS_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Date::detail {

// The letters that can start a token, in the order of their masks.
inline constexpr std::array<char, 6> tokenLetters = {'Y', 'M', 'D', 'h', 'm', 's'};

// The index of `letter` in tokenLetters, or tokenLetters.size() for a byte
// that starts no token.
constexpr std::size_t slotOf(char letter) noexcept {
  std::size_t slot = 0;
  while (slot < tokenLetters.size() && tokenLetters[slot] != letter) ++slot;
  return slot;
}

// One mask per token letter: bit i is set when byte i is that letter.
using LetterMasks = std::array<std::uint64_t, tokenLetters.size()>;

// 0x80 in exactly the bytes of `bytes` that equal `letter`.
constexpr std::uint64_t highBitsWhereEqual(std::uint64_t bytes, char letter) noexcept {
  constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
  const std::uint64_t x = bytes ^ (0x0101010101010101 * static_cast<unsigned char>(letter));
  return ~(((x & low7) + low7) | x | low7);
}

// Bit i set where byte i of `bytes` equals `letter`.
constexpr std::uint64_t bytesEqualTo(std::uint64_t bytes, char letter) noexcept {
  // Bit 7 of byte i is gathered into bit 56 + i by one multiplication.
  return ((highBitsWhereEqual(bytes, letter) >> 7) * 0x0102040810204080) >> 56;
}

// The `count` bytes at `at` (all eight when count >= 8, none when count <= 0)
// as a little-endian word, zeros above them. Overlapping loads read a short
// tail without a byte loop and without reading past its end.
inline std::uint64_t loadWord(const char* at, std::ptrdiff_t count) noexcept {
  const auto load = [at](std::size_t offset, auto word) {
    std::memcpy(&word, at + offset, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
      decltype(word) swapped = 0;
      for (std::size_t i = 0; i < sizeof word; ++i) swapped = swapped << 8 | (word >> 8 * i & 0xFF);
      word = swapped;
    }
    return std::uint64_t{word};
  };
  if (count >= 8) return load(0, std::uint64_t{});
  if (count >= 4) {
    const auto n = static_cast<std::size_t>(count);  // the two halves overlap by 8 - n bytes
    return load(0, std::uint32_t{}) | load(n - 4, std::uint32_t{}) << 8 * (n - 4);
  }
  if (count <= 0) return 0;
  const auto n = static_cast<std::size_t>(count);  // first, middle and last byte
  const auto byte = [at](std::size_t i) {
    return std::uint64_t{static_cast<unsigned char>(at[i])} << 8 * i;
  };
  return byte(0) | byte(n / 2) | byte(n - 1);
}

// Byte comparison eight bytes at a time, in a general-purpose register.
struct WordLanes {
  static constexpr std::ptrdiff_t width = 8;
  using Chunk = std::uint64_t;
  // The `count` bytes at `at`, at most `width` of them.
  static Chunk load(const char* at, std::ptrdiff_t count) noexcept { return loadWord(at, count); }
  // Bit i set where byte i of `chunk` is `letter`.
  static std::uint64_t equal(Chunk chunk, char letter) noexcept {
    return bytesEqualTo(chunk, letter);
  }
  // The `count` bytes at `at`, at most `width`, in any lanes, some perhaps
  // twice, the other lanes zero: enough to ask whether a letter is there.
  static Chunk loadUnordered(const char* at, std::ptrdiff_t count) noexcept {
    return loadWord(at, count);
  }
  // True when a byte of `chunk` is a token letter.
  static bool holdsTokenLetter(Chunk chunk) noexcept {
    std::uint64_t found = 0;
    for (const char letter : tokenLetters) found |= highBitsWhereEqual(chunk, letter);
    return found != 0;
  }
};

#if defined(__SSE2__)
// Byte comparison sixteen bytes at a time, in a vector register.
struct VectorLanes {
  static constexpr std::ptrdiff_t width = 16;
  using Chunk = __m128i;
  static Chunk load(const char* at, std::ptrdiff_t count) noexcept {
    if (count >= width) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    if (count < 8) return _mm_cvtsi64_si128(static_cast<long long>(loadWord(at, count)));
    // Bytes 8 to count - 1 from the eight that end the text, shifted down
    // by 16 - count bytes in two steps (a shift by 64 would be undefined).
    const auto shift = static_cast<unsigned>(8 * (15 - count));
    const std::uint64_t high = loadWord(at + count - 8, 8) >> shift >> 8;
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(loadWord(at, 8)));
  }
  static std::uint64_t equal(Chunk chunk, char letter) noexcept {
    const __m128i same = _mm_cmpeq_epi8(chunk, _mm_set1_epi8(letter));
    return static_cast<std::uint16_t>(_mm_movemask_epi8(same));
  }
  // Eight bytes or more as two overlapping halves, loaded straight into the
  // vector; fewer through a general-purpose register.
  static Chunk loadUnordered(const char* at, std::ptrdiff_t count) noexcept {
    if (count < 8) return _mm_cvtsi64_si128(static_cast<long long>(loadWord(at, count)));
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + count - 8)));
  }
  static bool holdsTokenLetter(Chunk chunk) noexcept {
    __m128i found = _mm_setzero_si128();
    for (const char letter : tokenLetters) {
      found = _mm_or_si128(found, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(letter)));
    }
    return _mm_movemask_epi8(found) != 0;
  }
};
using NativeLanes = VectorLanes;
#else
using NativeLanes = WordLanes;
#endif

// The masks of all token letters in `text`, at most 64 bytes. Inlined: a
// caller that copies the masks returned through memory would load them in
// wider words than they were stored in, which stalls.
//
// A short last chunk of a text of a chunk or more is loaded as the whole
// chunk that ends with the text, and its bits moved down to the bytes not
// yet seen: one load, without the branches of a partial one.
template <class Lanes = NativeLanes>
[[gnu::always_inline]] inline LetterMasks findLetters(std::string_view text) noexcept {
  LetterMasks masks{};
  const auto add = [&masks](typename Lanes::Chunk chunk, std::ptrdiff_t seen, std::ptrdiff_t at) {
    for (std::size_t slot = 0; slot < masks.size(); ++slot) {
      masks[slot] |= Lanes::equal(chunk, tokenLetters[slot]) >> seen << at;
    }
  };
  const auto size = static_cast<std::ptrdiff_t>(text.size());
  std::ptrdiff_t at = 0;
  for (; size - at >= Lanes::width; at += Lanes::width) {
    add(Lanes::load(text.data() + at, Lanes::width), 0, at);
  }
  if (at == size) return masks;
  if (size < Lanes::width) {
    add(Lanes::load(text.data(), size), 0, 0);
  } else {
    const std::ptrdiff_t from = size - Lanes::width;
    add(Lanes::load(text.data() + from, Lanes::width), at - from, at);
  }
  return masks;
}

// True when `text`, at least a chunk long, holds a token letter. Its last
// chunk overlaps the one before it rather than being loaded in parts.
template <class Lanes>
[[gnu::noinline]] bool longTextHasTokenLetter(std::string_view text) noexcept {
  const auto size = static_cast<std::ptrdiff_t>(text.size());
  for (std::ptrdiff_t at = 0; at < size - Lanes::width; at += Lanes::width) {
    if (Lanes::holdsTokenLetter(Lanes::load(text.data() + at, Lanes::width))) return true;
  }
  return Lanes::holdsTokenLetter(Lanes::load(text.data() + size - Lanes::width, Lanes::width));
}

// True when `text`, of any length, holds a token letter. A text shorter than
// a chunk is tested inline, without a call.
template <class Lanes = NativeLanes>
[[gnu::always_inline]] inline bool hasTokenLetter(std::string_view text) noexcept {
  const auto size = static_cast<std::ptrdiff_t>(text.size());
  if (size < Lanes::width) return Lanes::holdsTokenLetter(Lanes::loadUnordered(text.data(), size));
  return longTextHasTokenLetter<Lanes>(text);
}

}  // namespace Date::detail

#endif  // NORMDATE_TOKEN_LETTERS_H_
