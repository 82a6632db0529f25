#include "sysfs_path.h"

#include <cstring>

namespace devlist::sysfs {

void AppendComponents(std::string& out, std::string_view path) {
  std::size_t pos = 0;
  while (pos < path.size()) {
    std::size_t slash = path.find('/', pos);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > pos) {
      if (!out.empty()) out += '/';
      out.append(path.substr(pos, slash - pos));
    }
    pos = slash + 1;
  }
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  std::string path;
  path.reserve(dir.size() + 1 + name.size());
  path.append(dir);
  if (!dir.empty()) path += '/';
  path.append(name);
  return path;
}

bool DropLast(std::string& path) {
  if (path.empty()) return false;
  const std::size_t slash = path.rfind('/');
  path.resize(slash == std::string::npos ? 0 : slash);
  return true;
}

bool PlainPath(std::string_view path) {
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

bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool SplitLast(std::string_view rel, std::string_view& dir, std::string_view& name) {
  const std::size_t slash = rel.rfind('/');
  name = slash == std::string_view::npos ? rel : rel.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return false;
  dir = slash == std::string_view::npos ? std::string_view() : rel.substr(0, slash);
  return true;
}

CName::CName(std::string_view name) : text_() {
  // A longer name is no entry of any directory; the empty name is never asked of one by the reader.
  if (!name.empty() && name.size() <= NAME_MAX) std::memcpy(text_, name.data(), name.size());
}

}  // namespace devlist::sysfs
