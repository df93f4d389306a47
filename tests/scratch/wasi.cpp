// WASI has no tmpfile(): a file of our own in the folder that the test's
// runner lends as /tmp (run.mjs --tmp).
#include <unistd.h>

#include <array>
#include <cinttypes>
#include <cstdint>

#include "scratch_file.hpp"

std::FILE* scratch_file() {
  for (int tries = 0; tries < 100; ++tries) {
    std::uint64_t random = 0;
    if (::getentropy(&random, sizeof random) != 0) {
      return nullptr;
    }
    std::array<char, 48> name{};
    std::snprintf(name.data(), name.size(), "/tmp/scratch-%016" PRIx64, random);
    if (std::FILE* file = std::fopen(name.data(), "w+x")) {  // x: a file of its own
      std::remove(name.data());
      return file;
    }
  }
  return nullptr;
}
