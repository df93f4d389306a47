// Entering the elements of an array, shared by keyfind and keyfreq.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

// The part of `store` that a count of entered elements covers: nothing for a
// count of 0 or less, and never more than the store holds.
template <typename T>
std::span<T> entered(std::span<T> store, std::int32_t count) {
  auto const wanted = static_cast<std::size_t>(std::max(count, std::int32_t{0}));
  return store.first(std::min(wanted, store.size()));
}

// Writes the heading "Enter <count> elements:", then prompts for and reads
// each element into the front of `store`. A count above the store's capacity
// is lowered to it, so the heading and prompts never promise more than fits.
void inputArray(std::span<std::int32_t> store, std::int32_t count);
