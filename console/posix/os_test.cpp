// Writing through short and interrupted system calls, as POSIX has them.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "console/console.hpp"

namespace {

// A slow reader and a timer signal whose handler does not restart calls: the
// writes come back short or interrupted, and every byte must still arrive.
// The reader is a child process, which the timer does not reach, and keeps
// what it reads in a file.
TEST(WriteAll, SurvivesShortAndInterruptedWrites) {
  std::array<int, 2> ends{};
  ASSERT_EQ(::pipe(ends.data()), 0);
  std::FILE* received = std::tmpfile();
  pid_t const reader = ::fork();
  if (reader == 0) {
    ::close(ends[1]);
    std::array<char, 3000> buffer{};
    for (ssize_t n = 0; (n = ::read(ends[0], buffer.data(), buffer.size())) > 0; ::usleep(20)) {
      if (::write(fileno(received), buffer.data(), static_cast<std::size_t>(n)) != n) {
        ::_exit(1);
      }
    }
    ::_exit(0);
  }
  ::close(ends[0]);
  struct sigaction tick {};
  struct sigaction before {};
  tick.sa_handler = [](int) {};
  ::sigaction(SIGALRM, &tick, &before);
  itimerval const often{{0, 200}, {0, 200}};
  ::setitimer(ITIMER_REAL, &often, nullptr);

  std::string expected;
  console::Writer out(ends[1]);
  // Around the edges of the writer's 4096-byte buffer, then past it with text already buffered.
  for (std::size_t const size : {4095U, 1U, 4095U, 4096U, 1U, 9000U}) {
    std::string const piece(size, static_cast<char>('a' + size % 26));
    out.print("%s", piece.c_str());
    expected += piece;
  }
  for (int i = 0; i < 200'000; ++i) {
    out.print("%d,", i);
    expected += std::to_string(i) + ",";
  }
  out.flush();
  std::string text = expected + expected + expected;  // the same bytes again, cut into pieces
  std::vector<console::Piece> pieces;
  for (std::size_t at = 0, size = 1; at < text.size(); at += size, size = size * 7 % 3001 + 1) {
    size = std::min(size, text.size() - at);
    pieces.push_back({text.data() + at, size});
  }
  console::write_all(ends[1], pieces.data(), pieces.size());
  expected += text;

  itimerval const never{};
  ::setitimer(ITIMER_REAL, &never, nullptr);
  ::close(ends[1]);
  int status = -1;
  ::waitpid(reader, &status, 0);
  ::sigaction(SIGALRM, &before, nullptr);
  EXPECT_EQ(status, 0);
  std::string got(static_cast<std::size_t>(::lseek(fileno(received), 0, SEEK_END)), '\0');
  EXPECT_EQ(::pread(fileno(received), got.data(), got.size(), 0), static_cast<ssize_t>(got.size()));
  std::fclose(received);
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
}

}  // namespace
