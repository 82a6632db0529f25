#include "checked_output.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "platform.h"

namespace devlist {
namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

// One low-level write of at most `count` bytes: the number written, or -1 with errno set. The C runtime takes
// an unsigned int count; on Windows its text mode turns "\n" into "\r\n" here.
long long WriteSome(int fd, const char* data, std::size_t count) {
  const unsigned chunk = count > (1u << 30) ? (1u << 30) : static_cast<unsigned>(count);
  return _write(fd, data, chunk);
}

}  // namespace

FdOutputBuffer::FdOutputBuffer(int fd) : fd_(fd), buffer_(kBufferBytes) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

FdOutputBuffer::~FdOutputBuffer() { Drain(); }

bool FdOutputBuffer::Drain() {
  const char* data = pbase();
  std::size_t left = static_cast<std::size_t>(pptr() - pbase());
  while (left > 0 && error_ == 0) {
    const long long n = WriteSome(fd_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that makes no progress without saying why is as good as a failed one.
      error_ = n < 0 && errno != 0 ? errno : EIO;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return error_ == 0;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type ch) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  *pptr() = traits_type::to_char_type(ch);
  pbump(1);
  return ch;
}

std::streamsize FdOutputBuffer::xsputn(const char* data, std::streamsize count) {
  std::streamsize done = 0;
  while (done < count) {
    if (error_ != 0) return done;
    if (pptr() == epptr() && !Drain()) return done;
    const std::streamsize room = epptr() - pptr();
    const std::streamsize n = count - done < room ? count - done : room;
    std::memcpy(pptr(), data + done, static_cast<std::size_t>(n));
    pbump(static_cast<int>(n));
    done += n;
  }
  return done;
}

int FdOutputBuffer::sync() { return Drain() ? 0 : -1; }

bool IsClosedPipeError(int error) {
#ifdef _WIN32
  // The C runtime reports a pipe whose reader has gone as EPIPE, or as EINVAL when the pipe is already
  // being closed (ERROR_NO_DATA).
  return error == EPIPE || error == EINVAL;
#else
  return error == EPIPE;
#endif
}

CheckedOutput::CheckedOutput(std::ostream& stream, int fd)
    : stream_(stream), buffer_(fd), previous_(stream.rdbuf(&buffer_)) {}

CheckedOutput::~CheckedOutput() {
  stream_.flush();
  stream_.rdbuf(previous_);
}

int CheckedOutput::Finish(int status, std::ostream& errors) {
  stream_.flush();
  const int error = buffer_.error();
  if (error == 0 || IsClosedPipeError(error)) return status;
  errors << "devlist: cannot write the listing: " << std::strerror(error) << std::endl;
  return 1;
}

}  // namespace devlist
