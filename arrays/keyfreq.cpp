// keyfreq: reads a count, that many integers and a key, and tells how often
// the key occurs among them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "arrays/input_array.hpp"
#include "console/console.hpp"

namespace {

std::int32_t countElement(std::span<std::int32_t const> store, std::int32_t count, std::int32_t key) {
  return static_cast<std::int32_t>(std::ranges::count(entered(store, count), key));
}

}  // namespace

int main() {
  std::array<std::int32_t, 100> store{};
  std::int32_t count = 0;
  std::int32_t key = 0;

  console::print("Enter number of elements (max 100): ");
  console::read_int(count);
  inputArray(store, count);

  console::print("Enter the element to count its frequency: ");
  console::read_int(key);

  std::int32_t const frequency = countElement(store, count, key);
  console::print("Frequency of %d in array: %d\n", key, frequency);
  return console::finish();
}
