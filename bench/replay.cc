// Makes the file system calls of one devlist run again, in the same order, with nothing else around them:
// what the kernel alone costs for what the program asks of it. The calls come from bench/trace_ops.py.
//
//   replay OPS_FILE
//
// Prints "CALLS USER SYS DIVERGED": the calls made, the user and system CPU seconds of making them (reading
// the list not counted), and how many of them failed where the traced one succeeded or the other way round
// (0 when the tree is the one traced).
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Call {
  char kind;
  int fd, result;
  long long a, b;
  std::string path;
};

std::string FromHex(const std::string& hex) {
  std::string bytes;
  if (hex == "-") return bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// Far more descriptors than a run holds at once (it keeps a bounded number of folders open); a call on one
// beyond is made on no descriptor, fails, and counts as diverged.
constexpr int kMaxFd = 1 << 16;

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: replay OPS_FILE\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  std::vector<Call> calls;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Call call{};
    std::string hex;
    if (fields >> call.kind >> call.fd >> call.result >> call.a >> call.b >> hex) {
      call.path = FromHex(hex);
      calls.push_back(std::move(call));
    }
  }
  // Descriptors are numbered as the traced run numbered them; each is mapped to the one this run got.
  std::vector<int> fds(kMaxFd, -1);
  auto known = [](int fd) { return fd >= 0 && fd < kMaxFd; };
  auto mapped = [&](int fd) { return fd == AT_FDCWD ? AT_FDCWD : (known(fd) ? fds[fd] : -1); };
  std::vector<char> buffer(1 << 16);
  struct stat st {};
  std::size_t diverged = 0;

  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  for (const Call& c : calls) {
    const int fd = mapped(c.fd);
    const auto count = static_cast<std::size_t>(c.a) < buffer.size() ? static_cast<std::size_t>(c.a) : buffer.size();
    long r = -1;
    switch (c.kind) {
      case 'o':
        if (c.b < 0) {
          r = openat(fd, c.path.c_str(), static_cast<int>(c.a));
        } else {
          open_how how{};
          how.flags = static_cast<unsigned long long>(c.a);
          how.resolve = static_cast<unsigned long long>(c.b);
          r = syscall(SYS_openat2, fd, c.path.c_str(), &how, sizeof how);
        }
        if (known(c.result)) fds[c.result] = static_cast<int>(r);
        break;
      case 'r': r = read(fd, buffer.data(), count); break;
      case 'p': r = pread(fd, buffer.data(), count, c.b); break;
      case 'g': r = syscall(SYS_getdents64, fd, buffer.data(), count); break;
      case 'l': r = readlinkat(fd, c.path.c_str(), buffer.data(), count); break;
      case 's': r = fstatat(fd, c.path.c_str(), &st, static_cast<int>(c.a)); break;
      case 'c': r = close(fd); break;
      default: continue;
    }
    if ((r < 0) != (c.result < 0)) ++diverged;
  }
  getrusage(RUSAGE_SELF, &after);
  std::printf("%zu %.3f %.3f %zu\n", calls.size(), Seconds(after.ru_utime) - Seconds(before.ru_utime),
              Seconds(after.ru_stime) - Seconds(before.ru_stime), diverged);
  return 0;
}
