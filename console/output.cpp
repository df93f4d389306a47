#include <poll.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "console/console.hpp"

namespace console {

void Writer::print(char const* format, ...) {
  std::va_list args;
  va_start(args, format);
  vprint(format, args);
  va_end(args);
}

void Writer::vprint(char const* format, std::va_list args) {
  std::va_list again;
  va_copy(again, args);
  std::size_t const room = buffer_.size() - used_;
  // The analyzer takes a va_list parameter for an uninitialised one.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  int const length = std::vsnprintf(buffer_.data() + used_, room, format, args);
  if (length < 0) {
    va_end(again);
    fail_write(EINVAL);
  }
  auto const size = static_cast<std::size_t>(length);
  if (size < room) {  // vsnprintf needs room for its terminating NUL too
    used_ += size;
  } else if (size < buffer_.size()) {
    flush();
    used_ = static_cast<std::size_t>(std::vsnprintf(buffer_.data(), buffer_.size(), format, again));
  } else {  // larger than the whole buffer: format it apart and write it straight out
    flush();
    char* text = nullptr;
    if (vasprintf(&text, format, again) < 0) {
      fail_write(ENOMEM);
    }
    iovec piece{text, size};
    write_all(fd_, &piece, 1);
    std::free(text);  // NOLINT(cppcoreguidelines-no-malloc): vasprintf allocates with malloc
  }
  va_end(again);
}

void Writer::flush() {
  iovec piece{buffer_.data(), used_};
  write_all(fd_, &piece, 1);
  used_ = 0;
}

void write_all(int fd, iovec* pieces, std::size_t count) {
  constexpr std::size_t most_per_call = 1024;  // IOV_MAX on Linux
  for (;;) {
    for (; count > 0 && pieces->iov_len == 0; ++pieces, --count) {
    }
    if (count == 0) {
      return;
    }
    ssize_t const written = ::writev(fd, pieces, static_cast<int>(std::min(count, most_per_call)));
    if (written < 0) {
      if (errno == EAGAIN) {
        wait_until_ready(fd, POLLOUT);
      } else if (errno != EINTR) {
        fail_write(errno);
      }
      continue;
    }
    // Step past what went out; a short write leaves the rest of a piece.
    auto done = static_cast<std::size_t>(written);
    for (; count > 0 && done >= pieces->iov_len; ++pieces, --count) {
      done -= pieces->iov_len;
    }
    if (count > 0) {
      pieces->iov_base = static_cast<char*>(pieces->iov_base) + done;
      pieces->iov_len -= done;
    }
  }
}

void wait_until_ready(int fd, short events) {
  pollfd watch{fd, events, 0};
  // Any outcome but an interruption ends the wait: the call made next tells
  // whether the descriptor is ready or has failed.
  while (::poll(&watch, 1, -1) < 0 && errno == EINTR) {
  }
}

}  // namespace console
