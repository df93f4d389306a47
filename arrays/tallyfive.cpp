// tallyfive: reads five integers, echoes them, and prints their sum and how
// many are even and how many odd.
#include <array>
#include <cinttypes>
#include <cstdint>
#include <span>

#include "console/console.hpp"

namespace {

// 64 bits hold the exact sum of any five 32-bit values.
std::int64_t array_addition(std::span<std::int32_t const> values) {
  std::int64_t sum = 0;
  for (std::int32_t const value : values) {
    sum += value;
  }
  return sum;
}

void array_count_oddeven(std::span<std::int32_t const> values) {
  std::int32_t even = 0;
  std::int32_t odd = 0;
  for (std::int32_t const value : values) {
    // The lowest bit classifies negative values correctly too: -2 is even, -3 odd.
    if ((value & 1) == 0) {
      ++even;
    } else {
      ++odd;
    }
  }
  console::print("Even = %d, Odd = %d\n", even, odd);
}

}  // namespace

int main() {
  std::array<std::int32_t, 5> store{};

  console::print("Enter array elements: ");
  for (std::int32_t& value : store) {
    console::read_int(value);
  }

  for (std::int32_t const value : store) {
    console::print("%d\t", value);
  }
  console::print("\n");

  console::print("Sum = %" PRId64 "\n", array_addition(store));
  array_count_oddeven(store);
  return console::finish();
}
