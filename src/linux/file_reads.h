// Descriptors that close themselves, and the bounded reads of regular files the sysfs reader is made of.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>

namespace devlist::sysfs {

/// A file descriptor that closes itself.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release();

 private:
  int fd_ = -1;
};

/// openat2(2) with `resolve`, retried when a rename raced the lookup; the descriptor, or -1 with errno set.
long OpenAt2(int dirFd, const char* path, int flags, unsigned long long resolve);

/// The bytes of an open file, at most `cap`; with `firstLineOnly`, reading stops once the first line (or
/// what an attribute keeps of it) has come; with `shortReadEnds`, once a read returns less than it asked
/// for, as a regular file's does only at its end (not so /proc, which hands out a page at a time).
std::string ReadAll(int fd, std::size_t cap, bool firstLineOnly = false, bool shortReadEnds = false);
/// The same into `data` (emptied first), so that its room serves read after read.
void ReadAllInto(int fd, std::string& data, std::size_t cap, bool firstLineOnly = false, bool shortReadEnds = false);

/// Whether two stats are of one file.
bool SameFile(const struct stat& a, const struct stat& b);

/// A file outside any tree (/proc/cpuinfo), opened only when it is a regular file, at most `cap` bytes.
std::optional<std::string> ReadCappedFile(const std::string& path, std::size_t cap);

/// The target of the symlink `name` in the directory `dirFd`, or, with the empty name, of the symlink an
/// O_PATH|O_NOFOLLOW handle refers to; none when it is no link or its target does not fit a path.
std::optional<std::string> LinkTarget(int dirFd, const char* name = "");
/// The same into `target`; false (and `target` as it was) when there is none.
bool LinkTargetInto(int dirFd, const char* name, std::string& target);

}  // namespace devlist::sysfs
