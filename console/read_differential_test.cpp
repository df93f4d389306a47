// The integer read against its independent model, over many random streams.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "console/read_model.hpp"

namespace {

// One token of the kinds a stream may hold; the mix leans toward numbers.
std::string token(std::mt19937& random) {
  static constexpr std::array<char const*, 12> fixed = {
      "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999", "0000000000042",
      "+",          "-",          "--7",         "x",           "\x00",        "\xff"};
  static constexpr std::string_view spaces = " \t\n\r\v\f";
  switch (random() % 6) {
    case 0:
      return fixed[random() % fixed.size()];
    case 1:
      return std::string(1, spaces[random() % spaces.size()]);
    case 2:
      return std::string(1 + random() % 30, static_cast<char>('0' + random() % 10));
    default: {
      std::string number = random() % 3 == 0 ? "-" : (random() % 5 == 0 ? "+" : "");
      return number + std::to_string(random() % 4'000'000'000U);
    }
  }
}

TEST(ReadDifferential, AgreesWithTheModelOnRandomStreams) {
  std::mt19937 random(20261208);  // fixed: a failure must reproduce
  for (int stream = 0; stream < 5000; ++stream) {
    std::string input;
    for (auto tokens = random() % 12; tokens > 0; --tokens) {
      input += token(random);
      if (random() % 4 != 0) {
        input += ' ';
      }
    }
    auto const difference = read_model::mismatch(input);
    ASSERT_FALSE(difference.has_value()) << *difference << " in " << testing::PrintToString(input);
  }
}

}  // namespace
