// commademo: shows how the comma operator binds, by evaluating one list of
// increments without and with parentheses and printing the variables.
#include <cstdint>

#include "console/console.hpp"

int main() {
  std::int32_t a = 10;
  std::int32_t b = 20;
  std::int32_t c = 30;
  std::int32_t d = 0;

  // The assignment binds to the first item only; the trailing a+5 is computed
  // and discarded, which is the point of the demonstration.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-value"
  d = ++a, ++b, ++c, a + 5;
#pragma GCC diagnostic pop
  console::print("After d = ++a, ++b, ++c, a+5;\n");
  console::print("a = %d, b = %d, c = %d, d = %d\n", a, b, c, d);

  a = 10;
  b = 20;
  c = 30;
  d = (++a, ++b, ++c, a + 5);
  console::print("After d = (++a, ++b, ++c, a+5);\n");
  console::print("a = %d, b = %d, c = %d, d = %d\n", a, b, c, d);

  return console::finish();
}
