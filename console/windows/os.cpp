// The system calls of the console library, on Windows, through its C
// runtime: a descriptor here is the runtime's, as on POSIX.
#include "console/os.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "console/short_name.hpp"

namespace console::os {
namespace {

// The standard streams carry bytes, as on POSIX: text mode would put a \r
// before every \n written and take a 0x1A read for the end of input.
[[maybe_unused]] int const binary_streams = [] {
  for (int const fd : {0, 1, 2}) {
    _setmode(fd, _O_BINARY);
  }
  return 0;
}();

// The runtime reports a write to a pipe whose reader has gone as an invalid
// argument; POSIX, and the user, call it a broken pipe.
int write_error() {
  switch (_doserrno) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return EPIPE;
    default:
      return errno;
  }
}

}  // namespace

std::ptrdiff_t read(int fd, char* into, std::size_t size) {
  return _read(fd, into, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

std::ptrdiff_t write(int fd, Piece const* pieces, std::size_t count) {
  // There is no gather write: small pieces go out joined, a large one alone.
  std::array<char, 16384> joined;  // NOLINT(cppcoreguidelines-pro-type-member-init): filled before use
  std::size_t size = 0;
  for (; count > 0 && pieces->iov_len <= joined.size() - size; ++pieces, --count) {
    std::memcpy(joined.data() + size, pieces->iov_base, pieces->iov_len);
    size += pieces->iov_len;
  }
  char const* data = joined.data();
  if (size == 0 && count > 0) {
    data = static_cast<char const*>(pieces->iov_base);
    size = std::min<std::size_t>(pieces->iov_len, INT_MAX);
  }
  _doserrno = 0;
  int const written = _write(fd, data, static_cast<unsigned>(size));
  if (written < 0) {
    errno = write_error();
  }
  return written;
}

void wait_until_ready(int /*fd*/, bool /*for_writing*/) {
  // Only a pipe in no-wait mode is not ready, and it has nothing to wait on.
  Sleep(1);
}

void move_back(int fd, std::uint64_t bytes) {
  // The runtime would "move" a pipe or a console too.
  if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == FILE_TYPE_DISK) {
    _lseeki64(fd, -static_cast<long long>(bytes), SEEK_CUR);
  }
}

int close(int fd) { return _close(fd); }

char const* program_name() {
  static std::array<char, 32768> path{};  // the longest path Windows allows
  DWORD const length = GetModuleFileNameA(nullptr, path.data(), path.size() - 1);
  return short_name(path.data(), length, ".exe");
}

}  // namespace console::os
