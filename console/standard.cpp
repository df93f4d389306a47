// The standard streams of a program, and the reports that end it.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "console/console.hpp"
#include "console/os.hpp"

namespace console {
namespace {

// Constant-initialised: no start-up code, no guard, no C++ runtime library.
constinit Reader standard_input(standard_input_fd);
constinit Writer standard_output_stream(standard_output_fd);

[[noreturn]] void fail(char const* what, int error) {
  // A report that cannot be written has nowhere left to go; the status still tells.
  static_cast<void>(
      write_line(standard_error_fd, "%s: %s error: %s\n", os::program_name(), what, std::strerror(error)));
  standard_input.give_back();
  // _Exit: nothing buffered is worth writing after a failure.
  std::_Exit(1);
}

}  // namespace

void fail_read(int error) { fail("read", error); }

void fail_write(int error) { fail("write", error); }

Writer& standard_output() { return standard_output_stream; }

void read_int(std::int32_t& target, Here where) {
  traced("read", where);
  standard_output_stream.flush();
  bool const got = standard_input.read_int(target);
  traced_read(got, target);
}

int finish(Here where) {
  traced("finish", where);
  standard_output_stream.flush();
  standard_input.give_back();
  if (os::close(standard_output_fd) != 0 && errno != EINTR) {
    fail_write(errno);
  }
  return 0;
}

}  // namespace console
