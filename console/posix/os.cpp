// The system calls of the console library, on POSIX systems, WASI included.
#include "console/os.hpp"

#include <poll.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace console::os {

std::ptrdiff_t read(int fd, char* into, std::size_t size) { return ::read(fd, into, size); }

std::ptrdiff_t write(int fd, Piece const* pieces, std::size_t count) {
  constexpr std::size_t most_per_call = 1024;  // IOV_MAX on Linux
  return ::writev(fd, pieces, static_cast<int>(std::min(count, most_per_call)));
}

void wait_until_ready(int fd, bool for_writing) {
  pollfd watch{fd, static_cast<short>(for_writing ? POLLOUT : POLLIN), 0};
  while (::poll(&watch, 1, -1) < 0 && errno == EINTR) {
  }
}

void move_back(int fd, std::uint64_t bytes) {
  // Fails harmlessly on a pipe or terminal.
  static_cast<void>(::lseek(fd, -static_cast<off_t>(bytes), SEEK_CUR));
}

int close(int fd) { return ::close(fd); }

}  // namespace console::os
