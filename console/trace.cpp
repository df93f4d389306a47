// The page's build of print, and the trace the page reads on descriptor 3:
// one line before each call, "<call> <file>:<line>\n", with print, read,
// write or finish for the call, and one after each read, "got <value>\n" or
// "kept <value>\n". Every print goes out at once, so that what a call wrote
// follows its line. The page may hold a trace write until the learner steps
// on; where descriptor 3 is not open, the trace is dropped and nothing else
// changes.
//
// Stops: the page's build calls intkit_stop before every statement of the
// program's own files (web/stops puts the calls in). While the page neither
// steps nor has a breakpoint, a stop costs one test; else it tells the page
// "stop <row> <frame> <first> <second>\n" (the statement's row, the frame's
// base and two locals some variables live behind) and may be held there.
#include <cstdarg>
#include <cstdint>

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

namespace {
// Set by the page, through memory, while it steps or has breakpoints.
std::uint8_t volatile stopping = 0;
}  // namespace

extern "C" [[clang::export_name("intkit_stop"), gnu::noinline]] void intkit_stop(std::int32_t row,
                                                                                 std::int32_t frame,
                                                                                 std::int32_t first,
                                                                                 std::int32_t second) {
  if (stopping != 0) {
    static_cast<void>(write_line(trace_fd, "stop %ld %ld %ld %ld\n", static_cast<long>(row),
                                 static_cast<long>(frame), static_cast<long>(first),
                                 static_cast<long>(second)));
  }
}

extern "C" [[clang::export_name("intkit_stopping")]] std::uint8_t volatile* intkit_stopping() {
  return &stopping;
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
