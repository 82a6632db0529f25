#include "directory_handles.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "word_hash.h"

namespace devlist::sysfs {
namespace {

// The record getdents64 fills, as the kernel lays it out.
struct LinuxDirent64 {
  unsigned long long ino;
  long long off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

// A handle given a new directory: what it held before is closed and forgotten, its room kept.
void Refill(DirectoryHandles::Handle& handle, std::string_view dir, int fd, bool linkFree) {
  if (handle.fd >= 0) close(handle.fd);
  handle.dir.assign(dir);
  handle.fd = fd;
  handle.linkFree = linkFree;
  DirectoryHandles::Forget(handle);
}

// The kept directories share long beginnings (devices/pci0000:00/...) and differ at their ends: their last
// bytes and their length tell them apart, at the cost of a few words whatever the length of the path.
std::uint64_t HashPath(std::string_view path) {
  std::uint64_t hash = path.size() * kWordHashMultiplier;
  constexpr std::size_t kWord = sizeof(std::uint64_t);
  const std::size_t from = path.size() >= 3 * kWord ? path.size() - 3 * kWord : 0;
  for (std::size_t i = from; i < path.size(); i += kWord) {
    hash = MixWord(hash, WordAt(path.data() + i, path.size() - i));
  }
  return hash ^ (hash >> 32);
}

}  // namespace

char* ListingBuffer::get() {
  if (!bytes_) bytes_ = std::make_unique<char[]>(kSize);
  return bytes_.get();
}

const ListedEntry* DirectoryListing::Find(std::string_view name) const {
  const auto it = std::lower_bound(entries.begin(), entries.end(), name,
                                   [this](const ListedEntry& e, std::string_view n) { return Name(e) < n; });
  return it != entries.end() && Name(*it) == name ? &*it : nullptr;
}

bool ListDirectory(int fd, DirectoryListing& listing, ListingBuffer& buffer) {
  listing.Clear();
  char* const bytes = buffer.get();
  for (;;) {
    const long n = syscall(SYS_getdents64, fd, bytes, ListingBuffer::kSize);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    for (long at = 0; at < n;) {
      LinuxDirent64 record;
      const std::size_t head = offsetof(LinuxDirent64, name);
      if (static_cast<std::size_t>(n - at) < head) return false;
      std::memcpy(&record, bytes + at, head);
      if (record.reclen <= head || record.reclen > n - at) return false;
      const char* name = bytes + at + head;
      const std::string_view view(name, strnlen(name, record.reclen - head));
      if (view != "." && view != "..") {
        if (listing.names.size() > std::numeric_limits<std::uint32_t>::max() - view.size()) return false;
        listing.entries.push_back({static_cast<std::uint32_t>(listing.names.size()),
                                   static_cast<std::uint32_t>(view.size()), record.type});
        listing.names.append(view);
      }
      at += record.reclen;
    }
  }
  std::sort(listing.entries.begin(), listing.entries.end(),
            [&listing](const ListedEntry& a, const ListedEntry& b) { return listing.Name(a) < listing.Name(b); });
  return true;
}

DirectoryHandles::DirectoryHandles(std::size_t capacity)
    : capacity_(capacity), slots_(capacity == 0 ? 0 : std::bit_ceil(2 * capacity)) {}

DirectoryHandles::~DirectoryHandles() { Clear(); }

std::size_t DirectoryHandles::Locate(std::string_view dir, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = static_cast<std::size_t>(hash) & mask;
  while (slots_[at].used && (slots_[at].hash != hash || slots_[at].handle->dir != dir)) at = (at + 1) & mask;
  return at;
}

void DirectoryHandles::Erase(std::size_t slot) {
  // Each later slot of the run moves back into the hole when the hole lies between its home and it, so
  // that every search still meets its key before a free slot.
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = slot;
  for (std::size_t at = (hole + 1) & mask; slots_[at].used; at = (at + 1) & mask) {
    const std::size_t home = static_cast<std::size_t>(slots_[at].hash) & mask;
    if (((at - home) & mask) >= ((at - hole) & mask)) {
      slots_[hole] = slots_[at];
      hole = at;
    }
  }
  slots_[hole] = Slot{};
}

void DirectoryHandles::Insert(std::uint64_t hash, std::list<Handle>::iterator handle) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = static_cast<std::size_t>(hash) & mask;
  while (slots_[at].used) at = (at + 1) & mask;
  slots_[at] = Slot{hash, handle, true};
}

DirectoryHandles::Handle* DirectoryHandles::Find(std::string_view dir) {
  // The attributes of one device come in a row: its handle is most often the one found last.
  if (handles_.empty()) return nullptr;
  if (handles_.front().dir == dir) return &handles_.front();
  const Slot& slot = slots_[Locate(dir, HashPath(dir))];
  if (!slot.used) return nullptr;
  handles_.splice(handles_.begin(), handles_, slot.handle);
  return &handles_.front();
}

DirectoryHandles::Handle* DirectoryHandles::NearestAbove(std::string_view path, std::string_view& rest) {
  for (std::size_t slash = path.rfind('/'); slash != std::string_view::npos && slash > 0;
       slash = path.rfind('/', slash - 1)) {
    Handle* above = Find(path.substr(0, slash));
    if (above == nullptr || !above->linkFree) continue;
    rest = path.substr(slash + 1);
    return above;
  }
  return nullptr;
}

DirectoryHandles::Handle* DirectoryHandles::Keep(std::string_view dir, int fd, bool linkFree) {
  if (fd < 0) return nullptr;
  if (capacity_ == 0) {
    Refill(transient_, dir, fd, linkFree);
    return &transient_;
  }
  // The handle that makes room is given the new directory, so its strings keep their room. One kept for
  // this directory already (opened again the long way) goes first: its older descriptor is closed.
  auto reused = handles_.end();
  const std::uint64_t hash = HashPath(dir);
  if (const std::size_t kept = Locate(dir, hash); slots_[kept].used) {
    reused = slots_[kept].handle;
    Erase(kept);
  } else if (handles_.size() >= capacity_) {
    reused = std::prev(handles_.end());
    Erase(Locate(reused->dir, HashPath(reused->dir)));
  }
  if (reused == handles_.end()) {
    handles_.emplace_front();
  } else {
    handles_.splice(handles_.begin(), handles_, reused);
  }
  Refill(handles_.front(), dir, fd, linkFree);
  Insert(hash, handles_.begin());
  return &handles_.front();
}

void DirectoryHandles::Clear() {
  std::fill(slots_.begin(), slots_.end(), Slot{});
  for (const Handle& h : handles_) close(h.fd);
  handles_.clear();
  if (transient_.fd >= 0) close(transient_.fd);
  transient_ = Handle{};
}

void DirectoryHandles::Forget(Handle& handle) {
  handle.lookups = 0;
  handle.listed = false;
  handle.listing.Clear();
}

const DirectoryListing* DirectoryHandles::ListingForLookup(Handle& handle, bool forRead) {
  // One name in a directory is cheaper asked of the directory itself than listed; from the second on, the
  // listing pays for itself. A file to be read costs as much either way (two listing calls, or a look
  // before the open and one at the open file), so its directory is listed at once for the names to come.
  if (capacity_ == 0 || (!handle.listed && !forRead && ++handle.lookups < 2)) return nullptr;
  return Listing(handle);
}

const DirectoryListing* DirectoryHandles::Listing(Handle& handle) {
  if (!handle.listed) {
    if (!ListDirectory(handle.fd, handle.listing, buffer_)) return nullptr;
    handle.listed = true;
  }
  return &handle.listing;
}

}  // namespace devlist::sysfs
