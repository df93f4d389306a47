// A piece of output, with the fields of the iovec Windows does not have.
#pragma once

#include <cstddef>

namespace console {
struct Piece {
  void* iov_base;
  std::size_t iov_len;
};
}  // namespace console
