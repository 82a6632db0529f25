// A few directory handles of a sysfs tree kept open between reads, so that the attributes of one device,
// read one after the other, are each opened by their own name inside a handle of the device's directory
// instead of by a path walked from the root every time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace devlist::sysfs {

class DirectoryHandles {
 public:
  /// Keeps at most `capacity` handles (0 keeps none: every handle is closed when the next one is asked for).
  explicit DirectoryHandles(std::size_t capacity) : capacity_(capacity) {}
  DirectoryHandles(const DirectoryHandles&) = delete;
  DirectoryHandles& operator=(const DirectoryHandles&) = delete;
  ~DirectoryHandles();

  /// The handle kept for `dir`, or -1; a handle found moves to the front, so the least used goes first.
  int Find(const std::string& dir);
  /// Keeps `fd` (owned from now on) as the handle of `dir` and returns it; the oldest is closed to make room.
  int Keep(const std::string& dir, int fd);
  /// Closes every handle.
  void Clear();

 private:
  struct Entry {
    std::string dir;
    int fd;
  };
  std::size_t capacity_;
  std::vector<Entry> entries_;  // the most recent first
  int transient_ = -1;          // with a capacity of 0, the last handle given out
};

}  // namespace devlist::sysfs
