// digitstair: reads n and prints a right-aligned staircase of n - 1 rows in
// which row i shows the number i written i times.
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "console/console.hpp"
#include "numbers/gather_writer.hpp"

int main() {
  std::int32_t n = 0;
  std::printf("enter a num: ");
  console::read_int(n);

  // The rows can run to gigabytes, so they bypass stdio; reading flushed the
  // prompt, and nothing else is buffered there.
  GatherWriter out(STDOUT_FILENO);
  std::array<char, 16> text{};
  for (std::int32_t i = 1; i < n; ++i) {
    out.spaces(static_cast<std::uint64_t>(n - i));
    char const* const end = std::to_chars(text.data(), text.data() + text.size(), i).ptr;
    out.repeat(std::string_view(text.data(), end), static_cast<std::uint64_t>(i));
    out.repeat("\n", 1);
  }
  out.flush();
  return console::finish();
}
