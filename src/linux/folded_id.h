// Instance ids compared as Windows compares them, without regard to the case of ASCII letters: the hash and
// the equality of the standard unordered containers that find devices by a view of their id.
#pragma once

#include <cstddef>
#include <string_view>

namespace devlist::model {

/// Hashes ids equal without regard to case alike (FNV-1a over the bytes, ASCII letters taken as upper case).
struct FoldedIdHash {
  std::size_t operator()(std::string_view id) const;
};

/// Whether two ids are equal without regard to the case of their ASCII letters.
struct FoldedIdEqual {
  bool operator()(std::string_view a, std::string_view b) const;
};

}  // namespace devlist::model
