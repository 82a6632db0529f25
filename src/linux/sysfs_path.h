// Paths inside a sysfs tree as text: their parts, and whether they name what they say without a lookup.
#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

namespace devlist::sysfs {

/// Appends the non-empty parts of `path` to `out`, joined by slashes (and by one to what `out` holds).
void AppendComponents(std::string& out, std::string_view path);

/// `dir` and `name` joined by a slash (`name` alone when `dir` is the root).
std::string JoinPath(std::string_view dir, std::string_view name);

/// Removes the last part of `path` and the slash before it; false when `path` is empty.
bool DropLast(std::string& path);

/// Whether `path` has no "." or ".." part (nor an empty one), so it names what it says without a lookup.
bool PlainPath(std::string_view path);

/// Whether `name` is one plain part: not empty, no slash, neither "." nor "..".
bool PlainName(std::string_view name);

/// The directory part and the last component of `rel` (views of it), when that component is a plain name.
bool SplitLast(std::string_view rel, std::string_view& dir, std::string_view& name);

/// A name copied with the NUL a system call wants after it; empty when it is longer than a name can be.
class CName {
 public:
  explicit CName(std::string_view name);
  const char* get() const { return text_; }

 private:
  char text_[NAME_MAX + 1];
};

}  // namespace devlist::sysfs
