#include "directory_handles.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

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
  // From the first entry, also when the descriptor was listed before (a listing forgotten as out of date).
  if (lseek(fd, 0, SEEK_SET) != 0) return false;
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

DirectoryHandles::DirectoryHandles(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

DirectoryHandles::~DirectoryHandles() { Clear(); }

DirectoryHandles::Handle* DirectoryHandles::Find(std::string_view dir) {
  // The attributes of one device come in a row: its handle is most often the one found last.
  if (handles_.empty()) return nullptr;
  if (handles_.front().dir == dir) return &handles_.front();
  const auto found = byDir_.find(dir);
  if (found == byDir_.end()) return nullptr;
  handles_.splice(handles_.begin(), handles_, found->second);
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
  // The handle that makes room is given the new directory, so its strings keep their room. One kept for
  // this directory already (opened again the long way) goes first: its older descriptor is closed.
  auto reused = handles_.end();
  if (const auto kept = byDir_.find(dir); kept != byDir_.end()) {
    reused = kept->second;
  } else if (handles_.size() >= capacity_) {
    reused = std::prev(handles_.end());
  }
  if (reused == handles_.end()) {
    handles_.emplace_front();
  } else {
    byDir_.erase(reused->dir);
    handles_.splice(handles_.begin(), handles_, reused);
  }
  Refill(handles_.front(), dir, fd, linkFree);
  byDir_.emplace(handles_.front().dir, handles_.begin());
  return &handles_.front();
}

void DirectoryHandles::Clear() {
  byDir_.clear();
  for (const Handle& h : handles_) close(h.fd);
  handles_.clear();
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
  if (!handle.listed && !forRead && ++handle.lookups < 2) return nullptr;
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
