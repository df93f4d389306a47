// The standard streams of a program, and the reports that end it.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/console.hpp"

namespace console {
namespace {

// Constant-initialised: no start-up code, no guard, no C++ runtime library.
constinit Reader standard_input(STDIN_FILENO);
constinit Writer standard_output(STDOUT_FILENO);

[[noreturn]] void fail(char const* what, int error) {
  std::array<char, 512> line{};
  int const length = std::snprintf(line.data(), line.size(), "%s: %s error: %s\n",
                                   program_invocation_short_name, what, std::strerror(error));
  std::size_t left = std::min(line.size() - 1, static_cast<std::size_t>(std::max(length, 0)));
  for (char const* next = line.data(); left > 0;) {
    ssize_t const written = ::write(STDERR_FILENO, next, left);
    if (written < 0 && errno == EAGAIN) {
      wait_until_ready(STDERR_FILENO, POLLOUT);
    } else if (written < 0 && errno != EINTR) {
      break;  // nowhere left to report to; the status still tells
    } else if (written > 0) {
      next += written;
      left -= static_cast<std::size_t>(written);
    }
  }
  standard_input.give_back();
  // _Exit: nothing buffered is worth writing after a failure.
  std::_Exit(1);
}

}  // namespace

void fail_read(int error) { fail("read", error); }

void fail_write(int error) { fail("write", error); }

void print(char const* format, ...) {
  std::va_list args;
  va_start(args, format);
  standard_output.vprint(format, args);
  va_end(args);
}

void read_int(std::int32_t& target) {
  standard_output.flush();
  static_cast<void>(standard_input.read_int(target));
}

int finish() {
  standard_output.flush();
  standard_input.give_back();
  if (::close(STDOUT_FILENO) != 0 && errno != EINTR) {
    fail_write(errno);
  }
  return 0;
}

}  // namespace console
