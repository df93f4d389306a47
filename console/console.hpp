// What every program shares: reading an integer, writing output that really
// goes out, and reporting a failed read or write.
//
// Both directions own their buffers and talk to the file descriptors
// directly: an interrupted call is made again, a descriptor that is not
// ready (O_NONBLOCK) is waited for, a short write goes on where it stopped,
// and any other error ends the program with one line on standard error and
// status 1. stdio cannot give that: it drops what it could not write and
// takes a read error for the end of input. What differs between systems is
// in os.hpp.
#pragma once

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <source_location>
#include <string_view>

#include "piece.hpp"

namespace console {

inline constexpr int standard_input_fd = 0;
inline constexpr int standard_output_fd = 1;
inline constexpr int standard_error_fd = 2;

// Integers from a file descriptor, or from bytes in memory (for tests).
class Reader {
 public:
  // Constant-initialised, so the standard streams need no start-up code.
  constexpr explicit Reader(int fd) : fd_(fd) {}
  constexpr explicit Reader(std::string_view bytes)
      : ended_(true), begin_(bytes.data()), next_(begin_), end_(begin_ + bytes.size()) {}
  Reader(Reader const&) = delete;
  Reader& operator=(Reader const&) = delete;
  ~Reader() = default;

  // Skips white space, takes an optional + or - and a run of decimal digits,
  // and leaves the character after them unread. A value beyond 32 bits
  // saturates to INT32_MIN or INT32_MAX; the whole run of digits is consumed
  // all the same. Without a digit the read fails and leaves `target`
  // untouched; a sign it took stays consumed. The end of input is final.
  [[nodiscard]] bool read_int(std::int32_t& target);

  // How many bytes the reads have taken so far.
  [[nodiscard]] std::uint64_t consumed() const;

  // Moves a seekable descriptor back to just after what was taken, so that
  // the next process sharing it reads the rest.
  void give_back();

 private:
  int peek();
  bool refill();

  int fd_ = -1;
  bool ended_ = false;
  std::uint64_t earlier_ = 0;  // bytes taken from buffers already used up
  char const* begin_ = nullptr;
  char const* next_ = nullptr;
  char const* end_ = nullptr;
  std::array<char, 4096> buffer_{};
};

// Formatted output to a file descriptor through a buffer of its own.
class Writer {
 public:
  constexpr explicit Writer(int fd) : fd_(fd) {}
  Writer(Writer const&) = delete;
  Writer& operator=(Writer const&) = delete;
  ~Writer() = default;

  [[gnu::format(printf, 2, 3)]] void print(char const* format, ...);
  void vprint(char const* format, std::va_list args);
  void flush();

 private:
  int fd_;
  std::size_t used_ = 0;
  std::array<char, 4096> buffer_{};
};

// Writes every byte of `pieces` to `fd`, waiting and retrying as above, and
// returns 0 or the error that stopped it. Moves `pieces` past what went out.
[[nodiscard]] int write_pieces(int fd, Piece* pieces, std::size_t count);
// The same, but a failure ends the program with its report.
void write_all(int fd, Piece* pieces, std::size_t count);
// Formats one line of at most 511 bytes and writes it to `fd` as
// write_pieces does, returning 0 or the error: for reports and the trace.
[[gnu::format(printf, 2, 3)]] [[nodiscard]] int write_line(int fd, char const* format, ...);

// Report "<program>: read error: <reason>" or "<program>: write error:
// <reason>" on standard error and end the process with status 1.
[[noreturn]] void fail_read(int error);
[[noreturn]] void fail_write(int error);

#if defined(INTKIT_TRACE)
// The page's build: before each call below, the page learns on descriptor 3
// where in the program the call was made, and afterwards what a read stored
// (trace.cpp), so that it can show the line of source behind every print
// and read, and stop there. `Here` is the call's place, a default argument
// taken where the call is written.
using Here = std::source_location;
struct Format {
  // NOLINTNEXTLINE(google-explicit-constructor): made from the literal at every call
  Format(char const* format, Here where = Here::current()) : text(format), place(where) {}
  char const* text;
  Here place;
};
void print(Format format, ...);
void traced(char const* call, Here where);
void traced_read(bool got, std::int32_t value);
#else
// Elsewhere nothing is told, and the place is an empty value that costs nothing.
struct Here {
  static constexpr Here current() { return {}; }
};
[[gnu::format(printf, 1, 2)]] void print(char const* format, ...);
inline void traced(char const* /*call*/, Here /*where*/) {}
inline void traced_read(bool /*got*/, std::int32_t /*value*/) {}
#endif

// What the programs use: standard output, and standard input after the
// pending prompt has gone out. A failed read is not reported; `target` keeps
// the value it had.
void read_int(std::int32_t& target, Here where = Here::current());

// Writes out and closes standard output, reporting a failure, and leaves the
// unread rest of standard input for whoever reads it next. `main` returns its
// result.
int finish(Here where = Here::current());

// Standard output's writer, for print (print.cpp, or trace.cpp in the page's build).
Writer& standard_output();

}  // namespace console
