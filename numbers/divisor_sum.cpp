#include "numbers/divisor_sum.hpp"

namespace {

// Divides every factor p out of m and returns 1 + p + p^2 + ... up to the
// power of p that m held: that prime power's share of the divisor sum.
std::int64_t take_prime(std::uint32_t& m, std::uint32_t p) {
  std::int64_t share = 1;
  std::int64_t power = 1;
  while (m % p == 0) {
    m /= p;
    power *= p;
    share += power;
  }
  return share;
}

}  // namespace

std::int64_t divisor_sum(std::int32_t n) {
  if (n <= 0) {
    return 0;
  }
  auto m = static_cast<std::uint32_t>(n);
  std::int64_t sum = take_prime(m, 2);
  sum *= take_prime(m, 3);
  // Every other prime is 6k - 1 or 6k + 1.
  for (std::uint32_t p = 5; std::uint64_t{p} * p <= m; p += 6) {
    sum *= take_prime(m, p);
    sum *= take_prime(m, p + 2);
  }
  if (m > 1) {  // what is left is a prime above the square root
    sum *= 1 + std::int64_t{m};
  }
  return sum;
}
