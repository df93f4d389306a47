// stepdemo: shows what the postfix and prefix increment and decrement
// operators yield, by evaluating each expression and printing the results.
#include <cstdint>

#include "console/console.hpp"

int main() {
  std::int32_t i = 5;
  std::int32_t x = 5;
  std::int32_t p = 9;
  std::int32_t k = 0;
  std::int32_t y = 0;
  std::int32_t q = 0;

  k = i++;
  console::print("k = i++ : k = %d, i = %d\n", k, i);

  i = 5;
  k = ++i;
  console::print("k = ++i : k = %d, i = %d\n", k, i);

  x = 5;
  y = x++ * 10;
  console::print("y = x++ * 10 : y = %d, x = %d\n", y, x);

  x = 5;
  y = ++x * 10;
  console::print("y = ++x * 10 : y = %d, x = %d\n", y, x);

  p = 9;
  q = p-- / 3;
  console::print("q = p-- / 3 : q = %d, p = %d\n", q, p);

  p = 9;
  q = --p / 3;
  console::print("q = --p / 3 : q = %d, p = %d\n", q, p);

  return console::finish();
}
