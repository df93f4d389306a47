// The page's build of print, and the trace the page reads on descriptor 3:
// one line before each call, "<call> <file>:<line>\n", with print, read,
// write or finish for the call, and one after each read, "got <value>\n" or
// "kept <value>\n". Every print goes out at once, so that what a call wrote
// follows its line. The page may hold a trace write until the learner steps
// on; where descriptor 3 is not open, the trace is dropped and nothing else
// changes.
#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>

#include "console/console.hpp"

namespace console {
namespace {

constexpr int trace_fd = 3;

[[gnu::format(printf, 1, 2)]] void tell(char const* format, ...) {
  std::array<char, 512> line{};
  std::va_list args;
  va_start(args, format);
  int const length = std::vsnprintf(line.data(), line.size(), format, args);
  va_end(args);
  Piece piece{line.data(), std::min(line.size() - 1, static_cast<std::size_t>(std::max(length, 0)))};
  static_cast<void>(write_pieces(trace_fd, &piece, 1));  // a trace nobody reads is no failure
}

}  // namespace

void traced(char const* call, Here where) {
  tell("%s %s:%lu\n", call, where.file_name(), static_cast<unsigned long>(where.line()));
}

void traced_read(bool got, std::int32_t value) {
  tell("%s %ld\n", got ? "got" : "kept", static_cast<long>(value));
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
