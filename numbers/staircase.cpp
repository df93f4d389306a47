#include "numbers/staircase.hpp"

#include <array>
#include <charconv>
#include <string_view>

#include "numbers/gather_writer.hpp"

void write_staircase(int fd, std::int32_t n, console::Here where) {
  console::traced("write", where);
  static constinit GatherWriter out(-1);  // static storage: see GatherWriter
  out.redirect(fd);
  std::array<char, 16> text{};
  for (std::int32_t i = 1; i < n; ++i) {
    out.spaces(static_cast<std::uint64_t>(n - i));
    char const* const end = std::to_chars(text.data(), text.data() + text.size(), i).ptr;
    out.repeat(std::string_view(text.data(), end), static_cast<std::uint64_t>(i));
    out.repeat("\n", 1);
  }
  out.flush();
}
