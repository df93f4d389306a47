// What every program shares: reading an integer, and making sure that what it
// wrote to standard output really went out.
#pragma once

#include <cstdint>
#include <cstdio>

namespace console {

// Reads one integer from `in`: skips white space, takes an optional + or -
// and a run of decimal digits, and leaves the character after them unread.
// A value beyond 32 bits saturates to INT32_MIN or INT32_MAX; the whole run
// of digits is consumed all the same. Without a digit the read fails and
// leaves `target` untouched; a sign it took stays consumed.
[[nodiscard]] bool read_int(std::FILE* in, std::int32_t& target);

// The form the programs use: shows the pending prompt by flushing standard
// output, then reads from standard input. A failed read is not reported;
// `target` keeps the value it had.
void read_int(std::int32_t& target);

// Reports a failed write to standard output as "<program>: write error:
// <reason>" on standard error and ends the process with status 1.
[[noreturn]] void fail_write(int error);

// Flushes and closes standard output, reporting a failure as above. `main`
// returns its result.
int finish();

}  // namespace console
