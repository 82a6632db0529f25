// A few directory handles of a sysfs tree kept open between reads. The attributes of one device are read
// one after the other, each opened by its own name inside the kept handle of the device's directory, so the
// kernel resolves one name, not every part of the path from the root. A handle asked for names more than
// once also keeps the directory's listing with the type of every entry: then a name that is not there, or is
// no regular file, costs no system call at all, and one that is costs no check of its type before it is
// opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace devlist::sysfs {

/// One entry of a directory listing: where its name lies in the listing's text, and its type as the
/// listing gives it (a DT_ value).
struct ListedEntry {
  std::uint32_t at;
  std::uint32_t length;
  unsigned char type;
};

/// A directory's entries sorted by name, their names one after another in one text, so that a listing costs
/// two allocations however many entries it has.
struct DirectoryListing {
  std::string names;
  std::vector<ListedEntry> entries;

  // An entry's bounds were checked when it was listed.
  std::string_view Name(const ListedEntry& e) const { return std::string_view(names.data() + e.at, e.length); }
  /// The entry `name`, or null.
  const ListedEntry* Find(std::string_view name) const;
  /// Empties it, keeping its room for the next listing.
  void Clear() {
    names.clear();
    entries.clear();
  }
};

/// Room for the records one listing call hands out, kept from listing to listing.
class ListingBuffer {
 public:
  static constexpr std::size_t kSize = 32 * 1024;
  char* get();

 private:
  std::unique_ptr<char[]> bytes_;
};

/// Every entry of the directory open as `fd` ("." and ".." left out), sorted by name, however often it was
/// listed before; false when it cannot be listed.
bool ListDirectory(int fd, DirectoryListing& listing, ListingBuffer& buffer);

class DirectoryHandles {
 public:
  struct Handle {
    std::string dir;
    int fd = -1;
    /// Whether `dir` was opened without following a link, so it names the directory as it is.
    bool linkFree = false;
    int lookups = 0;
    bool listed = false;
    DirectoryListing listing;  // when `listed`
  };

  /// Keeps at most `capacity` handles (at least one).
  explicit DirectoryHandles(std::size_t capacity);
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
  Handle* Keep(std::string_view dir, int fd, bool linkFree);
  /// Closes every handle.
  void Clear();

  /// The listing of a handle that was asked for names before (read now when it was not yet); null when the
  /// handle was asked only once, or cannot be listed.
  /// With `forRead` (a file in it is about to be read), read now even when asked the first time.
  const DirectoryListing* ListingForLookup(Handle& handle, bool forRead = false);
  /// The listing of a handle, read now when it was not yet; null when it cannot be listed.
  const DirectoryListing* Listing(Handle& handle);
  /// Forgets the listing of a handle, once it is known to be out of date.
  static void Forget(Handle& handle);
  /// Room for a listing read without a kept handle.
  ListingBuffer& buffer() { return buffer_; }

 private:
  std::size_t capacity_;
  std::list<Handle> handles_;  // the most recent first
  // Each kept handle by its directory; a key is the `dir` of the handle it leads to, so it is taken out
  // before that handle is given another directory.
  std::unordered_map<std::string_view, std::list<Handle>::iterator> byDir_;
  ListingBuffer buffer_;
};

}  // namespace devlist::sysfs
