# The same program built for 64-bit Windows. It is what the tests run on machines whose Linux
# kernel cannot start 32-bit programs, where Wine runs only 64-bit Windows code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# The 64-bit loader itself, through the scripts' stand-in: the wine launcher would pick the
# 32-bit one where it is installed.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-bin/wine64)
