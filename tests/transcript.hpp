// A transcript is one run of a program: the bytes fed to standard input and
// the exact bytes expected on standard output, with status 0 and nothing on
// standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct Transcript {
  std::string program;
  std::string name;
  std::string input;
  std::string output;
};

void PrintTo(Transcript const& transcript, std::ostream* os);

class TranscriptTest : public testing::TestWithParam<Transcript> {};

std::string transcript_name(testing::TestParamInfo<Transcript> const& info);

// The same transcripts with the input's spaces turned into each kind of
// separator a user or a script may type: newlines, tabs, CRLF line ends.
std::vector<Transcript> in_every_layout(std::vector<Transcript> const& transcripts);

// "Element [0]: Element [1]: ..." for `count` elements, as a run shows them.
std::string element_prompts(int count);

#define TRANSCRIPTS(program, ...) \
  INSTANTIATE_TEST_SUITE_P(program, TranscriptTest, testing::ValuesIn(__VA_ARGS__), transcript_name)
