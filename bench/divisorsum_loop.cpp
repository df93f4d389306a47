// Baseline: the divisor sum as literally described, every candidate 1 ... n.
#include <cstdint>
#include <cstdio>

int main() {
  int n = 0;
  std::printf("Enter a number: ");
  if (std::scanf("%d", &n) != 1) {
    return 0;
  }
  std::int64_t sum = 0;
  for (std::int64_t i = 1; i <= n; ++i) {
    if (n % i == 0) {
      sum += i;
    }
  }
  std::printf(sum / 2 == n ? "%d is a Perfect Number\n" : "%d is not a Perfect Number\n", n);
  return 0;
}
