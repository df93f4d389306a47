// libFuzzer target: arbitrary bytes through the integer read, every read
// checked against the independent model.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "console/read_model.hpp"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  auto const difference = read_model::mismatch(std::string_view(reinterpret_cast<char const*>(data), size));
  if (difference) {
    std::fprintf(stderr, "reader and model differ: %s\n", difference->c_str());
    std::abort();
  }
  return 0;
}
