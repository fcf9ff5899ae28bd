# GoogleTest from Debian's sources, built for Windows and run under Wine.
include(GoogleTest)

set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
# A folder takes its compile options from the folder that adds it: GoogleTest's none of ours,
# the test folders added after it ours again.
set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "")
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_compile_options(${QUORVANE_WARNINGS})

# quorvane_guard_tests([directory]): ctest in the folder's build tree stops at once unless
# scripts/test started it (tests/ctest_guard.cmake).
function(quorvane_guard_tests)
  set(directory ${ARGN})
  if(NOT directory)
    set(directory ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(guard ${CMAKE_SOURCE_DIR}/tests/ctest_guard.cmake)
  # Before the folder's test discovery, which is added after this.
  get_property(included DIRECTORY ${directory} PROPERTY TEST_INCLUDE_FILES)
  if(NOT guard IN_LIST included)
    set_property(DIRECTORY ${directory} APPEND PROPERTY TEST_INCLUDE_FILES ${guard})
  endif()
endfunction()
quorvane_guard_tests(${CMAKE_SOURCE_DIR})
quorvane_guard_tests()

# Every test runs against one persistent wineserver. The test scripts start it; this fixture
# starts it again should it have ended meanwhile.
add_test(NAME wine_server_start
  COMMAND sh -c "wineserver -p </dev/null >/dev/null 2>&1; ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot </dev/null >/dev/null 2>&1; true")
set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine)

# quorvane_add_gtest(target LABEL label [TIMEOUT seconds] SOURCES source...)
function(quorvane_add_gtest target)
  cmake_parse_arguments(ARG "" "TIMEOUT;LABEL" "SOURCES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  quorvane_guard_tests()
  add_executable(${target} ${ARG_SOURCES})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE gtest_main)
  target_link_options(${target} PRIVATE -static)
  # Listed when ctest runs, against the wineserver the test scripts started, so that building
  # needs no Wine at all. A table's rows are named by the row, not by the bytes of its value.
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 NO_PRETTY_VALUES
    PROPERTIES FIXTURES_REQUIRED wine LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
endfunction()
