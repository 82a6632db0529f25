#include "file_reads.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

// openat2 answers EAGAIN when a rename raced the confined lookup; a few more tries settle it.
constexpr int kOpenAttempts = 8;

}  // namespace

long OpenAt2(int dirFd, const char* path, int flags, unsigned long long resolve) {
  open_how how{};
  how.flags = static_cast<unsigned long long>(flags | O_CLOEXEC);
  how.resolve = resolve;
  long fd = -1;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    fd = syscall(SYS_openat2, dirFd, path, &how, sizeof how);
    if (fd >= 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  return fd;
}

// A one-line attribute takes one read.
std::string ReadAll(int fd, std::size_t cap, bool firstLineOnly, bool shortReadEnds) {
  std::string data;
  ReadAllInto(fd, data, cap, firstLineOnly, shortReadEnds);
  return data;
}

void ReadAllInto(int fd, std::string& data, std::size_t cap, bool firstLineOnly, bool shortReadEnds) {
  data.clear();
  char buf[4096];
  while (data.size() < cap) {
    const std::size_t want = std::min(sizeof buf, cap - data.size());
    const ssize_t n = read(fd, buf, want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(buf, static_cast<std::size_t>(n));
    if (firstLineOnly && (data.size() >= kMaxTextBytes || std::memchr(buf, '\n', static_cast<std::size_t>(n)))) break;
    if (shortReadEnds && static_cast<std::size_t>(n) < want) break;
  }
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }


UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) close(fd_);
}

int UniqueFd::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

std::optional<std::string> ReadCappedFile(const std::string& path, std::size_t cap) {
  const UniqueFd probe(open(path.c_str(), O_PATH | O_CLOEXEC));
  struct stat st {};
  if (!probe.valid() || fstat(probe.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const UniqueFd f(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat again {};
  if (!f.valid() || fstat(f.get(), &again) != 0 || !S_ISREG(again.st_mode) || !SameFile(st, again)) {
    return std::nullopt;
  }
  return ReadAll(f.get(), cap);
}

std::optional<std::string> LinkTarget(int dirFd, const char* name) {
  std::string target;
  if (!LinkTargetInto(dirFd, name, target)) return std::nullopt;
  return target;
}

bool LinkTargetInto(int dirFd, const char* name, std::string& target) {
  char buf[PATH_MAX];
  const ssize_t n = readlinkat(dirFd, name, buf, sizeof buf);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return false;
  target.assign(buf, static_cast<std::size_t>(n));
  return true;
}


}  // namespace devlist::sysfs
