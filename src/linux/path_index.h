// Sysfs paths to the graph's nodes: open addressing over a power-of-two table, each slot with its path's hash
// beside it. A walk up a path (the node at or above a folder) asks for every folder on the way, and nearly
// all of those are misses: each costs one hash of the path and a probe or two, with no division and no
// string made for the question.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devlist::sysfs {

class PathIndex {
 public:
  /// Makes `path` find `id`, unless it finds a node already (the first one stays).
  void Insert(std::string_view path, std::size_t id);
  std::optional<std::size_t> Find(std::string_view path) const;
  void Clear();

 private:
  struct Slot {
    std::string path;
    std::uint64_t hash = 0;
    std::size_t id = 0;
    bool used = false;
  };
  void Grow();

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace devlist::sysfs
