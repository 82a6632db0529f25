#include "sysfs_reader.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

// How many directory handles a reader keeps: enough for a device, its parent and a child being read in turn,
// and for the bridges of a bus whose devices are read after all of them.
constexpr std::size_t kKeptDirectories = 64;

// No more than a quarter of the descriptors the process may open, so that a low limit still leaves room for
// the files read inside them (and never fewer than a device, its parent and a child need).
std::size_t KeptDirectories() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kKeptDirectories;
  return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur / 4), 4, kKeptDirectories);
}

}  // namespace

SysfsReader::SysfsReader(const std::string& root, Hook hook, Resolution resolution)
    : hook_(std::move(hook)), resolution_(resolution), dirs_(KeptDirectories()) {
  char buf[PATH_MAX];
  if (root.empty() || realpath(root.c_str(), buf) == nullptr) return;
  rootPath_ = buf;
  root_ = UniqueFd(open(rootPath_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!root_.valid()) NoteFailedOpen();
  if (!root_.valid() || resolution_ != Resolution::confinedOpen) return;
  // A kernel before 5.6 has no openat2 (ENOSYS), and one that does not know a flag refuses it (E2BIG or
  // EINVAL): then paths are resolved the older way, still checked to stay inside the root.
  const long probe = OpenAt2(root_.get(), ".", O_PATH, RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS);
  if (probe >= 0) {
    close(static_cast<int>(probe));
  } else if (errno == ENOSYS || errno == E2BIG || errno == EINVAL || errno == EPERM) {
    resolution_ = Resolution::realpathCheck;
  }
}

std::string SysfsReader::Abs(const std::string& rel) const {
  if (rel.empty()) return rootPath_;
  return rootPath_ == "/" ? "/" + rel : rootPath_ + "/" + rel;
}

void SysfsReader::RunHook(const std::string& rel) const {
  if (hook_) hook_(Abs(rel));
}

std::optional<std::string> SysfsReader::Inside(const std::string& abs) const {
  if (abs == rootPath_) return std::string();
  if (rootPath_ == "/") return abs.size() > 1 ? abs.substr(1) : std::string();
  if (abs.size() > rootPath_.size() + 1 && StartsWith(abs, rootPath_) && abs[rootPath_.size()] == '/') {
    return abs.substr(rootPath_.size() + 1);
  }
  return std::nullopt;
}

void SysfsReader::NoteFailedOpen() const {
  if (errno == EMFILE || errno == ENFILE) outOfDescriptors_ = true;
}

UniqueFd SysfsReader::Open(const std::string& rel, int flags, bool noSymlinks) const {
  UniqueFd fd = OpenOnce(rel, flags, noSymlinks);
  if (!fd.valid()) NoteFailedOpen();  // errno stays as the open left it, for the callers that ask
  return fd;
}

UniqueFd SysfsReader::OpenOnce(const std::string& rel, int flags, bool noSymlinks) const {
  if (!root_.valid()) return UniqueFd();
  if (resolution_ == Resolution::confinedOpen) {
    std::string_view rest;
    const DirectoryHandles::Handle* above = noSymlinks && PlainPath(rel) ? dirs_.NearestAbove(rel, rest) : nullptr;
    if (above != nullptr) {
      // Below a directory kept from before and opened without following a link, only the rest is walked:
      // beneath it and meeting no link, the walk ends where the whole path from the root leads. (`rest`
      // ends where `rel` does.)
      return UniqueFd(static_cast<int>(
          OpenAt2(above->fd, rest.data(), flags, RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS)));
    }
    const unsigned long long resolve =
        RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS | (noSymlinks ? RESOLVE_NO_SYMLINKS : 0ull);
    return UniqueFd(static_cast<int>(OpenAt2(root_.get(), rel.empty() ? "." : rel.c_str(), flags, resolve)));
  }
  // The older way: resolve, check that the result lies inside the root, open that without following links.
  std::optional<std::string> resolved;
  if ((flags & O_NOFOLLOW) != 0) {
    const auto dir = Resolve(Dir(rel));
    if (dir) resolved = JoinPath(*dir, Base(rel));
  } else {
    resolved = Resolve(rel);
  }
  if (!resolved) return UniqueFd();
  return UniqueFd(open(Abs(*resolved).c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
}

std::optional<std::string> SysfsReader::Resolve(const std::string& rel) const {
  if (!root_.valid()) return std::nullopt;
  RunHook(rel);
  if (resolution_ == Resolution::realpathCheck) {
    char buf[PATH_MAX];
    if (realpath(Abs(rel).c_str(), buf) == nullptr) return std::nullopt;
    return Inside(buf);
  }
  return ResolveConfined(rel);
}

DirectoryHandles::Handle* SysfsReader::DirectoryHandle(std::string_view dir) const {
  if (DirectoryHandles::Handle* kept = dirs_.Find(dir)) return kept;
  // What the listing of its parent, kept from before, does not show as a directory or a link is none.
  std::string_view parent, leaf;
  bool link = false;
  const DirectoryHandles::Handle* above = nullptr;
  if (SplitLast(dir, parent, leaf)) {
    above = dirs_.Find(parent);
    if (above != nullptr && above->listed) {
      const ListedEntry* entry = above->listing.Find(leaf);
      if (entry == nullptr || (entry->type != DT_DIR && entry->type != DT_LNK && entry->type != DT_UNKNOWN)) {
        return nullptr;
      }
      link = entry->type == DT_LNK;
    }
  }
  // Readable, so that it can be listed; without following links first (unless it is known to be one), so
  // that names found inside it can be taken as they are when a path is resolved.
  const std::string path(dir);
  const int flags = O_RDONLY | O_DIRECTORY | O_NONBLOCK;
  bool linkFree = !link;
  UniqueFd fd;
  if (linkFree && above != nullptr && above->linkFree && PlainPath(dir)) {
    // Inside its parent's handle, as a walk from the nearest kept folder above would start.
    fd = UniqueFd(static_cast<int>(
        OpenAt2(above->fd, CName(leaf).get(), flags, RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS)));
    if (!fd.valid()) NoteFailedOpen();
  } else {
    fd = Open(path, flags, /*noSymlinks=*/linkFree);
  }
  if (!fd.valid() && linkFree && errno == ELOOP) {
    linkFree = false;
    fd = Open(path, flags);
  }
  if (!fd.valid() && errno == EACCES) fd = Open(path, O_PATH | O_DIRECTORY);  // searchable, not listable
  return fd.valid() ? dirs_.Keep(path, fd.Release(), linkFree) : nullptr;
}

void SysfsReader::ForgetListings(DirectoryHandles::Handle& handle, std::string_view dir) const {
  DirectoryHandles::Forget(handle);
  std::string_view parent, leaf;
  if (!SplitLast(dir, parent, leaf)) return;
  if (DirectoryHandles::Handle* above = dirs_.Find(parent)) DirectoryHandles::Forget(*above);
}

// The type (a DT_ value) of `name` inside a kept directory: from its listing when it has one, else asked
// of the directory; DT_UNKNOWN when it is not there.
unsigned char SysfsReader::EntryType(DirectoryHandles::Handle& handle, std::string_view name, bool* listed) const {
  if (listed != nullptr) *listed = false;
  if (const DirectoryListing* listing = dirs_.ListingForLookup(handle, /*forRead=*/listed != nullptr)) {
    const ListedEntry* entry = listing->Find(name);
    if (entry == nullptr) return DT_UNKNOWN;
    if (listed != nullptr) *listed = entry->type != DT_UNKNOWN;
    if (entry->type != DT_UNKNOWN) return entry->type;
  }
  struct stat st {};
  if (fstatat(handle.fd, CName(name).get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
  return static_cast<unsigned char>(IFTODT(st.st_mode));
}

std::optional<std::string> SysfsReader::ReadFile(const std::string& rel) const {
  std::string data;
  if (!ReadPathInto(rel, false, data)) return std::nullopt;
  return data;
}

std::optional<std::string> SysfsReader::ReadOutside(const std::string& path, std::size_t cap) const {
  errno = 0;  // only a failed call sets it
  auto data = ReadCappedFile(path, cap);
  if (!data) NoteFailedOpen();
  return data;
}

bool SysfsReader::ReadPathInto(const std::string& rel, bool firstLineOnly, std::string& out) const {
  std::string_view dir, name;
  if (!SplitLast(rel, dir, name)) name = {};
  return ReadInto(dir, name, &rel, firstLineOnly, out);
}

bool SysfsReader::ReadInto(std::string_view dir, std::string_view name, const std::string* rel, bool firstLineOnly,
                           std::string& out) const {
  // The whole path, joined only when something asks for it.
  std::string joined;
  const auto whole = [&]() -> const std::string& {
    if (rel == nullptr) {
      joined = JoinPath(dir, name);
      rel = &joined;
    }
    return *rel;
  };
  if (hook_) RunHook(whole());
  if (resolution_ == Resolution::confinedOpen && PlainName(name)) {
    // By its name inside its directory, which was opened confined; a link is followed the long way below.
    DirectoryHandles::Handle* handle = DirectoryHandle(dir);
    if (handle == nullptr) return false;
    bool listed = false;
    const unsigned char type = EntryType(*handle, name, &listed);
    if (type != DT_LNK) {
      // Only what the directory calls a regular file is opened; opened so (no link followed, no waiting,
      // no terminal taken), what its listing calls a file is read without a second look: sysfs holds no
      // pipes or device nodes, and in another tree one swapped in since cannot make the read wait. A type
      // asked of the directory alone is checked again on the open file.
      if (type != DT_REG) return false;
      const UniqueFd f(
          openat(handle->fd, CName(name).get(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
      if (!f.valid()) {
        NoteFailedOpen();
        // What the listing shows and is gone now tells that the directory changed, or is gone itself (a
        // device removed during the scan): it and its parent are asked anew.
        if (listed && errno == ENOENT) ForgetListings(*handle, dir);
        return false;
      }
      struct stat st {};
      if (!listed && (fstat(f.get(), &st) != 0 || !S_ISREG(st.st_mode))) return false;
      ReadAllInto(f.get(), out, kMaxFileBytes, firstLineOnly, /*shortReadEnds=*/true);
      return true;
    }
  }
  // The type first, on a handle that cannot read: a pipe or a device node is never opened.
  const UniqueFd probe = Open(whole(), O_PATH);
  struct stat st {};
  if (!probe.valid() || fstat(probe.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Non-blocking and without a controlling terminal, in case the path was swapped since; then refused.
  const UniqueFd f = Open(whole(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  struct stat again {};
  if (!f.valid() || fstat(f.get(), &again) != 0 || !S_ISREG(again.st_mode) || !SameFile(st, again)) return false;
  ReadAllInto(f.get(), out, kMaxFileBytes, firstLineOnly, /*shortReadEnds=*/true);
  return true;
}

std::string SysfsReader::Attr(const std::string& dir, const std::string& name) const {
  // A name with a folder in it ("id/vendor") is read by its whole path.
  const bool found =
      PlainName(name) ? ReadInto(dir, name, nullptr, true, text_) : ReadPathInto(JoinPath(dir, name), true, text_);
  if (!found) return {};
  const std::size_t nl = text_.find('\n');
  return Trim(std::string_view(text_).substr(0, std::min(nl, kMaxTextBytes)));
}

std::string SysfsReader::Uevent(const std::string& dir, const std::string& key) const {
  // Several keys of one device are asked for in a row: its file is read once for them.
  if (!ueventRead_ || ueventDir_ != dir) {
    ueventFound_ = ReadInto(dir, "uevent", nullptr, false, uevent_);
    ueventDir_ = dir;
    ueventRead_ = true;
  }
  if (!ueventFound_) return {};
  const std::string_view data(uevent_);
  std::size_t pos = 0;
  while (pos < data.size()) {
    std::size_t nl = data.find('\n', pos);
    if (nl == std::string::npos) nl = data.size();
    const std::string_view line = data.substr(pos, nl - pos);
    if (line.size() > key.size() && line[key.size()] == '=' && StartsWith(line, key)) {
      return Trim(line.substr(key.size() + 1, kMaxTextBytes));
    }
    pos = nl + 1;
  }
  return {};
}

std::vector<std::string> SysfsReader::List(const std::string& rel) const {
  std::vector<std::string> names;
  RunHook(rel);
  DirectoryListing local;
  const DirectoryListing* listing = nullptr;
  if (resolution_ == Resolution::confinedOpen) {
    // Listed through a kept handle, so that what is then read inside the directory is found in the listing.
    DirectoryHandles::Handle* handle = DirectoryHandle(rel);
    listing = handle != nullptr ? dirs_.Listing(*handle) : nullptr;
  } else {
    // O_DIRECTORY: anything but a directory is refused before it is opened.
    const UniqueFd fd = Open(rel, O_RDONLY | O_DIRECTORY | O_NONBLOCK);
    if (fd.valid() && ListDirectory(fd.get(), local, dirs_.buffer())) listing = &local;
  }
  if (listing == nullptr) return names;
  names.reserve(listing->entries.size());
  for (const ListedEntry& e : listing->entries) names.emplace_back(listing->Name(e));
  return names;
}

// The type of `rel` itself (a DT_ value, DT_UNKNOWN when it is missing), found inside its directory's
// handle; false when that cannot say (`rel` is a link, or the reader resolves the older way), so the caller
// takes the long way.
bool SysfsReader::TypeOfNonLink(const std::string& rel, unsigned char& type) const {
  std::string_view dir, name;
  if (resolution_ != Resolution::confinedOpen || !SplitLast(rel, dir, name)) return false;
  DirectoryHandles::Handle* handle = DirectoryHandle(dir);
  type = handle != nullptr ? EntryType(*handle, name) : static_cast<unsigned char>(DT_UNKNOWN);
  return type != DT_LNK;
}

bool SysfsReader::IsDir(const std::string& rel) const {
  RunHook(rel);
  unsigned char type = DT_UNKNOWN;
  if (TypeOfNonLink(rel, type)) return type == DT_DIR;
  const UniqueFd fd = Open(rel, O_PATH);
  struct stat st {};
  return fd.valid() && fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SysfsReader::Exists(const std::string& rel) const {
  RunHook(rel);
  unsigned char type = DT_UNKNOWN;
  if (TypeOfNonLink(rel, type)) return type != DT_UNKNOWN;
  return Open(rel, O_PATH).valid();
}

const std::string* SysfsReader::ReadLinkIn(DirectoryHandles::Handle& handle, std::string_view dir,
                                           std::string_view name) const {
  // A listing that says it is no link settles it without asking.
  if (const DirectoryListing* listing = dirs_.ListingForLookup(handle)) {
    const ListedEntry* entry = listing->Find(name);
    if (entry == nullptr || (entry->type != DT_LNK && entry->type != DT_UNKNOWN)) return nullptr;
  }
  if (lastLinkKept_ && lastLinkName_ == name && lastLinkDir_ == dir) return &lastLinkTarget_;
  lastLinkKept_ = false;
  if (!LinkTargetInto(handle.fd, CName(name).get(), lastLinkTarget_)) return nullptr;
  lastLinkDir_ = dir;
  lastLinkName_ = name;
  lastLinkKept_ = true;
  return &lastLinkTarget_;
}

std::string SysfsReader::LinkName(const std::string& rel) const {
  RunHook(rel);
  std::string_view dir, name;
  if (resolution_ == Resolution::confinedOpen && SplitLast(rel, dir, name)) {
    DirectoryHandles::Handle* handle = DirectoryHandle(dir);
    if (handle == nullptr) return {};
    const std::string* target = ReadLinkIn(*handle, dir, name);
    return target != nullptr ? Printable(Base(*target)) : std::string();
  }
  const UniqueFd fd = Open(rel, O_PATH | O_NOFOLLOW);
  if (!fd.valid()) return {};
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
  const auto target = LinkTarget(fd.get());
  return target ? Printable(Base(*target)) : std::string();
}

std::optional<std::string> SysfsReader::LinkPath(const std::string& rel) const {
  RunHook(rel);
  std::string_view dir, name;
  if (resolution_ != Resolution::confinedOpen || !SplitLast(rel, dir, name) || !PlainPath(dir)) return std::nullopt;
  DirectoryHandles::Handle* handle = DirectoryHandle(dir);
  // Only in a directory opened without following a link is ".." in the target the parent it says.
  if (handle == nullptr || !handle->linkFree) return std::nullopt;
  const std::string* target = ReadLinkIn(*handle, dir, name);
  if (target == nullptr || target->empty() || target->front() == '/') return std::nullopt;
  std::string path(dir);
  const std::string_view parts(*target);
  for (std::size_t pos = 0; pos < parts.size();) {
    std::size_t slash = parts.find('/', pos);
    if (slash == std::string_view::npos) slash = parts.size();
    const std::string_view part = parts.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part != "..") {
      if (!path.empty()) path += '/';
      path.append(part);
    } else if (!DropLast(path)) {
      return std::nullopt;
    }
  }
  return path;
}

}  // namespace devlist::sysfs
