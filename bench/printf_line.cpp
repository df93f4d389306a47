// Start-up baseline: the least a program can do, one line through printf.
#include <cstdio>

int main() {
  std::printf("hello\n");
  return 0;
}
