// How the sysfs reader resolves a path inside its root without ever leaving it: link by link, each link read
// relative to the root's descriptor and followed only while it stays inside.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <string>
#include <vector>

#include "file_reads.h"
#include "sysfs_path.h"
#include "sysfs_reader.h"

namespace devlist::sysfs {

const ListedEntry* SysfsReader::KeptListingEntry(const std::string& dir, const std::string& name, bool& listed,
                                                 DirectoryHandles::Handle*& folder) const {
  folder = dirs_.Find(dir);
  const auto* listing = folder != nullptr && folder->linkFree ? dirs_.ListingForLookup(*folder) : nullptr;
  listed = listing != nullptr;
  return listed ? DirectoryHandles::Entry(*listing, name) : nullptr;
}

// Component by component, as the kernel would, but readlinkat is asked only of what is a link: a component
// is opened (O_PATH, not following) and its type read first. A path without links anywhere is settled by
// one open of the whole.
std::optional<std::string> SysfsReader::ResolveConfined(const std::string& rel) const {
  std::vector<std::string> done;
  std::deque<std::string> todo;
  int links = 0;
  // The walk goes on at a link's target, before what was left of the path; from the root when the target is
  // absolute, which fails when it lies outside the root.
  const auto FollowLink = [&](const std::string& target) {
    std::vector<std::string> parts;
    if (!target.empty() && target.front() == '/') {
      const auto inside = Inside(target);
      if (!inside) return false;
      done.clear();
      parts = Components(*inside);
    } else {
      parts = Components(target);
    }
    todo.insert(todo.begin(), parts.begin(), parts.end());
    return true;
  };
  // Inside a directory kept under its own name and listed, the last component needs no open: it is taken
  // as it is, or, when it is a link, read there and followed from that directory.
  std::string dir, name;
  DirectoryHandles::Handle* handle = nullptr;
  bool listed = false;
  const ListedEntry* entry =
      SplitLast(rel, dir, name) && Plain(dir) ? KeptListingEntry(dir, name, listed, handle) : nullptr;
  if (listed && entry == nullptr) return std::nullopt;
  if (entry != nullptr && entry->type != DT_UNKNOWN && entry->type != DT_LNK) return rel;
  std::optional<std::string> first;
  if (entry != nullptr && entry->type == DT_LNK) first = LinkTarget(handle->fd, name.c_str());
  if (first) {
    ++links;
    done = Components(dir);
    if (!FollowLink(*first)) return std::nullopt;
  } else {
    for (std::string& part : Components(rel)) todo.push_back(std::move(part));
  }
  while (!todo.empty()) {
    // Fast path: the rest opens without meeting a link on the way (the last part may be one).
    {
      std::vector<std::string> whole = done;
      bool plain = true;
      for (const std::string& part : todo) {
        if (part == "." || part == "..") plain = false;
        whole.push_back(part);
      }
      if (plain) {
        const std::string path = Joined(whole);
        // Most paths resolved are directories of devices, read next: opened so, the handle is kept for that.
        const DirectoryHandles::Handle* kept = dirs_.Find(path);
        if (kept != nullptr && kept->linkFree) return path;
        // The listing of its folder, kept and opened without following a link, tells the last part as well:
        // the devices of one hub or bridge resolved in a row are not opened until they are read.
        std::string above, leaf;
        DirectoryHandles::Handle* parent = nullptr;
        bool inListing = false;
        const ListedEntry* found = kept == nullptr && SplitLast(path, above, leaf)
                                       ? KeptListingEntry(above, leaf, inListing, parent)
                                       : nullptr;
        if (inListing && found == nullptr) return std::nullopt;
        if (found != nullptr && found->type != DT_LNK && found->type != DT_UNKNOWN) return path;
        UniqueFd dirFd = Open(path, O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_NOFOLLOW, /*noSymlinks=*/true);
        if (dirFd.valid()) {
          if (kept == nullptr) dirs_.Keep(path, dirFd.Release(), /*linkFree=*/true);
          return path;
        }
        if (errno == ENOENT) return std::nullopt;
        const UniqueFd fd = Open(path, O_PATH | O_NOFOLLOW, /*noSymlinks=*/true);
        if (fd.valid()) {
          struct stat st {};
          if (fstat(fd.get(), &st) != 0) return std::nullopt;
          if (!S_ISLNK(st.st_mode)) return path;
          if (++links > kMaxLinks) return std::nullopt;
          const auto target = LinkTarget(fd.get());
          if (!target) return std::nullopt;
          whole.pop_back();
          done = std::move(whole);
          todo.clear();
          if (!FollowLink(*target)) return std::nullopt;
          continue;
        }
        if (errno != ELOOP) return std::nullopt;  // missing; ELOOP: a link before the last part
      }
    }
    // Slow path: one component.
    const std::string part = todo.front();
    todo.pop_front();
    if (part == ".") continue;
    if (part == "..") {
      if (done.empty()) return std::nullopt;  // above the root
      done.pop_back();
      continue;
    }
    done.push_back(part);
    const UniqueFd fd = Open(Joined(done), O_PATH | O_NOFOLLOW, /*noSymlinks=*/true);
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) return std::nullopt;
    if (!S_ISLNK(st.st_mode)) continue;
    if (++links > kMaxLinks) return std::nullopt;
    const auto target = LinkTarget(fd.get());
    if (!target) return std::nullopt;
    done.pop_back();
    if (!FollowLink(*target)) return std::nullopt;
  }
  return Joined(done);
}

}  // namespace devlist::sysfs
