#include "transcript.hpp"

namespace {

std::string run_of(int count) {
  return "Enter number of elements (max 100): Enter " + std::to_string(count) + " elements:\n" +
         element_prompts(count) + "Enter the element to count its frequency: ";
}

std::string frequency(int key, int times) {
  return "Frequency of " + std::to_string(key) + " in array: " + std::to_string(times) + "\n";
}

std::string copies(int count, std::string const& number) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += " " + number;
  }
  return text;
}

TRANSCRIPTS(keyfreq_layouts, in_every_layout({
                                 {"keyfreq", "three_of_five", "5 4 7 4 4 1 4", run_of(5) + frequency(4, 3)},
                                 {"keyfreq", "none_of_five", "5 4 7 4 4 1 5", run_of(5) + frequency(5, 0)},
                                 {"keyfreq", "count_zero", "0 5", run_of(0) + frequency(5, 0)},
                                 {"keyfreq", "negative_count", "-3 5",
                                  "Enter number of elements (max 100): Enter -3 elements:\nEnter the element "
                                  "to count its frequency: " +
                                      frequency(5, 0)},
                                 {"keyfreq", "negative_values", "3 -1 -1 1 -1", run_of(3) + frequency(-1, 2)},
                             }));

TRANSCRIPTS(keyfreq,
            std::vector<Transcript>{
                {"keyfreq", "full_store", "100" + copies(100, "8") + " 8", run_of(100) + frequency(8, 100)},
                // A count above the capacity of 100 is lowered to it; the 101st number is the key.
                {"keyfreq", "count_above_capacity", "250" + copies(101, "3") + " 3",
                 run_of(100) + frequency(3, 100)},
                {"keyfreq", "million_digit_count", "1" + std::string(1'000'000, '7'),
                 run_of(100) + frequency(0, 100)},
                {"keyfreq", "ends_after_sign", "2 4 4 -", run_of(2) + frequency(0, 0)},
                {"keyfreq", "letters", "x", run_of(0) + frequency(0, 0)},
                {"keyfreq", "letter_among_elements", "3 0 q 0", run_of(3) + frequency(0, 3)},
            });

}  // namespace
