#include "executable_path.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace devlist {
namespace {

// The memory map names every mapped file by its real path, however long; /proc/self/exe stops at PATH_MAX.
// The executable's mapping is the one whose device and inode are those of the file /proc/self/exe opens.
std::string ExecutablePathFromMaps() {
  struct stat executable {};
  if (stat("/proc/self/exe", &executable) != 0) return {};
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    // address perms offset major:minor inode   path
    std::istringstream fields(line);
    std::string address, perms, offset, device;
    unsigned long long inode = 0;
    if (!(fields >> address >> perms >> offset >> device >> inode)) continue;
    unsigned major = 0, minor = 0;
    if (std::sscanf(device.c_str(), "%x:%x", &major, &minor) != 2) continue;
    if (inode != executable.st_ino || major != major(executable.st_dev) || minor != minor(executable.st_dev)) {
      continue;
    }
    const std::size_t start = line.find('/');
    if (start == std::string::npos) continue;
    // The kernel writes a newline in a name as \012.
    std::string path;
    for (std::size_t i = start; i < line.size(); ++i) {
      if (line.compare(i, 4, "\\012") == 0) {
        path += '\n';
        i += 3;
      } else {
        path += line[i];
      }
    }
    return path;
  }
  return {};
}

}  // namespace

std::string ExecutablePath() {
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) break;
    // A result that fills the buffer may have been cut: try again with room to spare.
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);
  }
  return errno == ENAMETOOLONG ? ExecutablePathFromMaps() : std::string();
}

}  // namespace devlist
