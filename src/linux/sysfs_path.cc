#include "sysfs_path.h"

namespace devlist::sysfs {

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t slash = path.find('/', pos);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > pos) parts.emplace_back(path.substr(pos, slash - pos));
    pos = slash + 1;
  }
  return parts;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

// Whether `path` has no "." or ".." part (nor an empty one), so it names what it says without a lookup.
bool Plain(std::string_view path) {
  std::size_t pos = 0;
  while (pos <= path.size() && !path.empty()) {
    std::size_t slash = path.find('/', pos);
    if (slash == std::string_view::npos) slash = path.size();
    const std::string_view part = path.substr(pos, slash - pos);
    if (part.empty() || part == "." || part == "..") return false;
    pos = slash + 1;
  }
  return true;
}

// The directory part and the last component of `rel`, when that component is a plain name.
bool SplitLast(const std::string& rel, std::string& dir, std::string& name) {
  const std::size_t slash = rel.rfind('/');
  name = slash == std::string::npos ? rel : rel.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return false;
  dir = slash == std::string::npos ? std::string() : rel.substr(0, slash);
  return true;
}

}  // namespace devlist::sysfs
