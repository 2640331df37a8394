# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-win32):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake
# Hosts load the 32-bit module; this build exists so that the command's Windows code can run
# under a 64-bit Wine (package wine64) on a machine whose kernel starts no 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVIK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVIK_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ORVIK_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${ORVIK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian installs the 64-bit loader outside the search path.
find_program(ORVIK_WINE64 wine64 PATHS /usr/lib/wine)
if(ORVIK_WINE64)
  execute_process(COMMAND ${ORVIK_WINE64} --version RESULT_VARIABLE orvik_wine64_status
                  OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  if(orvik_wine64_status EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVIK_WINE64})
  endif()
endif()
