include_guard(GLOBAL)

# The page's build steps through the files Source shows, statement by
# statement, and reads their variables from memory: those files keep every
# local in memory and every statement in the line table. The console library
# is stepped over, and stays optimised. Linked without -O, since clang would
# then have binaryen optimise the program, which drops the line table.
function(steppable target)
  if(INTKIT_TRACE)
    target_compile_options(${target} PRIVATE -g -O0)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_link_options(${target} PRIVATE -O0)
    endif()
  endif()
endfunction()

# add_program(NAME SOURCES file... [LIBRARIES lib...])
# Declares one of the shipped programs: its executable, warnings, hardening,
# the console library every program uses, and its installation. Its manual
# page, man/NAME.1, is installed by man/.
function(add_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES")
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE warnings hardening console ${arg_LIBRARIES})
  steppable(${name})
  if(INTKIT_STATIC)
    target_link_options(${name} PRIVATE ${INTKIT_STATIC_FLAG})
  endif()
  # The compilers' version notes only make the programs larger.
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND "${CMAKE_OBJCOPY}" --remove-section=.comment "$<TARGET_FILE:${name}>" VERBATIM)
  install(TARGETS ${name} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  set_property(GLOBAL APPEND PROPERTY INTKIT_PROGRAMS ${name})
  # Its own files and those of the libraries of its own that it links, as
  # the web page shows them (the console library is every program's).
  program_files(files ${arg_SOURCES})
  foreach(library IN LISTS arg_LIBRARIES)
    get_property(library_files GLOBAL PROPERTY INTKIT_FILES_${library})
    list(APPEND files ${library_files})
  endforeach()
  set_property(GLOBAL PROPERTY INTKIT_FILES_${name} ${files})
endfunction()

# program_files(VARIABLE file...): each file's path from the top of the
# tree, a .cpp file's header first where it has one.
function(program_files variable)
  set(files "")
  foreach(source IN LISTS ARGN)
    string(REGEX REPLACE "\\.cpp$" ".hpp" header "${CMAKE_CURRENT_SOURCE_DIR}/${source}")
    foreach(file IN ITEMS "${header}" "${CMAKE_CURRENT_SOURCE_DIR}/${source}")
      file(RELATIVE_PATH path "${PROJECT_SOURCE_DIR}" "${file}")
      if(EXISTS "${file}" AND NOT path IN_LIST files)
        list(APPEND files "${path}")
      endif()
    endforeach()
  endforeach()
  set(${variable} ${files} PARENT_SCOPE)
endfunction()

# add_shipped_library(NAME SOURCES file... [LIBRARIES lib...])
# A static library that programs link: built with the same hardening.
function(add_shipped_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES")
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${arg_LIBRARIES} PRIVATE warnings hardening)
  if(NOT name STREQUAL "console")
    steppable(${name})
  endif()
  program_files(files ${arg_SOURCES})
  set_property(GLOBAL PROPERTY INTKIT_FILES_${name} ${files})
endfunction()

# Windows programs are tested under Wine, whose server starts once before
# the tests and stops after them (cmake/wine-run). The tests are listed when
# ctest starts, not at build time, so that a build alone starts no server.
if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR AND BUILD_TESTING)
  set(INTKIT_EMULATOR_FIXTURE wine)
  add_test(NAME wine.start COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --start)
  add_test(NAME wine.stop COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --stop)
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
  set(INTKIT_DISCOVERY DISCOVERY_MODE PRE_TEST PROPERTIES FIXTURES_REQUIRED wine)
endif()

# add_unit_test(NAME SOURCES file... [LIBRARIES lib...])
function(add_unit_test name)
  # A static build differs from the release build only in how the programs
  # are linked, which the end-to-end tests check; the code under a unit
  # test is the same, and tested there.
  if(NOT BUILD_TESTING OR INTKIT_STATIC)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES")
  add_executable(${name} ${arg_SOURCES})
  # The code under test comes optimised from its library; the test itself
  # need not be fully, and builds in half the time.
  target_compile_options(${name} PRIVATE -O1)
  target_link_libraries(${name} PRIVATE warnings ${arg_LIBRARIES} scratch_file GTest::gtest_main)
  if(WASI)  # a folder for scratch files, as WASI has no temporary ones
    set(scratch "${CMAKE_CURRENT_BINARY_DIR}/${name}.tmp")
    file(MAKE_DIRECTORY "${scratch}")
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR} --tmp=${scratch})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 ${INTKIT_DISCOVERY})
endfunction()

# gzip_for_install(SOURCE OUTPUT)
# Makes OUTPUT, SOURCE compressed as Debian installs pages and changelogs:
# gzip -9n stores no name or time, so the same file always gives the same bytes.
function(gzip_for_install source output)
  add_custom_command(OUTPUT "${output}"
    COMMAND gzip -9n -c "${source}" > "${output}"
    DEPENDS "${source}"
    VERBATIM)
endfunction()

# text_for_windows(OUTPUT SOURCE COMMAND...)
# Makes OUTPUT from what COMMAND prints about SOURCE, with the CRLF line ends
# that every Windows editor reads.
function(text_for_windows output source)
  add_custom_command(OUTPUT "${output}"
    COMMAND ${ARGN} | sed "s/$/\\r/" > "${output}"
    DEPENDS "${source}"
    VERBATIM)
endfunction()
