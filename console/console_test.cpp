#include "console/console.hpp"

#include <gtest/gtest.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

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
  std::FILE* file = std::tmpfile();
  console::Reader in(fileno(file));
  std::int32_t value = untouched;
  EXPECT_FALSE(in.read_int(value));
  ASSERT_EQ(::pwrite(fileno(file), "5", 1, 0), 1);
  EXPECT_FALSE(in.read_int(value));
  std::fclose(file);
}

// A slow reader and a timer signal whose handler does not restart calls: the
// writes come back short or interrupted, and every byte must still arrive.
// The reader is a child process, which the timer does not reach, and keeps
// what it reads in a file.
TEST(WriteAll, SurvivesShortAndInterruptedWrites) {
  std::array<int, 2> ends{};
  ASSERT_EQ(::pipe(ends.data()), 0);
  std::FILE* received = std::tmpfile();
  pid_t const reader = ::fork();
  if (reader == 0) {
    ::close(ends[1]);
    std::array<char, 3000> buffer{};
    for (ssize_t n = 0; (n = ::read(ends[0], buffer.data(), buffer.size())) > 0; ::usleep(20)) {
      if (::write(fileno(received), buffer.data(), static_cast<std::size_t>(n)) != n) {
        ::_exit(1);
      }
    }
    ::_exit(0);
  }
  ::close(ends[0]);
  struct sigaction tick {};
  struct sigaction before {};
  tick.sa_handler = [](int) {};
  ::sigaction(SIGALRM, &tick, &before);
  itimerval const often{{0, 200}, {0, 200}};
  ::setitimer(ITIMER_REAL, &often, nullptr);

  std::string expected;
  console::Writer out(ends[1]);
  // Around the edges of the writer's 4096-byte buffer, then past it with text already buffered.
  for (std::size_t const size : {4095U, 1U, 4095U, 4096U, 1U, 9000U}) {
    std::string const piece(size, static_cast<char>('a' + size % 26));
    out.print("%s", piece.c_str());
    expected += piece;
  }
  for (int i = 0; i < 200'000; ++i) {
    out.print("%d,", i);
    expected += std::to_string(i) + ",";
  }
  out.flush();
  std::string text = expected + expected + expected;  // the same bytes again, cut into pieces
  std::vector<iovec> pieces;
  for (std::size_t at = 0, size = 1; at < text.size(); at += size, size = size * 7 % 3001 + 1) {
    size = std::min(size, text.size() - at);
    pieces.push_back({text.data() + at, size});
  }
  console::write_all(ends[1], pieces.data(), pieces.size());
  expected += text;

  itimerval const never{};
  ::setitimer(ITIMER_REAL, &never, nullptr);
  ::close(ends[1]);
  int status = -1;
  ::waitpid(reader, &status, 0);
  ::sigaction(SIGALRM, &before, nullptr);
  EXPECT_EQ(status, 0);
  std::string got(static_cast<std::size_t>(::lseek(fileno(received), 0, SEEK_END)), '\0');
  EXPECT_EQ(::pread(fileno(received), got.data(), got.size(), 0), static_cast<ssize_t>(got.size()));
  std::fclose(received);
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
}

}  // namespace
