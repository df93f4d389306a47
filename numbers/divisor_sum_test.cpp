#include "numbers/divisor_sum.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The definition itself: every candidate from 1 to n.
std::int64_t by_definition(std::int32_t n) {
  std::int64_t sum = 0;
  for (std::int64_t i = 1; i <= n; ++i) {
    if (n % i == 0) {
      sum += i;
    }
  }
  return sum;
}

// The definition taken in pairs: each divisor i up to the square root brings n / i.
std::int64_t by_pairs(std::int32_t n) {
  std::int64_t sum = 0;
  for (std::int64_t i = 1; i * i <= n; ++i) {
    if (n % i == 0) {
      sum += i * i == n ? i : i + n / i;
    }
  }
  return sum;
}

TEST(DivisorSum, MatchesTheDefinitionUpToAMillion) {
  // Every n up to 10^6 against the definition, cheaply: add each d to all its multiples.
  constexpr std::int32_t limit = 1'000'000;
  std::vector<std::int64_t> sums(limit + 1, 0);
  for (std::int32_t d = 1; d <= limit; ++d) {
    for (std::int32_t multiple = d; multiple <= limit; multiple += d) {
      sums[static_cast<std::size_t>(multiple)] += d;
    }
  }
  for (std::int32_t n = 0; n <= limit; ++n) {
    ASSERT_EQ(divisor_sum(n), sums[static_cast<std::size_t>(n)]) << "n = " << n;
  }
  for (std::int32_t const n : {1, 2, 3, 4, 6, 28, 496, 8128, 9973, 9409, 65536}) {
    ASSERT_EQ(sums[static_cast<std::size_t>(n)], by_definition(n)) << "n = " << n;
  }
}

TEST(DivisorSum, MatchesTheDefinitionAtTheTop) {
  // 2147483647 is prime; 2147483646 = 2 * 3^2 * 7 * 11 * 31 * 151 * 331;
  // 2147395600 = 46340^2; 2147117569 = 46337^2 with 46337 prime.
  for (std::int32_t const n : {2147483647, 2147483646, 2147395600, 2147117569, 2147483629, 1073741824}) {
    EXPECT_EQ(divisor_sum(n), by_pairs(n)) << "n = " << n;
  }
  EXPECT_EQ(by_pairs(2147483647), 2147483648);  // the reference agrees with a known answer
}

TEST(DivisorSum, IsZeroForZeroAndNegatives) {
  for (std::int32_t const n : {0, -1, -6, -2147483647 - 1}) {
    EXPECT_EQ(divisor_sum(n), 0) << "n = " << n;
  }
}

}  // namespace
