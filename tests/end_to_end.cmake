# The end-to-end tests: each program run as a child process on real pipes
# and files, by a harness built for the machine that runs the tests. Set:
#   INTKIT_PROGRAM_DIR  where the programs are
#   INTKIT_EMULATOR     what runs them here, if anything
#   INTKIT_SYSTEM       the system they are for, where it is not this one
#   INTKIT_FIXTURE      a CTest fixture that every test needs, if any
set(here "${CMAKE_CURRENT_LIST_DIR}")
add_executable(e2e_test)
target_sources(e2e_test PRIVATE
  ${here}/process.cpp ${here}/transcript.cpp ${here}/faults_test.cpp ${here}/gridmath_test.cpp
  ${here}/keyfind_test.cpp ${here}/keyfreq_test.cpp ${here}/tallyfive_test.cpp ${here}/numbers_test.cpp
  ${here}/demos_test.cpp)
target_link_libraries(e2e_test PRIVATE warnings GTest::gtest_main)
target_compile_definitions(e2e_test PRIVATE PROGRAM_DIR="${INTKIT_PROGRAM_DIR}" PROGRAM_SYSTEM="${INTKIT_SYSTEM}")
# Built once for every configuration and architecture, so built fast: its own
# speed hardly matters (though under an emulator it runs slowly enough to
# keep -O1), and GoogleTest's header is most of each file's.
target_compile_options(e2e_test PRIVATE -O1)
target_precompile_headers(e2e_test PRIVATE <gtest/gtest.h>)
# Under the sanitizers, the programs it starts are what is looked at: the
# harness itself, compiled with them too, was half the step's build time.
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  target_compile_options(e2e_test PRIVATE -fno-sanitize=all)
endif()

set(properties ENVIRONMENT "INTKIT_WRAPPER=${INTKIT_EMULATOR}")
if(INTKIT_FIXTURE)
  list(APPEND properties FIXTURES_REQUIRED ${INTKIT_FIXTURE})
endif()
gtest_discover_tests(e2e_test DISCOVERY_TIMEOUT 30 PROPERTIES ${properties})
# The same runs with every program under valgrind's memcheck, where it can run them.
find_program(VALGRIND valgrind)
if(VALGRIND AND NOT CMAKE_CROSSCOMPILING AND NOT INTKIT_SYSTEM)
  gtest_discover_tests(e2e_test
    TEST_PREFIX "memcheck."
    DISCOVERY_TIMEOUT 30
    PROPERTIES
      LABELS memcheck
      ENVIRONMENT "INTKIT_WRAPPER=${VALGRIND} --quiet --error-exitcode=1 --leak-check=full")
endif()

# Failed, interrupted and not-ready system calls injected under each program.
# The script first tries whether strace can trace and inject here (it cannot
# under an emulator, nor where tracing is not allowed) and is skipped if not.
find_program(STRACE strace)
if(STRACE)
  add_test(NAME interrupted_calls COMMAND bash "${here}/interrupted_calls.sh" "${STRACE}" "${INTKIT_PROGRAM_DIR}")
  # LeakSanitizer cannot stop a process that strace already traces.
  set_tests_properties(interrupted_calls PROPERTIES
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;INTKIT_SYSTEM=${INTKIT_SYSTEM}" SKIP_RETURN_CODE 77)
endif()
