// Standard output that remembers whether the listing reached it: the first failed write is kept and reported
// once, at the end, as one line on standard error and the exit status 1.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <streambuf>
#include <vector>

namespace devlist {

/// A stream buffer over a file descriptor. It writes through the C runtime's low-level call, so the
/// descriptor's mode (text or binary on Windows) applies as it does to the standard stream. After the first
/// failed write it keeps that error and drops the rest of the output.
class FdOutputBuffer : public std::streambuf {
 public:
  explicit FdOutputBuffer(int fd);
  FdOutputBuffer(const FdOutputBuffer&) = delete;
  FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;
  ~FdOutputBuffer() override;

  /// The errno of the first write that failed; 0 while every write succeeded.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* data, std::streamsize count) override;
  int sync() override;

 private:
  bool Drain();

  int fd_;
  int error_ = 0;
  std::vector<char> buffer_;
};

/// Whether a write error only means that the reader went away (`devlist | head -1`): then the run ends
/// quietly, as it would have by SIGPIPE.
bool IsClosedPipeError(int error);

/// While it lives, `stream` (std::cout in the tool) writes to `fd` through an FdOutputBuffer; the stream's
/// own buffer comes back when it ends.
class CheckedOutput {
 public:
  CheckedOutput(std::ostream& stream, int fd);
  CheckedOutput(const CheckedOutput&) = delete;
  CheckedOutput& operator=(const CheckedOutput&) = delete;
  ~CheckedOutput();

  /// Flushes what is left. Returns `status` when everything was written or the reader closed the pipe;
  /// otherwise writes "devlist: cannot write the listing: <reason>" as one line to `errors` and returns 1.
  int Finish(int status, std::ostream& errors);

 private:
  std::ostream& stream_;
  FdOutputBuffer buffer_;
  std::streambuf* previous_;
};

}  // namespace devlist
