#include "process.hpp"
#include "transcript.hpp"

namespace {

std::string const ask_count = "Enter number elements (max): ";
std::string const ask_key = "Enter element to search (x):";

std::string heading(int count) { return "Enter " + std::to_string(count) + " elements:\n"; }
std::string present(int key) { return "5. Element " + std::to_string(key) + " is present in the array.\n"; }
std::string absent(int key) {
  return "5. Element " + std::to_string(key) + " is NOT present in the array.\n";
}

std::string numbers(int count, int value) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += " " + std::to_string(value);
  }
  return text;
}

std::string run_of(int count) { return ask_count + heading(count) + element_prompts(count) + ask_key; }

TRANSCRIPTS(keyfind_layouts,
            in_every_layout({
                {"keyfind", "found", "3 1 2 3 2", run_of(3) + present(2)},
                {"keyfind", "not_found", "3 1 2 3 7", run_of(3) + absent(7)},
                {"keyfind", "count_zero", "0 5", run_of(0) + absent(5)},
                {"keyfind", "negative_count", "-4 5", ask_count + heading(-4) + ask_key + absent(5)},
                {"keyfind", "repeated_key", "4 9 9 1 9 9", run_of(4) + present(9)},
                {"keyfind", "negative_key", "3 3 -4 9 -4", run_of(3) + present(-4)},
                {"keyfind", "one_stream", "2 7 8 9", run_of(2) + absent(9)},
                {"keyfind", "extremes", "2 -2147483648 2147483647 -2147483648",
                 run_of(2) + present(-2147483648)},
            }));

TRANSCRIPTS(keyfind,
            std::vector<Transcript>{
                // A count above the capacity of 50 is lowered to it; the 51st number is the key.
                {"keyfind", "count_above_capacity", "60" + numbers(50, 1) + " 2 2", run_of(50) + absent(2)},
                {"keyfind", "last_of_fifty_found", "50" + numbers(49, 1) + " 2 2", run_of(50) + present(2)},
                {"keyfind", "huge_count", "99999999999" + numbers(51, 4), run_of(50) + present(4)},
                // Failed reads leave every value at 0.
                {"keyfind", "letters", "abc", run_of(0) + absent(0)},
                {"keyfind", "empty", "", run_of(0) + absent(0)},
                {"keyfind", "letter_among_elements", "3 5 x 6", run_of(3) + present(0)},
                {"keyfind", "lone_sign_then_number", "2 -\n5 5", run_of(2) + present(5)},
                {"keyfind", "million_digit_count", "1" + std::string(1'000'000, '0'),
                 run_of(50) + present(0)},
                {"keyfind", "ends_inside_key", "1 5 5", run_of(1) + present(5)},
                {"keyfind", "out_of_range_key", "1 2147483647 99999999999", run_of(1) + present(2147483647)},
            });

// Drives the program the way an expect script does: each answer is written
// only after its prompt has arrived.
TEST(Keyfind, AnswersPromptByPrompt) {
  e2e::Process keyfind(e2e::program("keyfind"), {});
  ASSERT_TRUE(keyfind.expect(ask_count));
  keyfind.send("2\n");
  ASSERT_TRUE(keyfind.expect(heading(2) + "Element [0]: "));
  keyfind.send("-4\n");
  ASSERT_TRUE(keyfind.expect("Element [1]: "));
  keyfind.send("8\n");
  ASSERT_TRUE(keyfind.expect(ask_key));
  keyfind.send("8\n");
  e2e::Result const got = keyfind.finish();
  EXPECT_EQ(got.out, run_of(2) + present(8));
  EXPECT_EQ(got.exit_code, 0);
}

}  // namespace
