// A piece of output, as writev() takes it.
#pragma once

#include <sys/uio.h>

namespace console {
using Piece = ::iovec;
}
