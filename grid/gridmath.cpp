// gridmath: adds, subtracts and multiplies two fixed 3 x 4 grids cell by cell
// and prints each result grid under its heading.
#include <array>
#include <cstdint>
#include <functional>

#include "console/console.hpp"

namespace {

using Grid = std::array<std::array<std::int32_t, 4>, 3>;

template <typename Operation>
Grid combine(Grid const& first, Grid const& second, Operation operation) {
  Grid result{};
  for (std::size_t r = 0; r < result.size(); ++r) {
    for (std::size_t c = 0; c < result[r].size(); ++c) {
      result[r][c] = operation(first[r][c], second[r][c]);
    }
  }
  return result;
}

void print(char const* heading, Grid const& grid) {
  console::print("%s\n", heading);
  for (auto const& row : grid) {
    for (std::int32_t const cell : row) {
      console::print("%d\t", cell);
    }
    console::print("\n");
  }
}

void fun(Grid const& first, Grid const& second) {
  print("The array after addition:", combine(first, second, std::plus<>{}));
}

void sub(Grid const& first, Grid const& second) {
  print("The array after substraction:", combine(first, second, std::minus<>{}));
}

void mul(Grid const& first, Grid const& second) {
  print("The array after multification:", combine(first, second, std::multiplies<>{}));
}

}  // namespace

int main() {
  Grid const first = {{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}};
  Grid const second = {{{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}};
  fun(first, second);
  sub(first, second);
  mul(first, second);
  return console::finish();
}
