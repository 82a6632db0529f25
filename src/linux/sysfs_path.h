// Paths inside a sysfs tree as text: their parts, and whether they name what they say without a lookup.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace devlist::sysfs {

/// The non-empty parts of `path` between its slashes.
std::vector<std::string> Components(std::string_view path);

/// `parts` joined by slashes.
std::string Joined(const std::vector<std::string>& parts);

/// Whether `path` has no "." or ".." part (nor an empty one), so it names what it says without a lookup.
bool Plain(std::string_view path);

/// The directory part and the last component of `rel`, when that component is a plain name.
bool SplitLast(const std::string& rel, std::string& dir, std::string& name);

}  // namespace devlist::sysfs
