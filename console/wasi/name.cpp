// The program's name on WASI, whose C library never sets
// program_invocation_short_name: the first argument, as the runtime passes
// it (a path to the .wasm file, or a bare name).
#include <wasi/api.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "console/os.hpp"
#include "console/short_name.hpp"

namespace console::os {

char const* program_name() {
  __wasi_size_t count = 0;
  __wasi_size_t size = 0;
  if (__wasi_args_sizes_get(&count, &size) != 0 || count == 0) {
    return "";
  }
  // Asked for once, as the program ends: what it takes is never given back.
  // NOLINTBEGIN(cppcoreguidelines-no-malloc): no C++ runtime in the programs
  auto** const arguments = static_cast<std::uint8_t**>(std::malloc(count * sizeof(std::uint8_t*)));
  auto* const text = static_cast<std::uint8_t*>(std::malloc(size));
  // NOLINTEND(cppcoreguidelines-no-malloc)
  if (arguments == nullptr || text == nullptr || __wasi_args_get(arguments, text) != 0) {
    return "";
  }
  char* const first = reinterpret_cast<char*>(arguments[0]);
  return short_name(first, std::strlen(first), ".wasm");
}

}  // namespace console::os
