include_guard(GLOBAL)

# Every target links this for its warnings; presets decide whether they are fatal.
add_library(warnings INTERFACE)
target_compile_options(warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow -Wold-style-cast)
