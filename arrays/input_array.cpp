#include "arrays/input_array.hpp"

#include "console/console.hpp"

void inputArray(std::span<std::int32_t> store, std::int32_t count) {
  auto const capacity = static_cast<std::int32_t>(std::min<std::size_t>(store.size(), INT32_MAX));
  console::print("Enter %d elements:\n", std::min(count, capacity));
  auto const elements = entered(store, count);
  for (std::size_t i = 0; i < elements.size(); ++i) {
    console::print("Element [%d]: ", static_cast<std::int32_t>(i));  // i < capacity
    console::read_int(elements[i]);
  }
}
