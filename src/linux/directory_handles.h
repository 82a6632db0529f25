// A few directory handles of a sysfs tree kept open between reads, so that the attributes of one device,
// read one after the other, are each opened by their own name inside a handle of the device's directory
// instead of by a path walked from the root every time. A handle asked for names more than once also keeps
// the directory's listing with the type of every entry: then a name that is not there, or is no regular
// file, costs no system call at all, and one that is costs no check of its type before it is opened.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace devlist::sysfs {

/// One entry of a directory listing: its name and its type as the listing gives it (a DT_ value).
struct ListedEntry {
  std::string name;
  unsigned char type;
};

/// Every entry of the directory freshly opened as `fd` ("." and ".." left out), sorted by name; false when
/// it cannot be listed.
bool ListDirectory(int fd, std::vector<ListedEntry>& entries);

class DirectoryHandles {
 public:
  struct Handle {
    std::string dir;
    int fd = -1;
    /// Whether `dir` was opened without following a link, so it names the directory as it is.
    bool linkFree = false;
    int lookups = 0;
    bool listed = false;
    std::vector<ListedEntry> entries;  // when `listed`
  };

  /// Keeps at most `capacity` handles (0 keeps none: every handle is closed when the next one is asked for).
  explicit DirectoryHandles(std::size_t capacity) : capacity_(capacity) {}
  DirectoryHandles(const DirectoryHandles&) = delete;
  DirectoryHandles& operator=(const DirectoryHandles&) = delete;
  ~DirectoryHandles();

  /// The handle kept for `dir`, or null; a handle found moves to the front, so the least used goes first.
  /// A handle stays where it is until it is closed, however many are found or kept meanwhile.
  Handle* Find(std::string_view dir);
  /// The kept handle of the nearest directory above `path` that was opened without following a link, and
  /// in `rest` the part of `path` below it; null when none is kept.
  Handle* NearestAbove(std::string_view path, std::string_view& rest);
  /// Keeps `fd` (owned from now on) as the handle of `dir`; the oldest is closed to make room. Null when
  /// `fd` is no descriptor.
  Handle* Keep(const std::string& dir, int fd, bool linkFree);
  /// Closes every handle.
  void Clear();

  /// The listing of a handle that was asked for names before (read now when it was not yet); null when the
  /// handle was asked only once, cannot be listed, or is not kept for another time (a capacity of 0).
  /// With `forRead` (a file in it is about to be read), read now even when asked the first time.
  const std::vector<ListedEntry>* ListingForLookup(Handle& handle, bool forRead = false) const;
  /// The listing of a handle, read now when it was not yet; null when it cannot be listed.
  static const std::vector<ListedEntry>* Listing(Handle& handle);
  /// The entry `name` of a listing, or null.
  static const ListedEntry* Entry(const std::vector<ListedEntry>& entries, std::string_view name);

 private:
  std::size_t capacity_;
  std::list<Handle> handles_;  // the most recent first
  // Each kept handle by its directory (the key is the handle's own `dir`).
  std::unordered_map<std::string_view, std::list<Handle>::iterator> byDir_;
  Handle transient_;  // with a capacity of 0, the last handle given out
};

}  // namespace devlist::sysfs
