// Read-only access to a sysfs tree, confined to its root: every file is opened relative to a descriptor of
// the root, so no link can lead outside it and nothing is checked first and opened later by another path.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "directory_handles.h"
#include "file_reads.h"

namespace devlist::sysfs {

/// The most bytes read of any one file; a longer file is cut there.
inline constexpr std::size_t kMaxFileBytes = 64 * 1024;
/// The most symlinks followed to resolve one path, as the kernel allows.
inline constexpr int kMaxLinks = 40;

/// Paths given to and returned by the reader are relative to the root ("" is the root itself), with no "."
/// or ".." parts. Nothing but regular files is ever opened for reading, and nothing but directories listed:
/// the type is known before a reading handle is opened (from the listing of the directory, or checked on a
/// handle that cannot read), and, unless a listing said so, checked again on the open file before it is read.
class SysfsReader {
 public:
  /// Test hook, run before each file, directory or link under the root is read (given the path joined to
  /// the root as given), so a test can make a device vanish between the scan and the read. The reads
  /// themselves are those of a reader without a hook: an answer the reader keeps (a directory's handle and
  /// listing, a device's uevent file, the link read last) is not read again.
  using Hook = std::function<void(const std::string& path)>;
  /// How paths are resolved: openat2(2) confined to the root (falling back on its own to the next when the
  /// kernel lacks it), or realpath(3) and a check that the result lies inside the root.
  enum class Resolution { confinedOpen, realpathCheck };

  explicit SysfsReader(const std::string& root, Hook hook = {}, Resolution resolution = Resolution::confinedOpen);

  /// False when the root cannot be opened (then every read finds nothing).
  bool Usable() const { return root_.valid(); }
  /// Whether an open failed for want of a file descriptor (the process's or the system's limit): then what
  /// the reader answered may lack files that are there, and the scan is not to be trusted.
  bool RanOutOfDescriptors() const { return outOfDescriptors_; }
  Resolution resolution() const { return resolution_; }

  /// `rel` with every symlink followed; none when it is missing, loops, or leads out of the root.
  std::optional<std::string> Resolve(const std::string& rel) const;

  /// The bytes of a regular file, at most kMaxFileBytes; none for anything else (a directory, a device
  /// node, a pipe, a file outside the root).
  std::optional<std::string> ReadFile(const std::string& rel) const;

  /// A file outside the tree (/proc/cpuinfo), by its absolute path, as ReadCappedFile reads it; an open that
  /// fails for want of a descriptor is noted as one inside the tree is.
  std::optional<std::string> ReadOutside(const std::string& path, std::size_t cap) const;

  /// The first line of an attribute, trimmed and capped at kMaxTextBytes; empty when it cannot be read.
  std::string Attr(const std::string& dir, const std::string& name) const;

  /// The value of KEY in the KEY=value lines of a device's uevent file, trimmed and capped; or empty.
  std::string Uevent(const std::string& dir, const std::string& key) const;

  /// Every entry name of a directory, sorted; empty when it is no readable directory.
  std::vector<std::string> List(const std::string& rel) const;

  bool IsDir(const std::string& rel) const;
  bool Exists(const std::string& rel) const;

  /// The last component of a symlink's target, without following it (a driver's or a module's name),
  /// printable; empty when `rel` is no link.
  std::string LinkName(const std::string& rel) const;

  /// Where the symlink `rel` leads, by the letter of its target from its directory, without following it
  /// (so two links to one driver give one path wherever they are); none when it is no link, its target is
  /// absolute or leaves the root, or its directory's path passes through a link.
  std::optional<std::string> LinkPath(const std::string& rel) const;

 private:
  UniqueFd Open(const std::string& rel, int flags, bool noSymlinks = false) const;
  UniqueFd OpenOnce(const std::string& rel, int flags, bool noSymlinks) const;
  /// Notes, from errno, an open that failed for want of a descriptor.
  void NoteFailedOpen() const;
  /// A handle of the directory `dir`, opened confined like any path and kept for the next reads; null when
  /// it is no directory that can be opened.
  DirectoryHandles::Handle* DirectoryHandle(std::string_view dir) const;
  /// Forgets the listings of the kept directory `dir` (its handle) and of its parent, once a name the
  /// listing shows is found gone.
  void ForgetListings(DirectoryHandles::Handle& handle, std::string_view dir) const;
  /// `listed`, given when the entry is to be read, is set when the type came from the directory's listing.
  unsigned char EntryType(DirectoryHandles::Handle& handle, std::string_view name, bool* listed = nullptr) const;
  /// The bytes of the regular file `name` in `dir` into `out` (its room reused); false when there is none.
  /// `rel` is the two joined when the caller has that already; a `name` that is no plain name is read by
  /// `rel` alone.
  bool ReadInto(std::string_view dir, std::string_view name, const std::string* rel, bool firstLineOnly,
                std::string& out) const;
  bool ReadPathInto(const std::string& rel, bool firstLineOnly, std::string& out) const;
  /// The target of the link `name` in a kept directory (`dir` is its path); the link read last is asked
  /// once. Valid until the next link is read.
  const std::string* ReadLinkIn(DirectoryHandles::Handle& handle, std::string_view dir, std::string_view name) const;
  bool TypeOfNonLink(const std::string& rel, unsigned char& type) const;
  std::optional<std::string> ResolveConfined(const std::string& rel) const;
  /// What the listing of `dir` says of `name` in it, when `dir` is kept under its own name, was opened
  /// without following a link, and is listed (or worth listing now): its entry, or null when it is not there.
  /// `listed` tells whether there was such a listing; `folder` is the handle found for `dir`, or null.
  const ListedEntry* KeptListingEntry(std::string_view dir, std::string_view name, bool& listed,
                                      DirectoryHandles::Handle*& folder) const;
  std::optional<std::string> Inside(const std::string& abs) const;
  std::string Abs(const std::string& rel) const;
  void RunHook(const std::string& rel) const;

  std::string rootPath_;  // absolute, without symlinks
  UniqueFd root_;
  Hook hook_;
  Resolution resolution_;
  mutable DirectoryHandles dirs_;
  mutable bool outOfDescriptors_ = false;
  // An attribute's bytes before its first line is taken.
  mutable std::string text_;
  // The uevent file read last, and the directory it is in.
  mutable std::string ueventDir_;
  mutable std::string uevent_;
  mutable bool ueventFound_ = false;
  mutable bool ueventRead_ = false;
  // The link read last and its target: a driver's link is read for its name and then for where it leads.
  mutable std::string lastLinkDir_, lastLinkName_, lastLinkTarget_;
  mutable bool lastLinkKept_ = false;
};

}  // namespace devlist::sysfs
