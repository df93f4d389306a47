#include "transcript.hpp"

namespace {

std::string const ask = "Enter array elements: ";

TRANSCRIPTS(
    tallyfive_layouts,
    in_every_layout({
        {"tallyfive", "one_to_five", "1 2 3 4 5", ask + "1\t2\t3\t4\t5\t\nSum = 15\nEven = 2, Odd = 3\n"},
        {"tallyfive", "negatives", "-3 -2 0 7 8", ask + "-3\t-2\t0\t7\t8\t\nSum = 10\nEven = 3, Odd = 2\n"},
        {"tallyfive", "zeros", "0 0 0 0 0", ask + "0\t0\t0\t0\t0\t\nSum = 0\nEven = 5, Odd = 0\n"},
        // The sum is exact, beyond the 32-bit range in both directions.
        {"tallyfive", "sum_above_int32", "2147483647 1 0 0 0",
         ask + "2147483647\t1\t0\t0\t0\t\nSum = 2147483648\nEven = 3, Odd = 2\n"},
        {"tallyfive", "sum_of_minimums", "-2147483648 -2147483648 -2147483648 -2147483648 -2147483648",
         ask + "-2147483648\t-2147483648\t-2147483648\t-2147483648\t-2147483648\t\n"
               "Sum = -10737418240\nEven = 5, Odd = 0\n"},
    }));

TRANSCRIPTS(
    tallyfive,
    std::vector<Transcript>{
        {"tallyfive", "too_few", "9 -1", ask + "9\t-1\t0\t0\t0\t\nSum = 8\nEven = 3, Odd = 2\n"},
        {"tallyfive", "letter_midway", "1 2 z 4 5", ask + "1\t2\t0\t0\t0\t\nSum = 3\nEven = 4, Odd = 1\n"},
        {"tallyfive", "ends_after_sign", "1 2 3 4 -", ask + "1\t2\t3\t4\t0\t\nSum = 10\nEven = 3, Odd = 2\n"},
        {"tallyfive", "million_digits", "-9" + std::string(1'000'000, '9') + " 1",
         ask + "-2147483648\t1\t0\t0\t0\t\nSum = -2147483647\nEven = 4, Odd = 1\n"},
        {"tallyfive", "saturated", "99999999999 1 1 1 1",
         ask + "2147483647\t1\t1\t1\t1\t\nSum = 2147483651\nEven = 0, Odd = 5\n"},
    });

}  // namespace
