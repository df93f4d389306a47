# Cross-compiles with one of Debian's cross compilers and runs what it builds
# under qemu-user, so that ctest tests the target's own binaries.
#   -DINTKIT_TRIPLE=aarch64-linux-gnu   the compiler is g++-<triple>, whose
#                                       libraries live in /usr/<triple>
#   -DINTKIT_QEMU=qemu-aarch64          the emulator for that processor; none
#                                       where this machine runs them itself
#                                       (i386 programs on an x86-64 kernel)
# (the cross presets set both).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES INTKIT_TRIPLE INTKIT_QEMU)

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${INTKIT_TRIPLE}")
set(CMAKE_C_COMPILER "${INTKIT_TRIPLE}-gcc")
set(CMAKE_CXX_COMPILER "${INTKIT_TRIPLE}-g++")

# Libraries and packages come from the target's tree only; tools run here.
set(CMAKE_FIND_ROOT_PATH "/usr/${INTKIT_TRIPLE}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -L: where the emulator finds the target's dynamic loader; the library path
# keeps that loader to its own libc even where the same architecture's libc6
# is installed alongside (multiarch), whose build may differ.
if(INTKIT_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    "${INTKIT_QEMU};-L;/usr/${INTKIT_TRIPLE};-E;LD_LIBRARY_PATH=/usr/${INTKIT_TRIPLE}/lib"
    CACHE STRING "How this machine runs the target's programs")
endif()
