# Builds the programs as WebAssembly for the WebAssembly System Interface
# (preview 1) with Debian's clang 19 and its wasm32 C and C++ libraries, and
# runs what it builds under Node.js's WASI, so that ctest tests the .wasm
# files themselves.
set(CMAKE_SYSTEM_NAME WASI)  # cmake/Platform/WASI.cmake
set(CMAKE_SYSTEM_PROCESSOR wasm32)
list(APPEND CMAKE_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}")

set(triple wasm32-wasi)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_SYSROOT /usr)
# No exceptions: the wasm32 C++ library is built without them. libc++ reads
# only the headers a file names, not the ones they used to bring along: the
# page's compiler then parses half as much for each change.
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -D_LIBCPP_REMOVE_TRANSITIVE_INCLUDES")
# A stack of 1 MiB rather than wasm-ld's 64 KiB, as the unit tests keep a
# gather writer (130 KiB) on it. It lies below the data, so an overflow traps.
set(CMAKE_EXE_LINKER_FLAGS_INIT -Wl,-z,stack-size=1048576)

set(CMAKE_FIND_ROOT_PATH /usr/lib/${triple} /usr/include/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Say which of Debian's packages are missing, rather than fail on a file.
get_property(in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT in_try_compile)
  set(missing "")
  # llvm: the archiver and strip that know WebAssembly.
  foreach(need "clang-19:/usr/bin/clang++-19" "lld-19:/usr/lib/llvm-19/bin/wasm-ld" "llvm:/usr/bin/llvm-ar"
          "wasi-libc:/usr/lib/${triple}/libc.a" "libc++-19-dev-wasm32:/usr/lib/${triple}/libc++.a"
          "libc++abi-19-dev-wasm32:/usr/lib/${triple}/libc++abi.a"
          "libclang-rt-19-dev-wasm32:/usr/lib/llvm-19/lib/clang/19/lib/wasi/libclang_rt.builtins-wasm32.a")
    string(REGEX MATCH "^[^:]+" package "${need}")
    string(REGEX REPLACE "^[^:]+:" "" file "${need}")
    if(NOT EXISTS "${file}")
      list(APPEND missing ${package})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing " " missing)
    message(FATAL_ERROR "The WASI build needs Debian's packages: ${missing}\n"
                        "  sudo apt-get install -y ${missing}")
  endif()
endif()

# Node.js runs the programs and their tests (node 18 or later).
find_program(INTKIT_NODE node REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${INTKIT_NODE};--no-warnings;${CMAKE_CURRENT_LIST_DIR}/../packaging/npm/run.mjs")
