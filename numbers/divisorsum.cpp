// divisorsum: reads n and tells whether it is a perfect number, that is
// whether the sum of all its divisors, n itself included, is 2n.
#include <cstdint>

#include "console/console.hpp"
#include "numbers/divisor_sum.hpp"

int main() {
  std::int32_t n = 0;
  console::print("Enter a number: ");
  console::read_int(n);

  // 0 and negative numbers have divisor sum 0 and are never perfect.
  if (n > 0 && divisor_sum(n) == 2 * std::int64_t{n}) {
    console::print("%d is a Perfect Number\n", n);
  } else {
    console::print("%d is not a Perfect Number\n", n);
  }
  return console::finish();
}
