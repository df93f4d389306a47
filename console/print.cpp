#include <cstdarg>

#include "console/console.hpp"

namespace console {

void print(char const* format, ...) {
  std::va_list args;
  va_start(args, format);
  standard_output().vprint(format, args);
  va_end(args);
}

}  // namespace console
