// An independent model of the integer read, written from its rules rather
// than from the reader's code, and a check of the reader against it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/console.hpp"

namespace read_model {

struct Step {
  std::optional<std::int32_t> value;  // empty when the read fails
  std::size_t next = 0;               // where the following read starts
};

// One read starting at `at`.
inline Step read(std::string_view input, std::size_t at) {
  std::size_t const start = std::min(input.find_first_not_of(" \t\n\r\v\f", at), input.size());
  std::size_t digits = start;
  if (digits < input.size() && (input[digits] == '+' || input[digits] == '-')) {
    ++digits;
  }
  std::size_t const end = std::min(input.find_first_not_of("0123456789", digits), input.size());
  if (end == digits) {
    return {std::nullopt, digits};  // a sign stays taken, the stopper unread
  }
  std::string_view run = input.substr(digits, end - digits);
  run.remove_prefix(std::min(run.find_first_not_of('0'), run.size()));
  bool const negative = input[start] == '-';
  // Ten digits or fewer fit in 64 bits; a longer run is out of range anyway.
  std::int64_t const magnitude =
      run.size() > 10 ? INT64_MAX : (run.empty() ? 0 : std::stoll(std::string(run)));
  std::int64_t const value = negative ? (magnitude > 2147483648 ? -2147483648 : -magnitude)
                                      : (magnitude > 2147483647 ? 2147483647 : magnitude);
  return {static_cast<std::int32_t>(value), end};
}

// Reads `input` with the real reader until a read fails without consuming
// anything (from then on every read would do the same), comparing every read
// with the model. Returns a description of the first difference, if any.
inline std::optional<std::string> mismatch(std::string_view input) {
  console::Reader in(input);
  std::optional<std::string> difference;
  for (std::size_t at = 0, count = 0;; ++count) {
    constexpr std::int32_t untouched = 0x5eed;
    std::int32_t value = untouched;
    bool const ok = in.read_int(value);
    Step const expected = read(input, at);
    auto const position = in.consumed();
    if (ok != expected.value.has_value() || (ok && value != *expected.value) || (!ok && value != untouched) ||
        position != expected.next) {
      difference = "read " + std::to_string(count) + " at byte " + std::to_string(at) + ": got " +
                   (ok ? std::to_string(value) : "failure") + " ending at " + std::to_string(position) +
                   ", expected " + (expected.value ? std::to_string(*expected.value) : "failure") +
                   " ending at " + std::to_string(expected.next);
      break;
    }
    if (!ok && expected.next == at) {
      break;
    }
    at = expected.next;
  }
  return difference;
}

}  // namespace read_model
