// The page's build of print, and the trace the page reads on descriptor 3:
// one line before each call, "<call> <file>:<line>\n", with print, read,
// write or finish for the call, and one after each read, "got <value>\n" or
// "kept <value>\n". Every print goes out at once, so that what a call wrote
// follows its line. The page may hold a trace write until the learner steps
// on; where descriptor 3 is not open, the trace is dropped and nothing else
// changes.
//
// Stops: the page's build tests the arming byte before every statement of
// the program's own files (web/stops puts the tests in), and calls
// intkit_stop where it is set, which tells the page "stop <row> <frame>
// <first> <second>\n" (the statement's row, the frame's base and two locals
// some variables live behind); the page may hold it there. Before each call
// of one of those functions by another, the caller notes where it is in
// intkit_frames(), at its frame base, for the page to find the callers of a
// run it did not follow.
#include <array>
#include <cstdarg>
#include <cstddef>
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
// 16 bytes for each 16 of the stack (frame bases are 16-aligned), over 64 KiB of it.
alignas(16) std::array<std::uint8_t, std::size_t{1} << 16> frames{};
}  // namespace

extern "C" [[clang::export_name("intkit_stop"), gnu::noinline]] void intkit_stop(std::int32_t row,
                                                                                 std::int32_t frame,
                                                                                 std::int32_t first,
                                                                                 std::int32_t second) {
  static_cast<void>(write_line(trace_fd, "stop %ld %ld %ld %ld\n", static_cast<long>(row),
                               static_cast<long>(frame), static_cast<long>(first),
                               static_cast<long>(second)));
}

extern "C" [[clang::export_name("intkit_stopping")]] std::uint8_t volatile* intkit_stopping() {
  return &stopping;
}

extern "C" [[clang::export_name("intkit_frames")]] std::uint8_t* intkit_frames() { return frames.data(); }

void print(Format format, ...) {
  traced("print", format.place);
  std::va_list args;
  va_start(args, format);
  standard_output().vprint(format.text, args);
  va_end(args);
  standard_output().flush();
}

}  // namespace console
