// What every program does when its standard streams misbehave.
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <tuple>
#include <vector>

#include "process.hpp"
#include "transcript.hpp"

namespace {

class Faults : public testing::TestWithParam<std::string> {};

// Input that makes every read fail at once.
TEST_P(Faults, TreatsMissingInputLikeEmptyInput) {
  e2e::Result const empty = e2e::run(GetParam(), "");
  ASSERT_EQ(empty.exit_code, 0);
  e2e::Result const null = e2e::run(GetParam(), "", {.input = e2e::Input::null});
  EXPECT_EQ(null.exit_code, 0);
  EXPECT_EQ(null.err, "");
  EXPECT_EQ(null.out, empty.out);
  for (std::string const& garbage : {std::string("\0\0\x01", 3), std::string("\xff\xfe garbage")}) {
    e2e::Result const got = e2e::run(GetParam(), garbage);
    EXPECT_EQ(got.out, empty.out) << testing::PrintToString(garbage);
  }
}

TEST(Faults, ProgramsWithoutInputNeverTouchIt) {
  for (char const* program : {"gridmath", "stepdemo", "commademo"}) {
    for (e2e::Input const input : {e2e::Input::open_pipe, e2e::Input::closed, e2e::Input::directory}) {
      e2e::Result const got = e2e::run(program, "", {.input = input});
      EXPECT_FALSE(got.timed_out) << program;
      EXPECT_EQ(got.exit_code, 0) << program;
      EXPECT_EQ(got.out, e2e::run(program, "").out) << program;
    }
  }
}

// A stream that is not ready yet is waited for; nothing is lost or doubled.
TEST_P(Faults, WaitsForStreamsThatAreNotReady) {
  e2e::Result const sound = e2e::run(GetParam(), "400 1 2 3 4\n");
  for (e2e::Streams const streams :
       {e2e::Streams{.input = e2e::Input::late}, e2e::Streams{.output = e2e::Output::stalled}}) {
    e2e::Result const got = e2e::run(GetParam(), "400 1 2 3 4\n", streams);
    EXPECT_EQ(got.exit_code, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_TRUE(got.out == sound.out) << got.out.size() << " bytes, expected " << sound.out.size();
  }
}

// With input that never comes, too: a failed prompt ends the run at once.
TEST_P(Faults, ReportsAFullDisk) {
  for (e2e::Input const input : {e2e::Input::bytes, e2e::Input::open_pipe}) {
    e2e::Result const got =
        e2e::run(GetParam(), "3 1 2 3 4\n", {.input = input, .output = e2e::Output::full});
    EXPECT_EQ(got.exit_code, 1);
    EXPECT_EQ(got.err, GetParam() + ": write error: No space left on device\n");
  }
}

TEST_P(Faults, ReportsAClosedOutput) {
  if (e2e::programs_system() == "wasi") {
    GTEST_SKIP() << "Node.js puts /dev/null in place of a closed output before a WASI program starts";
  }
  e2e::Result const got = e2e::run(GetParam(), "3 1 2 3 4\n", {.output = e2e::Output::closed});
  EXPECT_EQ(got.exit_code, 1);
  EXPECT_EQ(got.err, GetParam() + ": write error: Bad file descriptor\n");
}

// Killed by SIGPIPE; on Windows and WASI, which have none, a write error.
bool ended_by_broken_pipe(e2e::Result const& got, std::string const& program) {
  if (!e2e::programs_system().empty()) {
    return got.exit_code == 1 && got.err == program + ": write error: Broken pipe\n";
  }
  return got.signal == SIGPIPE && got.err.empty();
}

TEST_P(Faults, StopsWhenItsReaderLeaves) {
  e2e::Result const got =
      e2e::run(GetParam(), "3 1 2 3 4\n", {.output = e2e::Output::early_close, .read_limit = 10});
  EXPECT_FALSE(got.timed_out);
  EXPECT_EQ(got.out.size(), 10U);
  // A program that wrote everything before the reader left ends normally.
  EXPECT_TRUE((got.exit_code == 0 && got.err.empty()) || ended_by_broken_pipe(got, GetParam()))
      << got.exit_code << " " << got.signal << " " << got.err;
}

// Output without end: the program must stop when its reader does, not spin,
// and say why the same way wherever in a write the reader leaves.
TEST(Digitstair, EndsWhenItsReaderLeavesHugeOutput) {
  for (std::size_t const limit :
       std::array<std::size_t, 8>{5, 13, 4'096, 16'383, 16'385, 65'536, 100'000, 1'048'579}) {
    e2e::Result const got =
        e2e::run("digitstair", "2147483647\n", {.output = e2e::Output::early_close, .read_limit = limit});
    EXPECT_FALSE(got.timed_out) << limit;
    EXPECT_TRUE(ended_by_broken_pipe(got, "digitstair"))
        << limit << ": " << got.exit_code << " " << got.signal << " " << got.err;
    EXPECT_EQ(got.out.substr(0, 13), std::string("enter a num: ").substr(0, limit)) << limit;
  }
}

TEST(Digitstair, ReportsAFullDiskForHugeOutput) {
  e2e::Result const got = e2e::run("digitstair", "2147483647\n", {.output = e2e::Output::full});
  EXPECT_FALSE(got.timed_out);
  EXPECT_EQ(got.exit_code, 1);
  EXPECT_EQ(got.err, "digitstair: write error: No space left on device\n");
}

// A run of a reading program: its first prompt, and the input and output up
// to its last prompt, where it waits for `last_answer`.
struct Reading {
  std::string program;
  std::string first_prompt;
  std::string before_last;
  std::string until_last;
  std::string last_answer;
};

void PrintTo(Reading const& reading, std::ostream* os) { *os << reading.program; }

class Readers : public testing::TestWithParam<Reading> {};

// The reason each system gives: Linux's; Windows' C runtime (under Wine)
// calls each an invalid argument; Node.js puts /dev/null in place of a closed
// stream before a WASI program starts, so none reaches it there.
struct ReadError {
  e2e::Input input;
  std::array<char const*, 3> reasons;  // Linux, Windows, WASI
};

TEST_P(Readers, EndOnAReadError) {
  Reading const& p = GetParam();
  std::string_view const system = e2e::programs_system();
  std::size_t const column = system == "windows" ? 1 : system == "wasi" ? 2 : 0;
  for (auto const& [input, reasons] : {
           ReadError{e2e::Input::directory, {"Is a directory", "Invalid argument", "Bad file descriptor"}},
           ReadError{e2e::Input::closed, {"Bad file descriptor", "Invalid argument", nullptr}},
           ReadError{e2e::Input::reset,
                     {"Connection reset by peer", "Invalid argument", "Connection reset by peer"}},
       }) {
    char const* const reason = reasons.at(column);
    if (reason == nullptr) {
      continue;
    }
    e2e::Result const got = e2e::run(p.program, "", {.input = input});
    EXPECT_EQ(got.exit_code, 1) << reason;
    EXPECT_EQ(got.err, p.program + ": read error: " + reason + "\n");
    EXPECT_EQ(got.out, p.first_prompt) << reason;
  }
}

TEST_P(Readers, ReportAFailedLastWrite) {
  Reading const& p = GetParam();
  e2e::Process process(e2e::program(p.program), {.input = e2e::Input::late,
                                                 .output = e2e::Output::early_close,
                                                 .read_limit = p.until_last.size(),
                                                 .ignore_sigpipe = true});
  process.send(p.before_last);
  ASSERT_TRUE(process.expect(p.until_last));
  process.send(p.last_answer);
  e2e::Result const got = process.finish();
  EXPECT_EQ(got.exit_code, 1);
  EXPECT_EQ(got.err, p.program + ": write error: Broken pipe\n");
}

INSTANTIATE_TEST_SUITE_P(
    AllReaders, Readers,
    testing::Values(Reading{"keyfind", "Enter number elements (max): ", "2 7 8\n",
                            "Enter number elements (max): Enter 2 elements:\nElement [0]: Element [1]: "
                            "Enter element to search (x):",
                            "8\n"},
                    Reading{"keyfreq", "Enter number of elements (max 100): ", "1 7\n",
                            "Enter number of elements (max 100): Enter 1 elements:\nElement [0]: "
                            "Enter the element to count its frequency: ",
                            "7\n"},
                    Reading{"tallyfive", "Enter array elements: ", "",
                            "Enter array elements: ", "1 2 3 4 5\n"},
                    Reading{"digitstair", "enter a num: ", "", "enter a num: ", "5\n"},
                    Reading{"divisorsum", "Enter a number: ", "", "Enter a number: ", "6\n"}),
    [](auto const& reading) { return reading.param.program; });

// Like `{ divisorsum; divisorsum; } < answers`: each run takes its own number
// and leaves the rest, wherever in the file that lies. A row: program,
// answers, where in the file they start, the first run's output, the second's.
using Handover = std::tuple<std::string, std::string, off_t, std::string, std::string>;

TEST(Faults, LeavesTheRestOfAFileForTheNextRun) {
  std::string const ask = "Enter a number: ", far(5000, ' '), six = ask + "6 is a Perfect Number\n";
  std::string const twenty_eight = ask + "28 is a Perfect Number\n";
  for (auto const& [program, answers, at, first, second] : std::vector<Handover>{
           {"divisorsum", "6\n28 ", 0, six, twenty_eight},
           {"divisorsum", "6-28", 0, six, ask + "-28 is not a Perfect Number\n"},
           {"divisorsum", far + "6" + far + "28", 0, six, twenty_eight},
           {"divisorsum", "6 28" + far + "496", 0, six, twenty_eight},
           {"divisorsum", "6 28", off_t{3} << 30, six, twenty_eight},
           {"digitstair", "3 2", 0, "enter a num:   1\n 22\n", "enter a num:  1\n"},
       }) {
    std::FILE* file = std::tmpfile();
    int const fd = fileno(file);
    ASSERT_EQ(::pwrite(fd, answers.data(), answers.size(), at), static_cast<ssize_t>(answers.size()));
    ::lseek(fd, at, SEEK_SET);
    for (std::string const& out : {first, second}) {
      EXPECT_EQ(e2e::run(program, "", {.input = e2e::Input::file, .file = fd}).out, out)
          << program << " at " << at;
    }
    std::fclose(file);
  }
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, Faults,
                         testing::Values("gridmath", "keyfind", "keyfreq", "tallyfive", "stepdemo",
                                         "commademo", "digitstair", "divisorsum"),
                         [](auto const& program) { return program.param; });

}  // namespace
