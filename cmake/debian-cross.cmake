# Cross-compiles with one of Debian's cross compilers and runs what it builds
# under qemu-user, so that ctest tests the target's own binaries.
#   -DINTKIT_TRIPLE=aarch64-linux-gnu   the compiler is g++-<triple>, whose
#                                       libraries live in /usr/<triple>
#   -DINTKIT_QEMU=qemu-aarch64          the emulator for that processor, used
#                                       unless this machine runs them itself
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

# Where this machine runs the target's programs itself (i386 ones on an
# x86-64 kernel built with 32-bit support, say), it does; otherwise the
# emulator does. Tried once, with a C++ program built by the cross compiler
# as the tests are, so that it needs the target's libstdc++ too: where the
# kernel hands foreign programs to qemu itself (binfmt_misc) and the target's
# libc6 is installed, a C program runs, but the loader there looks for
# libstdc++ only in the target's multiarch folders, not in /usr/<triple>.
# -L: where the emulator finds the target's dynamic loader; the library path
# keeps that loader to its own libc even where the same architecture's libc6
# is installed alongside (multiarch), whose build may differ.
get_property(in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(INTKIT_QEMU AND NOT in_try_compile AND NOT DEFINED CACHE{CMAKE_CROSSCOMPILING_EMULATOR})
  set(probe "${CMAKE_BINARY_DIR}/CMakeFiles/runs-here")
  file(WRITE "${probe}.cpp" "#include <iostream>\nint main() { std::cout << \"\"; }\n")
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" "${probe}.cpp" -o "${probe}" RESULT_VARIABLE built)
  set(ran 1)
  if(built EQUAL 0)
    execute_process(COMMAND "${probe}" RESULT_VARIABLE ran OUTPUT_QUIET ERROR_QUIET)
  endif()
  set(emulator "")
  if(NOT ran EQUAL 0)
    set(emulator "${INTKIT_QEMU};-L;/usr/${INTKIT_TRIPLE};-E;LD_LIBRARY_PATH=/usr/${INTKIT_TRIPLE}/lib")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${emulator}" CACHE STRING "How this machine runs the target's programs")
endif()
