# Runs a Windows GoogleTest program under wine64 and decides from what it printed, not
# from its exit status: wine64 exits 0 even when the program did not run at all (a
# 32-bit program, a missing library). Passes only when the program reports that every
# one of at least MINIMUM tests passed.
#   cmake -DWINE=... -DPREFIX=... -DPROGRAM=... [-DMINIMUM=n] -P RunUnderWine.cmake
if(NOT MINIMUM)
  set(MINIMUM 1)
endif()
set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=d")
execute_process(COMMAND ${WINE} ${PROGRAM} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message("${out}")
if(NOT out MATCHES "\\[  PASSED  \\] ([0-9]+) tests?\\.")
  message(FATAL_ERROR "${PROGRAM} reported no passed tests under wine (exit status ${rc}):\n${err}")
endif()
set(passed ${CMAKE_MATCH_1})
if(out MATCHES "\\[  FAILED  \\]")
  message(FATAL_ERROR "${PROGRAM}: tests failed under wine")
endif()
if(passed LESS MINIMUM)
  message(FATAL_ERROR "${PROGRAM}: only ${passed} tests ran, at least ${MINIMUM} expected")
endif()
if(NOT out MATCHES "\\[==========\\] ${passed} tests? from")
  message(FATAL_ERROR "${PROGRAM}: not every test that ran passed")
endif()
