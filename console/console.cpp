#include "console/console.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace console {
namespace {

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool is_digit(int c) { return c >= '0' && c <= '9'; }

void put_back(int c, std::FILE* in) {
  if (c != EOF) {
    std::ungetc(c, in);
  }
}

}  // namespace

bool read_int(std::FILE* in, std::int32_t& target) {
  int c = std::getc(in);
  while (is_space(c)) {
    c = std::getc(in);
  }
  bool const negative = c == '-';
  if (c == '-' || c == '+') {
    c = std::getc(in);
  }
  if (!is_digit(c)) {
    put_back(c, in);
    return false;
  }
  // Capping at 2^31 keeps the arithmetic small however long the digit run is.
  constexpr std::int64_t cap = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; is_digit(c); c = std::getc(in)) {
    magnitude = std::min(magnitude * 10 + (c - '0'), cap);
  }
  put_back(c, in);
  target = static_cast<std::int32_t>(negative ? -magnitude : std::min(magnitude, cap - 1));
  return true;
}

void read_int(std::int32_t& target) {
  if (std::fflush(stdout) != 0) {
    fail_write(errno);
  }
  static_cast<void>(read_int(stdin, target));
}

void fail_write(int error) {
  std::fprintf(stderr, "%s: write error: %s\n", program_invocation_short_name, std::strerror(error));
  // _Exit: the at-exit flush of standard output would only fail again.
  std::_Exit(1);
}

int finish() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    fail_write(errno);
  }
  if (std::fclose(stdout) != 0) {
    fail_write(errno);
  }
  return 0;
}

}  // namespace console
