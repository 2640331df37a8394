# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-i686):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-i686.cmake
# Tests built this way run under Wine when its 32-bit half is installed and can start.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVIK_MINGW_TRIPLE i686-w64-mingw32)
set(ORVIK_WINE_NAME wine)
# Debian's wine command falls back to the 64-bit loader when the 32-bit half (wine32:i386) is
# missing, and that one cannot run these programs: where Debian's loaders are, the 32-bit one
# itself is wanted.
if(EXISTS /usr/lib/wine/wine64)
  set(ORVIK_WINE_PATHS /usr/lib/wine)
  set(ORVIK_WINE_PATHS_ONLY ON)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
