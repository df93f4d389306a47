// Runs a program as a child process with chosen standard streams, so that
// tests see exactly the bytes, the diagnostics and the status a user would.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace e2e {

enum class Input {
  bytes,      // a pipe carrying the bytes given, then closed
  open_pipe,  // a pipe that stays open and silent for the whole run
  null,       // /dev/null
  closed,     // no file descriptor 0 at all
  directory,  // a directory, which cannot be read
  reset,      // a socket whose peer has reset the connection
  late,       // a non-blocking pipe whose bytes arrive only after a while
  file,       // the open file `Streams::file`, shared with the test
};

enum class Output {
  capture,      // a pipe read to its end
  early_close,  // a pipe whose reader stops after `read_limit` bytes
  full,         // /dev/full
  null,         // /dev/null
  closed,       // no file descriptor 1 at all
  stalled,      // a non-blocking pipe already full, read only after a while
};

struct Streams {
  Input input = Input::bytes;
  Output output = Output::capture;
  std::size_t read_limit = 0;
  int file = -1;
  bool ignore_sigpipe = false;  // so that writing to a reader that left fails with EPIPE
};

struct Result {
  std::string out;
  std::string err;
  int exit_code = -1;  // -1 when the program did not exit by itself
  int signal = 0;      // the signal that ended it, if any
  bool timed_out = false;
};

// The system the programs are for, where it is not this one: "windows" for
// .exe files under Wine, "wasi" for .wasm files under Node.js.
std::string_view programs_system();

// The path of one of the built programs.
std::string program(std::string_view name);

class Process {
 public:
  Process(std::string const& path, Streams streams);
  Process(Process const&) = delete;
  Process& operator=(Process const&) = delete;
  ~Process();

  // Queues bytes for the program's standard input.
  void send(std::string_view bytes);
  // Reads output until standard output ends with `text`; false on time-out
  // or when the output ends first.
  bool expect(std::string_view text);
  // Closes standard input once the queued bytes are written, reads both
  // outputs to their end and collects the exit status.
  Result finish();

 private:
  template <typename Done>
  bool pump(Done done);
  void close_fd(int& fd);

  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  int err_ = -1;
  int idle_in_ = -1;
  std::size_t filler_ = 0;  // bytes that filled a stalled output before the program started
  bool close_input_ = false;
  std::string pending_;
  Streams streams_;
  Result result_;
  std::chrono::steady_clock::time_point deadline_;
  std::chrono::steady_clock::time_point stalled_until_;
};

// Feeds `input` and returns what the program did with it.
Result run(std::string_view name, std::string_view input, Streams streams = {});

}  // namespace e2e
