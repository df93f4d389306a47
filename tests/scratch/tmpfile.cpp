#include "scratch_file.hpp"

std::FILE* scratch_file() { return std::tmpfile(); }
