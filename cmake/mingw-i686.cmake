# Cross build for 32-bit Windows with MinGW-w64. This kernel cannot run
# 32-bit programs, so this build is compiled and linked but not run here.
set(mingw_processor i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
