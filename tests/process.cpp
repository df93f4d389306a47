#include "process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace e2e {
namespace {

// Generous: a program under valgrind starts slowly; a hang still ends here.
constexpr auto time_limit = std::chrono::seconds(60);
// How long a late input or a stalled output keeps the program waiting.
constexpr auto stall = std::chrono::milliseconds(200);

std::vector<std::string> command_for(std::string const& path) {
  // INTKIT_WRAPPER runs every program under a tool such as valgrind.
  std::vector<std::string> words;
  if (char const* wrapper = std::getenv("INTKIT_WRAPPER")) {
    std::istringstream split(wrapper);
    for (std::string word; split >> word;) {
      words.push_back(word);
    }
  }
  words.push_back(path);
  return words;
}

std::array<int, 2> make_pipe() {
  std::array<int, 2> ends{};
  if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  return ends;
}

// In the child: put `fd` in place of `target`, or leave `target` closed.
void place(int fd, int target) {
  if (fd < 0) {
    ::close(target);
  } else {
    ::dup2(fd, target);
  }
}

}  // namespace

std::string_view programs_system() {
  // INTKIT_SYSTEM names the system of another set of the programs.
  char const* system = std::getenv("INTKIT_SYSTEM");
  return system != nullptr ? system : PROGRAM_SYSTEM;
}

std::string program(std::string_view name) {
  // INTKIT_PROGRAM_DIR tests another set of the programs, an installed one
  // say, and INTKIT_PROGRAM_SUFFIX their ending where it is not the system's
  // (the npm package's commands have none).
  char const* dir = std::getenv("INTKIT_PROGRAM_DIR");
  char const* suffix = std::getenv("INTKIT_PROGRAM_SUFFIX");
  if (suffix == nullptr) {
    suffix = programs_system() == "windows" ? ".exe" : programs_system() == "wasi" ? ".wasm" : "";
  }
  return std::string(dir != nullptr ? dir : PROGRAM_DIR).append("/").append(name).append(suffix);
}

