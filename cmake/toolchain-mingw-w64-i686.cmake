# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-i686):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-i686.cmake
# Tests built this way run under Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(ORVIK_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVIK_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ORVIK_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${ORVIK_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW sysroot only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORVIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the Windows programs through Wine, where Wine can start: its loader is a 32-bit
# program, which a kernel without 32-bit support refuses.
find_program(ORVIK_WINE wine)
if(ORVIK_WINE)
  execute_process(COMMAND ${ORVIK_WINE} --version RESULT_VARIABLE orvik_wine_status
                  OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  if(orvik_wine_status EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVIK_WINE})
  endif()
endif()
