#pragma once

#include <cstdint>

#include "console/console.hpp"

// Writes rows 1 ... n - 1 of the staircase for n to file descriptor `fd`:
// row i is n - i spaces, then i in decimal written i times, then a newline.
// Nothing for n below 2. A failed write ends the process through
// console::fail_write. The page's build traces it as one write.
void write_staircase(int fd, std::int32_t n, console::Here where = console::Here::current());
