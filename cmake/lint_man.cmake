# cmake -DGROFF=... -DPAGE=... -P lint_man.cmake: fails on any groff warning.
execute_process(COMMAND "${GROFF}" -man -ww -z "${PAGE}" RESULT_VARIABLE status ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "${PAGE} does not render cleanly:\n${warnings}")
endif()
