#include "checked_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <sstream>
#include <string>

namespace devlist {
namespace {

// A pipe whose ends close themselves.
struct Pipe {
  int ends[2] = {-1, -1};
  Pipe() { EXPECT_EQ(0, pipe(ends)); }
  ~Pipe() {
    for (int fd : ends) {
      if (fd >= 0) close(fd);
    }
  }
  std::string Drain() {
    close(ends[1]);
    ends[1] = -1;
    std::string data;
    char buf[4096];
    for (ssize_t n; (n = read(ends[0], buf, sizeof buf)) > 0;) data.append(buf, static_cast<std::size_t>(n));
    return data;
  }
};

// SIGPIPE ignored for the scope, so that a write to a pipe without a reader fails with EPIPE.
struct IgnoredSigpipe {
  struct sigaction previous {};
  IgnoredSigpipe() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
  }
  ~IgnoredSigpipe() { sigaction(SIGPIPE, &previous, nullptr); }
};

// Writes `size` bytes in lines through a stream that a CheckedOutput holds on `fd`; returns the status and
// what went to the error stream.
std::pair<int, std::string> WriteListing(int fd, std::size_t size, int status = 0) {
  std::ostringstream stream;  // its own buffer is replaced while the output lives
  std::ostringstream errors;
  CheckedOutput output(stream, fd);
  const std::string line(79, 'x');
  for (std::size_t written = 0; written < size; written += line.size() + 1) stream << line << '\n';
  stream << std::flush;
  return {output.Finish(status, errors), errors.str()};
}

TEST(CheckedOutput, EverythingWrittenKeepsTheStatusAndSaysNothing) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{60000}}) {
    Pipe p;
    std::ostringstream stream, errors;
    int status = -1;
    {
      CheckedOutput output(stream, p.ends[1]);
      for (std::size_t i = 0; i < size; ++i) stream << static_cast<char>('a' + i % 26);
      status = output.Finish(0, errors);
    }
    EXPECT_EQ(0, status) << size;
    EXPECT_EQ("", errors.str()) << size;
    const std::string data = p.Drain();
    ASSERT_EQ(size, data.size());
    for (std::size_t i = 0; i < size; ++i) ASSERT_EQ(static_cast<char>('a' + i % 26), data[i]) << i;
    // The stream has its own buffer again: what it writes now stays in it.
    stream << "after";
    EXPECT_EQ("after", stream.str());
  }
}

TEST(CheckedOutput, AFailedWriteIsOneLineAndStatusOne) {
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  const int readOnly = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(readOnly, 0);
  const struct {
    const char* what;
    int fd;
    std::size_t size;
    const char* reason;
  } cases[] = {
      {"full disk, one short write at the end", full, 10, "No space left on device"},
      {"full disk, many buffers", full, 1 << 20, "No space left on device"},
      {"descriptor not open for writing", readOnly, 10, "Bad file descriptor"},
      {"closed descriptor", 999, 10, "Bad file descriptor"},
  };
  for (const auto& c : cases) {
    const auto [status, message] = WriteListing(c.fd, c.size, 0);
    EXPECT_EQ(1, status) << c.what;
    EXPECT_EQ(std::string("devlist: cannot write the listing: ") + c.reason + "\n", message) << c.what;
  }
  close(full);
  close(readOnly);
}

TEST(CheckedOutput, AReaderThatClosedThePipeEndsTheRunQuietly) {
  const IgnoredSigpipe ignored;
  for (const std::size_t size : {std::size_t{10}, std::size_t{1} << 20}) {
    Pipe p;
    close(p.ends[0]);
    p.ends[0] = -1;
    const auto [status, message] = WriteListing(p.ends[1], size, 0);
    EXPECT_EQ(0, status) << size;
    EXPECT_EQ("", message) << size;
  }
}

TEST(CheckedOutput, ClosedPipeErrorsAreOnlyThePipeOnes) {
  EXPECT_TRUE(IsClosedPipeError(EPIPE));
  EXPECT_FALSE(IsClosedPipeError(0));
  EXPECT_FALSE(IsClosedPipeError(ENOSPC));
  EXPECT_FALSE(IsClosedPipeError(EIO));
  EXPECT_FALSE(IsClosedPipeError(EINVAL));  // on Linux a closed pipe is EPIPE alone
}

}  // namespace
}  // namespace devlist
