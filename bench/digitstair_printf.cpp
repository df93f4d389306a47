// Baseline: the staircase as literally described, one formatted call per copy.
#include <cstdio>

int main() {
  int n = 0;
  std::printf("enter a num: ");
  if (std::scanf("%d", &n) != 1) {
    return 0;
  }
  for (int i = 1; i < n; ++i) {
    for (int j = 0; j <= n - 1 - i; ++j) {
      std::printf(" ");
    }
    for (int k = 0; k < i; ++k) {
      std::printf("%d", i);
    }
    std::printf("\n");
  }
  return 0;
}
