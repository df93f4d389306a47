// Buffered output for programs that write far more than they compute.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "console/console.hpp"

// Collects output as pieces and hands them to a gather write in large calls. A long
// run of one pattern is written as many pieces pointing at one small block of
// it, so a row of megabytes costs a few kilobytes of copying and memory stays
// fixed whatever the output size. Writing goes through console::write_all,
// so a failed write ends the process with its report.
class GatherWriter {
 public:
  // Constant-initialised, so that it can live in static storage: as a local
  // its 150 KiB frame would be probed page by page at every call (stack
  // clash protection), a tenth of a short run's time.
  constexpr explicit GatherWriter(int fd) : fd_(fd) {}
  GatherWriter(GatherWriter const&) = delete;
  GatherWriter& operator=(GatherWriter const&) = delete;
  ~GatherWriter() = default;

  // Appends `pattern` `times` times over; any pattern, the empty one included.
  void repeat(std::string_view pattern, std::uint64_t times);
  // Appends `count` spaces.
  void spaces(std::uint64_t count);
  // Writes out everything appended so far.
  void flush();
  // Sends what is appended from now on to `fd`; call it with nothing pending.
  void redirect(int fd) { fd_ = fd; }

 private:
  static constexpr std::size_t block_size = 2048;
  static constexpr std::size_t flush_size = std::size_t{128} * 1024;
  static constexpr std::size_t max_pieces = 1024;  // IOV_MAX on Linux: one writev() a flush
  static constexpr std::array<char, block_size> spaces_ = [] {
    std::array<char, block_size> spaces{};
    spaces.fill(' ');
    return spaces;
  }();

  char const* stage(std::string_view pattern, std::size_t size);
  void add(char const* data, std::size_t size);

  int fd_;
  std::uint64_t flushes_ = 0;
  std::size_t staged_ = 0;
  std::size_t piece_count_ = 0;
  std::size_t queued_ = 0;
  std::array<console::Piece, max_pieces> pieces_{};
  std::array<char, flush_size + block_size> stage_{};
};
