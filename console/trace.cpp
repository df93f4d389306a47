// The page's build of print, and the trace the page reads on descriptor 3:
// one line before each call, "<call> <file>:<line>\n", with print, read,
// write or finish for the call, and one after each read, "got <value>\n" or
// "kept <value>\n". Every print goes out at once, so that what a call wrote
// follows its line. The page may hold a trace write until the learner steps
// on; where descriptor 3 is not open, the trace is dropped and nothing else
// changes.
#include <cstdarg>

#include "console/console.hpp"

namespace console {

constexpr int trace_fd = 3;

void traced(char const* call, Here where) {
  // A trace nobody reads is no failure.
  static_cast<void>(
      write_line(trace_fd, "%s %s:%lu\n", call, where.file_name(), static_cast<unsigned long>(where.line())));
}

void traced_read(bool got, std::int32_t value) {
  static_cast<void>(write_line(trace_fd, "%s %ld\n", got ? "got" : "kept", static_cast<long>(value)));
}

void print(Format format, ...) {
  traced("print", format.place);
  std::va_list args;
  va_start(args, format);
  standard_output().vprint(format.text, args);
  va_end(args);
  standard_output().flush();
}

}  // namespace console
