#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "console/console.hpp"
#include "console/os.hpp"

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
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): no C++ runtime in the programs
    auto* const text = static_cast<char*>(std::malloc(size + 1));
    if (text == nullptr) {
      va_end(again);
      fail_write(ENOMEM);
    }
    std::vsnprintf(text, size + 1, format, again);
    Piece piece{text, size};
    write_all(fd_, &piece, 1);
    std::free(text);  // NOLINT(cppcoreguidelines-no-malloc)
  }
  va_end(again);
}

void Writer::flush() {
  Piece piece{buffer_.data(), used_};
  write_all(fd_, &piece, 1);
  used_ = 0;
}

int write_pieces(int fd, Piece* pieces, std::size_t count) {
  for (;;) {
    for (; count > 0 && pieces->iov_len == 0; ++pieces, --count) {
    }
    if (count == 0) {
      return 0;
    }
    std::ptrdiff_t const written = os::write(fd, pieces, count);
    if (written < 0) {
      if (errno == EAGAIN) {
        os::wait_until_ready(fd, true);
      } else if (errno != EINTR) {
        return errno;
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

int write_line(int fd, char const* format, ...) {
  std::array<char, 512> line{};
  std::va_list args;
  va_start(args, format);
  // The analyzer takes va_start's list for an uninitialised one.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  int const length = std::vsnprintf(line.data(), line.size(), format, args);
  va_end(args);
  Piece piece{line.data(), std::min(line.size() - 1, static_cast<std::size_t>(std::max(length, 0)))};
  return write_pieces(fd, &piece, 1);
}

void write_all(int fd, Piece* pieces, std::size_t count) {
  if (int const error = write_pieces(fd, pieces, count); error != 0) {
    fail_write(error);
  }
}

}  // namespace console
