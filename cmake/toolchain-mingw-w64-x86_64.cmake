# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-win32):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake
# Hosts load the 32-bit module; this build exists so that the command's Windows code can run
# under a 64-bit Wine (package wine64) on a machine whose kernel starts no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVIK_MINGW_TRIPLE x86_64-w64-mingw32)
# Debian installs the 64-bit loader outside the search path.
set(ORVIK_WINE_NAME wine64)
set(ORVIK_WINE_PATHS /usr/lib/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
