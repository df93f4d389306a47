#include "process.hpp"

#include <fcntl.h>
#include <poll.h>
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

std::string program(std::string_view name) { return std::string(PROGRAM_DIR "/").append(name); }

Process::Process(std::string const& path, Streams streams)
    : streams_(streams), deadline_(std::chrono::steady_clock::now() + time_limit) {
  std::signal(SIGPIPE, SIG_IGN);  // a program that exits early must not kill the test
  std::vector<std::string> const words = command_for(path);
  std::vector<char*> argv;
  for (auto const& word : words) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);

  int child_in = -1;
  if (streams.input == Input::bytes || streams.input == Input::open_pipe) {
    auto const ends = make_pipe();
    child_in = ends[0];
    (streams.input == Input::bytes ? in_ : idle_in_) = ends[1];
    // Never block on a full pipe while the program waits for us to read its output.
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
  } else if (streams.input == Input::null) {
    child_in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  }
  int child_out = -1;
  if (streams.output == Output::capture || streams.output == Output::early_close) {
    auto const ends = make_pipe();
    out_ = ends[0];
    child_out = ends[1];
  } else if (streams.output != Output::closed) {
    child_out = ::open(streams.output == Output::full ? "/dev/full" : "/dev/null", O_WRONLY | O_CLOEXEC);
  }
  auto const err_ends = make_pipe();
  err_ = err_ends[0];

  pid_ = ::fork();
  if (pid_ == 0) {
    std::signal(SIGPIPE, SIG_DFL);
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
    std::array<pollfd, 3> fds{
        {{out_, POLLIN, 0}, {err_, POLLIN, 0}, {pending_.empty() ? -1 : in_, POLLOUT, 0}}};
    if (out_ < 0 && err_ < 0) {
      return false;
    }
    auto const left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0 || ::poll(fds.data(), fds.size(), static_cast<int>(left.count())) == 0) {
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
  return result_;
}

Result run(std::string_view name, std::string_view input, Streams streams) {
  Process process(program(name), streams);
  process.send(input);
  return process.finish();
}

}  // namespace e2e
