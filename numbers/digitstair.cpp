// digitstair: reads n and prints a right-aligned staircase of n - 1 rows in
// which row i shows the number i written i times.
#include <cstdint>

#include "console/console.hpp"
#include "numbers/staircase.hpp"

int main() {
  std::int32_t n = 0;
  console::print("enter a num: ");
  console::read_int(n);

  // The rows can run to gigabytes, so they go out through a gather writer of
  // their own; reading flushed the prompt, and nothing else is buffered.
  write_staircase(console::standard_output_fd, n);
  return console::finish();
}
