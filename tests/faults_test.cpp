// What every program does when its standard streams misbehave.
#include <csignal>

#include "process.hpp"
#include "transcript.hpp"

namespace {

class Faults : public testing::TestWithParam<std::string> {};

// Input that makes every read fail at once, for each way input can be absent.
TEST_P(Faults, TreatsMissingInputLikeEmptyInput) {
  e2e::Result const empty = e2e::run(GetParam(), "");
  ASSERT_EQ(empty.exit_code, 0);
  for (e2e::Input const input : {e2e::Input::closed, e2e::Input::null}) {
    e2e::Result const got = e2e::run(GetParam(), "", {.input = input});
    EXPECT_EQ(got.exit_code, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_EQ(got.out, empty.out);
  }
  for (std::string const& garbage : {std::string("\0\0\x01", 3), std::string("\xff\xfe garbage")}) {
    e2e::Result const got = e2e::run(GetParam(), garbage);
    EXPECT_EQ(got.out, empty.out) << testing::PrintToString(garbage);
  }
}

TEST(Faults, ProgramsWithoutInputNeverWaitForIt) {
  for (char const* program : {"gridmath", "stepdemo", "commademo"}) {
    e2e::Result const got = e2e::run(program, "", {.input = e2e::Input::open_pipe});
    EXPECT_FALSE(got.timed_out) << program;
    EXPECT_EQ(got.exit_code, 0) << program;
    EXPECT_EQ(got.out, e2e::run(program, "").out) << program;
  }
}

TEST_P(Faults, ReportsAFullDisk) {
  e2e::Result const got = e2e::run(GetParam(), "3 1 2 3 4\n", {.output = e2e::Output::full});
  EXPECT_EQ(got.exit_code, 1);
  EXPECT_EQ(got.err, GetParam() + ": write error: No space left on device\n");
}

TEST_P(Faults, ReportsAClosedOutput) {
  e2e::Result const got = e2e::run(GetParam(), "3 1 2 3 4\n", {.output = e2e::Output::closed});
  EXPECT_EQ(got.exit_code, 1);
  EXPECT_EQ(got.err, GetParam() + ": write error: Bad file descriptor\n");
}

TEST_P(Faults, StopsWhenItsReaderLeaves) {
  e2e::Result const got =
      e2e::run(GetParam(), "3 1 2 3 4\n", {.output = e2e::Output::early_close, .read_limit = 10});
  EXPECT_FALSE(got.timed_out);
  EXPECT_EQ(got.out.size(), 10U);
  // A program that wrote everything before the reader left ends normally.
  EXPECT_TRUE(got.exit_code == 0 || got.signal == SIGPIPE) << got.exit_code << " " << got.signal;
  EXPECT_EQ(got.err, "");
}

// Output without end: the program must stop when its reader does, not spin.
TEST(Digitstair, EndsWhenItsReaderLeavesHugeOutput) {
  e2e::Result const got =
      e2e::run("digitstair", "2147483647\n", {.output = e2e::Output::early_close, .read_limit = 100'000});
  EXPECT_FALSE(got.timed_out);
  EXPECT_EQ(got.signal, SIGPIPE);
  EXPECT_EQ(got.out.substr(0, 13), "enter a num: ");
}

TEST(Digitstair, ReportsAFullDiskForHugeOutput) {
  e2e::Result const got = e2e::run("digitstair", "2147483647\n", {.output = e2e::Output::full});
  EXPECT_FALSE(got.timed_out);
  EXPECT_EQ(got.exit_code, 1);
  EXPECT_EQ(got.err, "digitstair: write error: No space left on device\n");
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, Faults,
                         testing::Values("gridmath", "keyfind", "keyfreq", "tallyfive", "stepdemo",
                                         "commademo", "digitstair", "divisorsum"),
                         [](auto const& program) { return program.param; });

}  // namespace
