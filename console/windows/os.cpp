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

// What POSIX calls the system's reason for a failed write. The C runtime's
// own mapping calls a pipe whose reader has gone an invalid argument.
int write_error(DWORD error) {
  switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_HANDLE:
    case ERROR_ACCESS_DENIED:
      return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_QUOTA:
      return ENOMEM;
    default:
      return EIO;
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
  // WriteFile itself, not the runtime's _write: Wine's _write fails a write
  // that went out in part (as one does when the reader leaves during it)
  // without saying how much went out, or why.
  auto* const handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    errno = EBADF;
    return -1;
  }
  DWORD written = 0;
  if (WriteFile(handle, data, static_cast<DWORD>(size), &written, nullptr) == 0) {
    errno = write_error(GetLastError());
    return -1;
  }
  if (written == 0) {
    // Nothing taken without a failure: a pipe in no-wait mode that is full,
    // or a disk with no room.
    errno = GetFileType(handle) == FILE_TYPE_PIPE ? EAGAIN : ENOSPC;
    return -1;
  }
  return static_cast<std::ptrdiff_t>(written);
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
