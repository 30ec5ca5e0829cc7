# Compiler settings and helper functions shared by every target.

add_compile_options(-Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 gives false positives of these inside the standard library at -O2.
  add_compile_options(-Wno-restrict -Wno-maybe-uninitialized -Wno-array-bounds -Wno-stringop-overflow)
endif()

if(QUARVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QUARVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QUARVEL_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# quarvel_library(NAME DIR [DEPS ...] [EXCLUDE file ...]): a static library of every .cpp
# file in DIR (not in its subfolders) but the excluded ones, with DIR as include root.
function(quarvel_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${dir}/${excluded})
  endforeach()
  if(NOT sources)
    message(FATAL_ERROR "The library ${name} has no units in ${dir}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${dir})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# quarvel_test(NAME DIR [DEPS ...] [GUI] [TIMEOUT s] [FIXTURES name]): one GoogleTest
# program built from every .cpp in DIR. Tests are discovered when ctest runs. GUI tests
# need a display (the test script runs ctest under xvfb-run) and the engine's flags;
# FIXTURES names a ctest fixture every test of the program needs.
function(quarvel_test name dir)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT;FIXTURES" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "The test program ${name} has no sources in ${dir}")
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUARVEL_TEST_BIN_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  # Helpers every test may use (the temporary folder).
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    QUARVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QUARVEL_BIN_DIR="${QUARVEL_BIN_DIR}"
    QUARVEL_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(props TIMEOUT ${ARG_TIMEOUT})
  if(ARG_FIXTURES)
    list(APPEND props FIXTURES_REQUIRED ${ARG_FIXTURES})
  endif()
  # The user's own default project and templates come before the shipped ones: tests
  # see none of the person's running them (a test that writes there names its own).
  set(env "XDG_DATA_HOME=${QUARVEL_TEST_BIN_DIR}/no-user-data")
  if(ARG_GUI)
    list(APPEND env "QTWEBENGINE_DISABLE_SANDBOX=1" "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox"
         "QT_QPA_PLATFORM=xcb")
    list(APPEND props LABELS gui)
    # One GUI program at a time: they share the display and the engine is heavy.
    list(APPEND props RESOURCE_LOCK display)
  endif()
  # The list of variables is one property value; it goes through three rounds of list
  # expansion on its way to the test (the discovery call's arguments, its generated
  # script and the property), so its separators are escaped for all three.
  string(REPLACE ";" "\\\\\\\\\\\\\\;" env "${env}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       WORKING_DIRECTORY ${QUARVEL_TEST_BIN_DIR} PROPERTIES ${props} ENVIRONMENT "${env}")
endfunction()

# quarvel_fuzzer(NAME SOURCE [DEPS ...]): a libFuzzer target (fuzz build only).
function(quarvel_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(${name} ${source})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# quarvel_benchmark(NAME SOURCE [DEPS ...]): a Google Benchmark program (built, not run by CI).
function(quarvel_benchmark name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${source})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endfunction()
