#include "numbers/gather_writer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/scratch/scratch_file.hpp"

namespace {

struct Stretch {
  std::string pattern;  // " " stands for spaces()
  std::uint64_t times;
};

std::string written_by(std::vector<Stretch> const& runs) {
  std::FILE* file = scratch_file();
  {
    GatherWriter out(fileno(file));
    for (auto const& [pattern, times] : runs) {
      if (pattern == " ") {
        out.spaces(times);
      } else {
        out.repeat(pattern, times);
      }
    }
    out.flush();
  }
  std::string text;
  std::rewind(file);
  for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
    text.push_back(static_cast<char>(c));
  }
  std::fclose(file);
  return text;
}

std::string expected_from(std::vector<Stretch> const& runs) {
  std::string text;
  for (auto const& [pattern, times] : runs) {
    for (std::uint64_t i = 0; i < times; ++i) {
      text += pattern;
    }
  }
  return text;
}

// Runs around the sizes where the writer changes course: short copies against
// pointed-at blocks, a block's end, a flush, the limit on pieces per call.
TEST(GatherWriter, WritesEveryRunInOrder) {
  std::vector<std::vector<Stretch>> const cases = {
      {{" ", 0}, {"7", 0}, {"\n", 1}},
      {{" ", 63}, {"1", 1}, {" ", 64}, {"22", 2}, {"\n", 1}},
      {{" ", 2047}, {" ", 2048}, {" ", 2049}, {"x", 1}},
      {{"1234567", 293}, {"1234567", 294}, {"-", 1}},
      {{"123456789", 100'000}, {"\n", 1}, {"2147483647", 30'000}},
      {{" ", 3'000'000}, {"ab", 1}},
      {{"z", 131'071}, {"yy", 1}, {"xyz", 140'000}},
      {{"", 1'000}, {std::string(2049, 'L'), 3}, {std::string(200'000, 'M') + "N", 2}, {"", 0}},
      {{std::string(131'070, 'w'), 1}, {"xyz", 1000}},  // a block built at the stage's very end
  };
  for (auto const& runs : cases) {
    std::string const got = written_by(runs);
    std::string const expected = expected_from(runs);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
  }
}

TEST(GatherWriter, ManySmallRunsStayInOrder) {
  std::vector<Stretch> runs;
  for (int i = 1; i < 3000; ++i) {
    runs.push_back({" ", static_cast<std::uint64_t>(i % 97)});
    runs.push_back({std::to_string(i), static_cast<std::uint64_t>(i % 13)});
  }
  EXPECT_TRUE(written_by(runs) == expected_from(runs));
}

}  // namespace

namespace {

TEST(GatherWriterDeathTest, ReportsAFailedWriteAndExits) {
#ifdef GTEST_HAS_DEATH_TEST
  auto const write_to_closed = [] {
    GatherWriter out(-1);
    out.repeat("x", 10);
    out.flush();
  };
  EXPECT_EXIT(write_to_closed(), testing::ExitedWithCode(1), ": write error: Bad file descriptor\n");
#else
  GTEST_SKIP() << "no death tests where a test cannot start a process of its own (WASI)";
#endif
}

}  // namespace
