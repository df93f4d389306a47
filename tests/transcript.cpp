#include "transcript.hpp"

#include "process.hpp"

TEST_P(TranscriptTest, WritesExactlyTheExpectedBytes) {
  Transcript const& t = GetParam();
  e2e::Result const got = e2e::run(t.program, t.input);
  EXPECT_FALSE(got.timed_out);
  EXPECT_EQ(got.exit_code, 0);
  EXPECT_EQ(got.err, "");
  EXPECT_EQ(got.out, t.output);
}

void PrintTo(Transcript const& transcript, std::ostream* os) {
  // Test listings print every parameter: keep million-digit inputs short there.
  constexpr std::size_t shown = 60;
  *os << transcript.program << " with input " << testing::PrintToString(transcript.input.substr(0, shown));
  if (transcript.input.size() > shown) {
    *os << "... (" << transcript.input.size() << " bytes)";
  }
}

std::string transcript_name(testing::TestParamInfo<Transcript> const& info) {
  return info.param.program + "_" + info.param.name;
}

std::vector<Transcript> in_every_layout(std::vector<Transcript> const& transcripts) {
  std::vector<Transcript> all;
  for (auto const& [name, separator] : {std::pair{"lines", "\n"}, std::pair{"spaces", " "},
                                        std::pair{"tabs", "\t"}, std::pair{"crlf", "\r\n"}}) {
    for (Transcript t : transcripts) {
      t.name += std::string("_") + name;
      std::string input;
      for (char const c : t.input + " ") {
        input += c == ' ' ? separator : std::string(1, c);
      }
      t.input = input;
      all.push_back(t);
    }
  }
  return all;
}

std::string element_prompts(int count) {
  std::string prompts;
  for (int i = 0; i < count; ++i) {
    prompts += "Element [" + std::to_string(i) + "]: ";
  }
  return prompts;
}
