include_guard(GLOBAL)

# GoogleTest built for the machine the tests run on: Debian's libgtest-dev
# natively; in a cross build, Debian's googletest sources compiled with the
# cross compiler.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(INTKIT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, for a cross build")
  if(NOT EXISTS "${INTKIT_GOOGLETEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest: neither built for this target nor its sources in "
                        "${INTKIT_GOOGLETEST_SOURCE} (Debian package googletest)")
  endif()
  if(WASI)
    # Its own build adds -fexceptions, which WASI's C++ library lacks: the
    # two sources alone, without exceptions, threads or stream redirection.
    set(source "${INTKIT_GOOGLETEST_SOURCE}/googletest")
    add_library(gtest_main STATIC EXCLUDE_FROM_ALL "${source}/src/gtest-all.cc" "${source}/src/gtest_main.cc")
    target_include_directories(gtest_main SYSTEM PUBLIC "${source}/include" PRIVATE "${source}")
    target_compile_definitions(gtest_main PUBLIC
      GTEST_HAS_EXCEPTIONS=0 GTEST_HAS_STREAM_REDIRECTION=0 GTEST_HAS_PTHREAD=0)
    add_library(GTest::gtest_main ALIAS gtest_main)
    set(built gtest_main)
  else()
    set(BUILD_GMOCK OFF)
    set(INSTALL_GTEST OFF)
    add_subdirectory("${INTKIT_GOOGLETEST_SOURCE}" googletest EXCLUDE_FROM_ALL SYSTEM)
    # Its own warnings are not ours to make fatal.
    set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
    set(built gtest gtest_main)
  endif()
  # Built for every architecture, and on the way to every test: -O1, as the
  # tests themselves, compiles gtest-all.cc in 60% of the time -O3 takes.
  foreach(target IN LISTS built)
    target_compile_options(${target} PRIVATE -O1)
  endforeach()
endif()
include(GoogleTest)
