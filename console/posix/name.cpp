// The program's name, as the C library keeps it.
#include <cerrno>

#include "console/os.hpp"

namespace console::os {

char const* program_name() { return program_invocation_short_name; }

}  // namespace console::os