Process::Process(std::string const& path, Streams streams)
    : streams_(streams),
      deadline_(std::chrono::steady_clock::now() + time_limit),
      stalled_until_(std::chrono::steady_clock::now() + stall) {
  std::signal(SIGPIPE, SIG_IGN);  // a program that exits early must not kill the test
  std::vector<std::string> const words = command_for(path);
  std::vector<char*> argv;
  for (auto const& word : words) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);

  int child_in = -1;
  if (streams.input == Input::bytes || streams.input == Input::open_pipe || streams.input == Input::late) {
    auto const ends = make_pipe();
    child_in = ends[0];
    (streams.input == Input::open_pipe ? idle_in_ : in_) = ends[1];
    // Never block on a full pipe while the program waits for us to read its output.
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    if (streams.input == Input::late) {
      ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    }
  } else if (streams.input == Input::null || streams.input == Input::directory) {
    child_in = ::open(streams.input == Input::null ? "/dev/null" : "/", O_RDONLY | O_CLOEXEC);
  } else if (streams.input == Input::file) {
    child_in = ::dup(streams.file);
  } else if (streams.input == Input::reset) {
    std::array<int, 2> ends{};
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data());
    child_in = ends[0];
    // Closing a socket with unread data resets the connection for its peer.
    ::write(ends[0], "x", 1);
    ::close(ends[1]);
  }
  int child_out = -1;
  if (streams.output == Output::capture || streams.output == Output::early_close ||
      streams.output == Output::stalled) {
    auto const ends = make_pipe();
    out_ = ends[0];
    child_out = ends[1];
    if (streams.output == Output::stalled) {
      ::fcntl(child_out, F_SETFL, O_NONBLOCK);
      std::array<char, 4096> filler{};
      for (ssize_t put = 0; put >= 0; put = ::write(child_out, filler.data(), filler.size())) {
        filler_ += static_cast<std::size_t>(put);
      }
    }
  } else if (streams.output != Output::closed) {
    child_out = ::open(streams.output == Output::full ? "/dev/full" : "/dev/null", O_WRONLY | O_CLOEXEC);
  }
  auto const err_ends = make_pipe();
  err_ = err_ends[0];

  pid_ = ::fork();
  if (pid_ == 0) {
    std::signal(SIGPIPE, streams.ignore_sigpipe ? SIG_IGN : SIG_DFL);
    place(child_in, 0);
    place(child_out, 1);
    place(err_ends[1], 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  for (int fd : {child_in, child_out, err_ends[1]}) {
    close_fd(fd);
  }
}

Process::~Process() {
  for (int* fd : {&in_, &out_, &err_, &idle_in_}) {
    close_fd(*fd);
  }
  if (pid_ > 0 && result_.exit_code == -1 && result_.signal == 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void Process::close_fd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

void Process::send(std::string_view bytes) { pending_.append(bytes); }

template <typename Done>
bool Process::pump(Done done) {
  std::array<char, 65536> buffer{};
  while (!done()) {
    if (close_input_ && pending_.empty()) {
      close_fd(in_);
    }
    bool const stalled = std::chrono::steady_clock::now() < stalled_until_;
    int const input = pending_.empty() || (stalled && streams_.input == Input::late) ? -1 : in_;
    int const output = stalled && streams_.output == Output::stalled ? -1 : out_;
    std::array<pollfd, 3> fds{{{output, POLLIN, 0}, {err_, POLLIN, 0}, {input, POLLOUT, 0}}};
    if (out_ < 0 && err_ < 0) {
      return false;
    }
    auto const until = stalled ? std::min(deadline_, stalled_until_) : deadline_;
    auto const left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    int const ready =
        ::poll(fds.data(), fds.size(), static_cast<int>(std::max<decltype(left)::rep>(left.count(), 0)));
    if (!stalled && (ready == 0 || left.count() <= 0)) {
      result_.timed_out = true;
      return false;
    }
    if (fds[2].revents != 0) {
      ssize_t const written = ::write(in_, pending_.data(), pending_.size());
      if (written < 0 && errno != EAGAIN) {
        pending_.clear();  // the program closed its input: the rest cannot go anywhere
        close_fd(in_);
      } else if (written > 0) {
        pending_.erase(0, static_cast<std::size_t>(written));
      }
    }
    for (auto [fd, text] : {std::pair{&out_, &result_.out}, std::pair{&err_, &result_.err}}) {
      pollfd const& polled = fds[fd == &out_ ? 0 : 1];
      if (*fd < 0 || polled.revents == 0) {
        continue;
      }
      std::size_t room = buffer.size();
      if (fd == &out_ && streams_.output == Output::early_close) {
        room = std::min(room, streams_.read_limit - text->size());
      }
      ssize_t const got = ::read(*fd, buffer.data(), room);
      if (got <= 0) {
        close_fd(*fd);
      } else {
        text->append(buffer.data(), static_cast<std::size_t>(got));
        if (fd == &out_ && streams_.output == Output::early_close && text->size() >= streams_.read_limit) {
          close_fd(*fd);
        }
      }
    }
  }
  return true;
}

bool Process::expect(std::string_view text) {
  return pump([&] { return std::string_view(result_.out).ends_with(text); });
}

Result Process::finish() {
  close_input_ = true;
  pump([&] { return out_ < 0 && err_ < 0; });
  if (result_.timed_out) {
    ::kill(pid_, SIGKILL);
  }
  int status = 0;
  ::waitpid(pid_, &status, 0);
  if (WIFEXITED(status)) {
    result_.exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result_.signal = WTERMSIG(status);
  }
  close_fd(idle_in_);
  result_.out.erase(0, filler_);
  return result_;
}

Result run(std::string_view name, std::string_view input, Streams streams) {
  Process process(program(name), streams);
  process.send(input);
  return process.finish();
}

}  // namespace e2e
