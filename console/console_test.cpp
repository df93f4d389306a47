#include "console/console.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tests/scratch/scratch_file.hpp"

namespace {

constexpr std::int32_t untouched = 1234;
constexpr auto fails = std::nullopt;
constexpr auto max = std::numeric_limits<std::int32_t>::max();
constexpr auto min = std::numeric_limits<std::int32_t>::min();

struct Outcome {
  std::vector<std::optional<std::int32_t>> reads;
  std::string rest;
};

// Runs one read per expected result over `input`, then collects what is left.
Outcome read_all(std::string const& input, std::size_t reads) {
  console::Reader in(input);
  Outcome outcome;
  for (std::size_t i = 0; i < reads; ++i) {
    std::int32_t value = untouched;
    bool const ok = in.read_int(value);
    if (!ok) {
      EXPECT_EQ(value, untouched) << "a failed read wrote its target";
    }
    outcome.reads.push_back(ok ? std::optional(value) : std::nullopt);
  }
  outcome.rest = input.substr(static_cast<std::size_t>(in.consumed()));
  return outcome;
}

struct Case {
  std::string input;
  std::vector<std::optional<std::int32_t>> reads;
  std::string rest;
};

TEST(ReadInt, FollowsTheTable) {
  std::vector<Case> const cases = {
      {"42", {42}, ""},
      {" \t\n\r\v\f-17x", {-17, fails}, "x"},
      {"+5 6\n", {5, 6}, "\n"},
      {"1\r\n2\r\n", {1, 2}, "\r\n"},
      {"007 -0", {7, 0}, ""},
      {"5-3+4", {5, -3, 4}, ""},
      {"12abc 3", {12, fails, fails}, "abc 3"},
      {"abc", {fails, fails}, "abc"},
      {"- 5", {fails, 5}, ""},
      {"-\n5", {fails, 5}, ""},
      {"-+5", {fails, 5}, ""},
      {"--5", {fails, -5}, ""},
      {"+", {fails, fails}, ""},
      {"", {fails}, ""},
      {std::string("\0 5", 3), {fails}, std::string("\0 5", 3)},
      {"2147483647 -2147483648", {max, min}, ""},
      {"2147483648 -2147483649", {max, min}, ""},
      {"99999999999 -99999999999 7", {max, min, 7}, ""},
      {std::string(1, '\xff') + "5", {fails}, std::string(1, '\xff') + "5"},
  };
  for (auto const& [input, reads, rest] : cases) {
    Outcome const got = read_all(input, reads.size());
    EXPECT_EQ(got.reads, reads) << "input: " << testing::PrintToString(input);
    EXPECT_EQ(got.rest, rest) << "input: " << testing::PrintToString(input);
  }
}

TEST(ReadInt, ConsumesAMillionDigitsAndSaturates) {
  std::string const input = "-1" + std::string(1'000'000, '0') + " 3";
  Outcome const got = read_all(input, 2);
  EXPECT_EQ(got.reads, (std::vector<std::optional<std::int32_t>>{min, 3}));
}

// Even where more arrives later: a file that grows, a terminal after Ctrl-D.
TEST(ReadInt, TakesTheEndOfInputAsFinal) {
  std::FILE* file = scratch_file();
  console::Reader in(fileno(file));
  std::int32_t value = untouched;
  EXPECT_FALSE(in.read_int(value));
  std::fputs("5", file);
  std::fflush(file);
  std::rewind(file);
  EXPECT_FALSE(in.read_int(value));
  std::fclose(file);
}

}  // namespace
