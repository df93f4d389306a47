#pragma once

#include <cstdint>

// The sum of all divisors of n, n itself included; 0 for n of 0 or less.
// Computed from n's prime factorisation, so it answers at once for every n.
std::int64_t divisor_sum(std::int32_t n);
