#include "transcript.hpp"

namespace {

std::string const steps =
    "k = i++ : k = 5, i = 6\n"
    "k = ++i : k = 6, i = 6\n"
    "y = x++ * 10 : y = 50, x = 6\n"
    "y = ++x * 10 : y = 60, x = 6\n"
    "q = p-- / 3 : q = 3, p = 8\n"
    "q = --p / 3 : q = 2, p = 8\n";

std::string const commas =
    "After d = ++a, ++b, ++c, a+5;\n"
    "a = 11, b = 21, c = 31, d = 11\n"
    "After d = (++a, ++b, ++c, a+5);\n"
    "a = 11, b = 21, c = 31, d = 16\n";

TRANSCRIPTS(demos, std::vector<Transcript>{
                       {"stepdemo", "no_input", "", steps},
                       {"stepdemo", "input_ignored", "1 2 3\n", steps},
                       {"commademo", "no_input", "", commas},
                       {"commademo", "input_ignored", "1 2 3\n", commas},
                   });

}  // namespace
