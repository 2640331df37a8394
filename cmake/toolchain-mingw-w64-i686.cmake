# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-i686):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-i686.cmake
# Tests built this way run under Wine when it is installed and can start.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVIK_MINGW_TRIPLE i686-w64-mingw32)
set(ORVIK_WINE_NAME wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
