// How the sysfs reader resolves a path inside its root without ever leaving it: link by link, each link read
// relative to the root's descriptor and followed only while it stays inside.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "file_reads.h"
#include "sysfs_path.h"
#include "sysfs_reader.h"

namespace devlist::sysfs {

const ListedEntry* SysfsReader::KeptListingEntry(std::string_view dir, std::string_view name, bool& listed,
                                                 DirectoryHandles::Handle*& folder) const {
  folder = dirs_.Find(dir);
  const DirectoryListing* listing = folder != nullptr && folder->linkFree ? dirs_.ListingForLookup(*folder) : nullptr;
  listed = listing != nullptr;
  return listed ? listing->Find(name) : nullptr;
}

// Component by component, as the kernel would, but readlinkat is asked only of what is a link: a component
// is opened (O_PATH, not following) and its type read first. A path without links anywhere is settled by
// one open of the whole. `done` is the part resolved so far, which holds no link, so a ".." after it takes
// its last part away; `todo` the rest, its parts joined by single slashes, from `at` on.
std::optional<std::string> SysfsReader::ResolveConfined(const std::string& rel) const {
  std::string done, todo, target;
  done.reserve(rel.size() + 64);
  std::size_t at = 0;
  int links = 0;
  // The walk goes on at a link's target, before what was left of the path; from the root when the target is
  // absolute, which fails when it lies outside the root.
  const auto FollowLink = [&](std::string_view rest) {
    std::string next;
    next.reserve(target.size() + 1 + rest.size());
    if (!target.empty() && target.front() == '/') {
      const auto inside = Inside(target);
      if (!inside) return false;
      done.clear();
      AppendComponents(next, *inside);
    } else {
      AppendComponents(next, target);
    }
    AppendComponents(next, rest);
    todo.swap(next);
    at = 0;
    return true;
  };
  // Inside a directory kept under its own name and listed, the last component needs no open: it is taken
  // as it is, or, when it is a link, read there and followed from that directory.
  std::string_view dir, name;
  DirectoryHandles::Handle* handle = nullptr;
  bool listed = false;
  const ListedEntry* entry =
      SplitLast(rel, dir, name) && PlainPath(dir) ? KeptListingEntry(dir, name, listed, handle) : nullptr;
  if (listed && entry == nullptr) return std::nullopt;
  if (entry != nullptr && entry->type != DT_UNKNOWN && entry->type != DT_LNK) return rel;
  if (entry != nullptr && entry->type == DT_LNK && LinkTargetInto(handle->fd, CName(name).get(), target)) {
    ++links;
    done.assign(dir);
    if (!FollowLink({})) return std::nullopt;
  } else {
    AppendComponents(todo, rel);
  }
  while (at < todo.size()) {
    const std::string_view rest = std::string_view(todo).substr(at);
    // Fast path: the rest opens without meeting a link on the way (the last part may be one).
    if (PlainPath(rest)) {
      std::string path;
      path.reserve(done.size() + 1 + rest.size());
      path = done;
      AppendComponents(path, rest);
      // Most paths resolved are directories of devices, read next: opened so, the handle is kept for that.
      const DirectoryHandles::Handle* kept = dirs_.Find(path);
      if (kept != nullptr && kept->linkFree) return path;
      // The listing of its folder, kept and opened without following a link, tells the last part as well:
      // the devices of one hub or bridge resolved in a row are not opened until they are read.
      std::string_view above, leaf;
      DirectoryHandles::Handle* parent = nullptr;
      bool inListing = false;
      const ListedEntry* found =
          kept == nullptr && SplitLast(path, above, leaf) ? KeptListingEntry(above, leaf, inListing, parent) : nullptr;
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
        if (++links > kMaxLinks || !LinkTargetInto(fd.get(), "", target)) return std::nullopt;
        DropLast(path);
        done.swap(path);
        if (!FollowLink({})) return std::nullopt;
        continue;
      }
      if (errno != ELOOP) return std::nullopt;  // missing; ELOOP: a link before the last part
    }
    // Slow path: one component.
    std::size_t slash = todo.find('/', at);
    if (slash == std::string::npos) slash = todo.size();
    const std::string_view part = std::string_view(todo).substr(at, slash - at);
    at = slash + 1;
    if (part == ".") continue;
    if (part == "..") {
      if (!DropLast(done)) return std::nullopt;  // above the root
      continue;
    }
    AppendComponents(done, part);
    const UniqueFd fd = Open(done, O_PATH | O_NOFOLLOW, /*noSymlinks=*/true);
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) return std::nullopt;
    if (!S_ISLNK(st.st_mode)) continue;
    if (++links > kMaxLinks || !LinkTargetInto(fd.get(), "", target)) return std::nullopt;
    DropLast(done);
    if (!FollowLink(std::string_view(todo).substr(std::min(at, todo.size())))) return std::nullopt;
  }
  return done;
}

}  // namespace devlist::sysfs
