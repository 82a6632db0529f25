#include "directory_handles.h"

#include <unistd.h>

#include <utility>

namespace devlist::sysfs {

DirectoryHandles::~DirectoryHandles() { Clear(); }

int DirectoryHandles::Find(const std::string& dir) {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].dir != dir) continue;
    if (i != 0) {
      Entry found = std::move(entries_[i]);
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
      entries_.insert(entries_.begin(), std::move(found));
    }
    return entries_.front().fd;
  }
  return -1;
}

int DirectoryHandles::Keep(const std::string& dir, int fd) {
  if (fd < 0) return -1;
  if (capacity_ == 0) {
    if (transient_ >= 0) close(transient_);
    transient_ = fd;
    return fd;
  }
  if (entries_.size() >= capacity_) {
    close(entries_.back().fd);
    entries_.pop_back();
  }
  entries_.insert(entries_.begin(), Entry{dir, fd});
  return fd;
}

void DirectoryHandles::Clear() {
  for (const Entry& e : entries_) close(e.fd);
  entries_.clear();
  if (transient_ >= 0) close(transient_);
  transient_ = -1;
}

}  // namespace devlist::sysfs
