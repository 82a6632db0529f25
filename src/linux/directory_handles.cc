#include "directory_handles.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
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

constexpr std::size_t kListingBuffer = 32 * 1024;

bool ByName(const ListedEntry& a, const ListedEntry& b) { return a.name < b.name; }

}  // namespace

bool ListDirectory(int fd, std::vector<ListedEntry>& entries) {
  entries.clear();
  const std::unique_ptr<char[]> buffer(new char[kListingBuffer]);
  for (;;) {
    const long n = syscall(SYS_getdents64, fd, buffer.get(), kListingBuffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    for (long at = 0; at < n;) {
      LinuxDirent64 record;
      const std::size_t head = offsetof(LinuxDirent64, name);
      if (static_cast<std::size_t>(n - at) < head) return false;
      std::memcpy(&record, buffer.get() + at, head);
      if (record.reclen <= head || record.reclen > n - at) return false;
      const char* name = buffer.get() + at + head;
      const std::size_t length = strnlen(name, record.reclen - head);
      const std::string_view view(name, length);
      if (view != "." && view != "..") entries.push_back({std::string(view), record.type});
      at += record.reclen;
    }
  }
  std::sort(entries.begin(), entries.end(), ByName);
  return true;
}

DirectoryHandles::~DirectoryHandles() { Clear(); }

DirectoryHandles::Handle* DirectoryHandles::Find(std::string_view dir) {
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

DirectoryHandles::Handle* DirectoryHandles::Keep(const std::string& dir, int fd, bool linkFree) {
  if (fd < 0) return nullptr;
  if (capacity_ == 0) {
    if (transient_.fd >= 0) close(transient_.fd);
    transient_ = Handle{dir, fd, linkFree, 0, false, {}};
    return &transient_;
  }
  if (const auto kept = byDir_.find(dir); kept != byDir_.end()) {
    // Kept already (opened again the long way): the older descriptor goes.
    const auto handle = kept->second;
    byDir_.erase(kept);
    close(handle->fd);
    handles_.erase(handle);
  }
  if (handles_.size() >= capacity_) {
    byDir_.erase(handles_.back().dir);
    close(handles_.back().fd);
    handles_.pop_back();
  }
  handles_.push_front(Handle{dir, fd, linkFree, 0, false, {}});
  byDir_.emplace(handles_.front().dir, handles_.begin());
  return &handles_.front();
}

void DirectoryHandles::Clear() {
  byDir_.clear();
  for (const Handle& h : handles_) close(h.fd);
  handles_.clear();
  if (transient_.fd >= 0) close(transient_.fd);
  transient_ = Handle{};
}

const std::vector<ListedEntry>* DirectoryHandles::ListingForLookup(Handle& handle, bool forRead) const {
  // One name in a directory is cheaper asked of the directory itself than listed; from the second on, the
  // listing pays for itself. A file to be read costs as much either way (two listing calls, or a look
  // before the open and one at the open file), so its directory is listed at once for the names to come.
  if (capacity_ == 0 || (!handle.listed && !forRead && ++handle.lookups < 2)) return nullptr;
  return Listing(handle);
}

const std::vector<ListedEntry>* DirectoryHandles::Listing(Handle& handle) {
  if (!handle.listed) {
    if (!ListDirectory(handle.fd, handle.entries)) return nullptr;
    handle.listed = true;
  }
  return &handle.entries;
}

const ListedEntry* DirectoryHandles::Entry(const std::vector<ListedEntry>& entries, std::string_view name) {
  const auto it = std::lower_bound(entries.begin(), entries.end(), name,
                                   [](const ListedEntry& e, std::string_view n) { return e.name < n; });
  return it != entries.end() && it->name == name ? &*it : nullptr;
}

}  // namespace devlist::sysfs
