# Builds 64-bit Windows programs with Debian's mingw-w64 cross compiler and
# runs what it builds under Wine, so that ctest tests the .exe files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
# The posix thread model, as GoogleTest needs std::mutex, which GCC 12 has
# only there; the programs start no thread. The C runtime is msvcrt.dll,
# which every Windows ships.
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ and GCC runtimes linked in: an .exe then imports Windows' own DLLs alone.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Wine in a prefix of the build's own; see wine-run.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;${CMAKE_BINARY_DIR}/wine")
