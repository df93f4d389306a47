#include <algorithm>
#include <cerrno>

#include "console/console.hpp"
#include "console/os.hpp"

namespace console {
namespace {

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool is_digit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

bool Reader::read_int(std::int32_t& target) {
  int c = peek();
  while (is_space(c)) {
    ++next_;
    c = peek();
  }
  bool const negative = c == '-';
  if (c == '-' || c == '+') {
    ++next_;
    c = peek();
  }
  if (!is_digit(c)) {
    return false;
  }
  // Capping at 2^31 keeps the arithmetic small however long the digit run is.
  constexpr std::int64_t cap = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; is_digit(c); ++next_, c = peek()) {
    magnitude = std::min(magnitude * 10 + (c - '0'), cap);
  }
  target = static_cast<std::int32_t>(negative ? -magnitude : std::min(magnitude, cap - 1));
  return true;
}

std::uint64_t Reader::consumed() const { return earlier_ + static_cast<std::uint64_t>(next_ - begin_); }

void Reader::give_back() {
  if (fd_ >= 0 && next_ != end_) {
    os::move_back(fd_, static_cast<std::uint64_t>(end_ - next_));
    next_ = end_;
  }
}

// The next byte, or -1 at the end of input.
int Reader::peek() {
  if (next_ == end_ && !refill()) {
    return -1;
  }
  return static_cast<unsigned char>(*next_);
}

bool Reader::refill() {
  if (ended_) {
    return false;
  }
  earlier_ += static_cast<std::uint64_t>(next_ - begin_);
  begin_ = next_ = end_ = buffer_.data();
  for (;;) {
    std::ptrdiff_t const got = os::read(fd_, buffer_.data(), buffer_.size());
    if (got > 0) {
      end_ = begin_ + got;
      return true;
    }
    if (got == 0) {
      ended_ = true;
      return false;
    }
    if (errno == EAGAIN) {
      os::wait_until_ready(fd_, false);
    } else if (errno != EINTR) {
      fail_read(errno);
    }
  }
}

}  // namespace console
