// Bytes taken eight at a time, for the hashes of kept folders and values and the ASCII check of texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace devlist {

inline constexpr std::uint64_t kWordHashMultiplier = 0x9E3779B97F4A7C15ull;
/// Each byte's top bit of a word.
inline constexpr std::uint64_t kTopBits = 0x8080808080808080ull;

/// The eight bytes at `bytes` as one word; when fewer than eight are left (`n`), those, the rest of the word
/// zero.
inline std::uint64_t WordAt(const void* bytes, std::size_t n) {
  std::uint64_t word = 0;
  if (n >= sizeof word) {
    std::memcpy(&word, bytes, sizeof word);
    return word;
  }
  const auto* b = static_cast<const unsigned char*>(bytes);
  for (std::size_t k = 0; k < n; ++k) word |= std::uint64_t{b[k]} << (8 * k);
  return word;
}

/// Whether no byte of `text` has its top bit set, eight at a time.
inline bool IsAscii(std::string_view text) {
  std::uint64_t seen = 0;
  for (std::size_t i = 0; i < text.size(); i += sizeof seen) seen |= WordAt(text.data() + i, text.size() - i);
  return (seen & kTopBits) == 0;
}

/// A running hash with one more word in it.
inline std::uint64_t MixWord(std::uint64_t hash, std::uint64_t word) {
  hash = (hash ^ word) * kWordHashMultiplier;
  return hash ^ (hash >> 29);
}

}  // namespace devlist
