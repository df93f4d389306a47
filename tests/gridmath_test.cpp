#include "transcript.hpp"

namespace {

std::string const grids =
    "The array after addition:\n"
    "2\t3\t4\t5\t\n"
    "6\t7\t8\t9\t\n"
    "10\t11\t12\t13\t\n"
    "The array after substraction:\n"
    "0\t1\t2\t3\t\n"
    "4\t5\t6\t7\t\n"
    "8\t9\t10\t11\t\n"
    "The array after multification:\n"
    "1\t2\t3\t4\t\n"
    "5\t6\t7\t8\t\n"
    "9\t10\t11\t12\t\n";

TRANSCRIPTS(gridmath, std::vector<Transcript>{
                          {"gridmath", "no_input", "", grids},
                          {"gridmath", "input_ignored", "1 2 3\n", grids},
                      });

}  // namespace
