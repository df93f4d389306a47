// libFuzzer target: random sequences of output operations through the
// console writer and the gather writer, compared with a plain string of
// what they should have written.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/console.hpp"
#include "numbers/gather_writer.hpp"

namespace {

class Script {
 public:
  Script(std::uint8_t const* data, std::size_t size) : data_(data), size_(size) {}
  [[nodiscard]] bool more() const { return at_ < size_; }
  std::uint32_t number(int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      value = value << 8 | (more() ? data_[at_++] : 0U);
    }
    return value;
  }
  std::string text(std::size_t length) {
    length = std::min(length, size_ - at_);
    std::string taken(reinterpret_cast<char const*>(data_ + at_), length);
    at_ += length;
    std::replace(taken.begin(), taken.end(), '\0', '0');  // %s would stop at a NUL
    return taken;
  }

 private:
  std::uint8_t const* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Keeps one operation's output near 20 KB at most: many small steps find more.
std::uint64_t times_for(std::size_t length, std::uint32_t wanted) {
  return wanted % (20'000 / std::max<std::size_t>(length, 1) + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  // One file for every run, emptied each time: fresh ones cost more than the run.
  static int const fd = memfd_create("written", 0);
  ::ftruncate(fd, 0);
  ::lseek(fd, 0, SEEK_SET);
  static std::string expected;  // kept: growing a fresh one each run is most of the cost
  expected.clear();
  {
    console::Writer out(fd);
    GatherWriter gather(fd);
    bool gathering = false;  // the two share the descriptor: hand over with a flush
    auto const use_gather = [&](bool wanted) {
      if (wanted != gathering) {
        wanted ? out.flush() : gather.flush();
        gathering = wanted;
      }
    };
    // Past a few megabytes a run only repeats itself, slowly.
    for (Script script(data, size); script.more() && expected.size() < 4'000'000;) {
      switch (script.number(1) % 6) {
        case 0: {
          auto const value = static_cast<std::int32_t>(script.number(4));
          use_gather(false);
          out.print("%d\t", value);
          expected += std::to_string(value) + "\t";
          break;
        }
        case 1: {
          std::string const text = script.text(script.number(2));
          use_gather(false);
          out.print("<%s>", text.c_str());
          expected += "<" + text + ">";
          break;
        }
        case 2:
          use_gather(false);
          out.flush();
          break;
        case 3: {
          std::string const pattern =
              script.text(script.number(1) % 4 == 0 ? script.number(2) : script.number(1) % 12);
          std::uint64_t const times = times_for(pattern.size(), script.number(2));
          use_gather(true);
          gather.repeat(pattern, times);
          // In a few appends, by doubling, rather than one a copy.
          std::string copies = pattern;
          for (std::uint64_t n = times; n > 0; n >>= 1U, copies += copies) {
            if ((n & 1U) != 0) {
              expected += copies;
            }
          }
          break;
        }
        case 4: {
          std::uint64_t const count = script.number(3) % 200'000;
          use_gather(true);
          gather.spaces(count);
          expected.append(count, ' ');
          break;
        }
        default:
          use_gather(true);
          gather.flush();
          break;
      }
    }
    out.flush();  // one of the two is empty since the last hand-over
    gather.flush();
  }
  static std::string written;  // kept for the same reason as `expected`
  written.resize(expected.size() + 1);
  auto const got = ::pread(fd, written.data(), written.size(), 0);
  if (got != static_cast<ssize_t>(expected.size()) || written.compare(0, expected.size(), expected) != 0) {
    std::fprintf(stderr, "wrote %zd bytes, expected %zu, or other bytes\n", got, expected.size());
    std::abort();
  }
  return 0;
}
