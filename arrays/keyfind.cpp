// keyfind: reads a count, that many integers and a key, and tells whether the
// key is among them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "arrays/input_array.hpp"
#include "console/console.hpp"

namespace {

int searchElement(std::span<std::int32_t const> store, std::int32_t count, std::int32_t key) {
  auto const values = entered(store, count);
  return std::ranges::find(values, key) != values.end() ? 1 : 0;
}

}  // namespace

int main() {
  std::array<std::int32_t, 50> store{};
  std::int32_t count = 0;
  std::int32_t key = 0;

  console::print("Enter number elements (max): ");
  console::read_int(count);
  inputArray(store, count);

  console::print("Enter element to search (x):");
  console::read_int(key);

  if (searchElement(store, count, key) != 0) {
    console::print("5. Element %d is present in the array.\n", key);
  } else {
    console::print("5. Element %d is NOT present in the array.\n", key);
  }
  return console::finish();
}
