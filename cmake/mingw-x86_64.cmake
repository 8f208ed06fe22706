# Cross build for 64-bit Windows with MinGW-w64.
set(mingw_processor x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Tests of this build run under Wine, through a wrapper that keeps their
# output off the pipes Wine's helpers would hold open.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh)
