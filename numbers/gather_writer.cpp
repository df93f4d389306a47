#include "numbers/gather_writer.hpp"

#include <algorithm>
#include <cstring>

#include "console/console.hpp"

void GatherWriter::repeat(std::string_view pattern, std::uint64_t times) {
  if (pattern.size() > block_size) {  // longer than a block: copy it through in blocks
    for (; times > 0; --times) {
      for (std::size_t at = 0; at < pattern.size(); at += block_size) {
        repeat(pattern.substr(at, block_size), 1);
      }
    }
    return;
  }
  if (pattern.empty()) {
    return;
  }
  // Keeps the byte count below within 64 bits.
  for (std::uint64_t const most = UINT64_MAX / pattern.size(); times > most; times -= most) {
    repeat(pattern, most);
  }
  std::uint64_t remaining = pattern.size() * times;
  // A block holds whole copies, so every piece cut from its front ends in phase.
  std::size_t const copies = std::max<std::size_t>(1, block_size / pattern.size());
  while (remaining > 0) {
    auto const block = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, copies * pattern.size()));
    char const* data = stage(pattern, block);
    // A flush empties the stage, and the block with it: build it again then.
    for (std::uint64_t const generation = flushes_; remaining > 0 && flushes_ == generation;) {
      auto const piece = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, block));
      remaining -= piece;
      add(data, piece);
    }
  }
}

void GatherWriter::spaces(std::uint64_t count) {
  if (count < 64) {  // short runs are cheaper copied than pointed at
    repeat(" ", count);
    return;
  }
  while (count > 0) {
    auto const piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, spaces_.size()));
    count -= piece;
    add(spaces_.data(), piece);
  }
}

char const* GatherWriter::stage(std::string_view pattern, std::size_t size) {
  if (stage_.size() - staged_ < size) {
    flush();
  }
  char* const block = stage_.data() + staged_;
  std::size_t built = std::min(pattern.size(), size);
  std::memcpy(block, pattern.data(), built);
  while (built < size) {  // doubling: log2 copies however long the block
    std::size_t const more = std::min(built, size - built);
    std::memcpy(block + built, block, more);
    built += more;
  }
  staged_ += size;
  return block;
}

void GatherWriter::add(char const* data, std::size_t size) {
  console::Piece* const last = piece_count_ > 0 ? &pieces_[piece_count_ - 1] : nullptr;
  if (last != nullptr && static_cast<char const*>(last->iov_base) + last->iov_len == data) {
    last->iov_len += size;
  } else {
    pieces_[piece_count_++] = {const_cast<char*>(data), size};
  }
  queued_ += size;
  if (queued_ >= flush_size || piece_count_ == pieces_.size()) {
    flush();
  }
}

void GatherWriter::flush() {
  console::write_all(fd_, pieces_.data(), piece_count_);
  staged_ = 0;
  piece_count_ = 0;
  queued_ = 0;
  ++flushes_;
}
