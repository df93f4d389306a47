// The few calls that differ between operating systems. Each behaves as its
// POSIX namesake does: on failure it returns -1 and sets errno. One source
// file for each system implements them, posix/os.cpp or windows/os.cpp,
// picked by the build; the Windows one also puts the standard streams in
// binary mode before main runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "piece.hpp"  // console::Piece, as the system's gather write takes it

namespace console::os {

// Up to `size` bytes from `fd`: how many, 0 at the end of input, or -1.
std::ptrdiff_t read(int fd, char* into, std::size_t size);

// The first of `count` pieces, or more of them: how many bytes went out, or -1.
std::ptrdiff_t write(int fd, Piece const* pieces, std::size_t count);

// Returns once `fd` may be ready for reading or writing, or has failed:
// after an EAGAIN, the next call tells which.
void wait_until_ready(int fd, bool for_writing);

// Moves the position of `fd`, where it is a file on disk, `bytes` back, so
// that the next process sharing it reads from there. A pipe or a terminal
// keeps no position, and nothing moves.
void move_back(int fd, std::uint64_t bytes);

int close(int fd);

// The name the program runs under, without its folder or ".exe".
char const* program_name();

}  // namespace console::os
