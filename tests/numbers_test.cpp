#include "transcript.hpp"

namespace {

std::string const ask_n = "enter a num: ";
std::string const ask_number = "Enter a number: ";

// The staircase built straight from its description, independently of the program.
std::string staircase(int n) {
  std::string rows;
  for (int i = 1; i < n; ++i) {
    rows += std::string(static_cast<std::size_t>(n - i), ' ');
    for (int copy = 0; copy < i; ++copy) {
      rows += std::to_string(i);
    }
    rows += "\n";
  }
  return rows;
}

std::string const twelve =
    "           1\n"
    "          22\n"
    "         333\n"
    "        4444\n"
    "       55555\n"
    "      666666\n"
    "     7777777\n"
    "    88888888\n"
    "   999999999\n"
    "  10101010101010101010\n"
    " 1111111111111111111111\n";

TRANSCRIPTS(digitstair,
            std::vector<Transcript>{
                {"digitstair", "one", "1\n", ask_n},
                {"digitstair", "zero", "0\n", ask_n},
                {"digitstair", "negative", "-7\n", ask_n},
                {"digitstair", "failed_read", "x\n", ask_n},
                {"digitstair", "two", "2\n", ask_n + " 1\n"},
                {"digitstair", "five", "5\n", ask_n + "    1\n   22\n  333\n 4444\n"},
                {"digitstair", "twelve", "12\n", ask_n + twelve},
                {"digitstair", "ends_inside_number", "12", ask_n + twelve},
                {"digitstair", "million_digit_negative", "-" + std::string(1'000'000, '3'), ask_n},
                {"digitstair", "large", "400\n", ask_n + staircase(400)},
            });

std::string verdict(std::string const& n, bool perfect) {
  return ask_number + n + (perfect ? " is a Perfect Number\n" : " is not a Perfect Number\n");
}

TRANSCRIPTS(divisorsum,
            std::vector<Transcript>{
                {"divisorsum", "six", "6\n", verdict("6", true)},
                {"divisorsum", "twenty_eight", "28", verdict("28", true)},
                {"divisorsum", "four_nine_six", "496\r\n", verdict("496", true)},
                {"divisorsum", "perfect_beyond_32_bits", "2305843008139952128", verdict("2147483647", false)},
                {"divisorsum", "eight_digit_perfect", "33550336", verdict("33550336", true)},
                {"divisorsum", "one", "1", verdict("1", false)},
                {"divisorsum", "twelve", "12", verdict("12", false)},
                {"divisorsum", "prime", "7919", verdict("7919", false)},
                {"divisorsum", "largest", "2147483647", verdict("2147483647", false)},
                {"divisorsum", "largest_even", "2147483646", verdict("2147483646", false)},
                // 0 is not perfect, and a failed read leaves 0.
                {"divisorsum", "zero", "0", verdict("0", false)},
                {"divisorsum", "failed_read", "six", verdict("0", false)},
                {"divisorsum", "million_digits", std::string(1'000'000, '8'), verdict("2147483647", false)},
                {"divisorsum", "negative", "-6", verdict("-6", false)},
                {"divisorsum", "smallest", "-2147483648", verdict("-2147483648", false)},
            });

}  // namespace
