// A temporary file for unit tests, removed once closed.
#pragma once

#include <cstdio>

std::FILE* scratch_file();
