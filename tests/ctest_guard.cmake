# Read by ctest before any test of the folder is listed or run. The tests start Wine programs
# and windows; scripts/test gives each pass a display and a Wine prefix of its own and names
# that prefix in QUORVANE_TEST_PREFIX. Anywhere else they would use the person's own prefix
# (~/.wine), so ctest stops here, before the test programs are even listed.
set(test_prefix "$ENV{QUORVANE_TEST_PREFIX}")
if(test_prefix STREQUAL "" OR NOT test_prefix STREQUAL "$ENV{WINEPREFIX}")
  message(FATAL_ERROR "Run the tests with scripts/test, or scripts/test -R NAME for some.")
endif()
