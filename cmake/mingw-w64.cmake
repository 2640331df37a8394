# What the MinGW-w64 toolchain files share: the cross compilers of one target triple, the sysroot
# that libraries and headers come from, and the Wine that runs the test programs, where it can
# start. The including file sets CMAKE_SYSTEM_PROCESSOR, ORVIK_MINGW_TRIPLE and ORVIK_WINE_NAME,
# and ORVIK_WINE_PATHS where Debian puts that Wine outside the search path (with
# ORVIK_WINE_PATHS_ONLY where only the one there will do).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ORVIK_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ORVIK_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${ORVIK_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW sysroot only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORVIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the Windows programs through Wine only where it starts: a kernel without 32-bit
# support refuses the 32-bit loader, unless qemu-i386 is registered to run it (scripts/test does
# that as root; doc/DEVELOPING.md says how).
if(ORVIK_WINE_PATHS_ONLY)
  find_program(ORVIK_WINE_LOADER ${ORVIK_WINE_NAME} PATHS ${ORVIK_WINE_PATHS} NO_DEFAULT_PATH)
else()
  find_program(ORVIK_WINE_LOADER ${ORVIK_WINE_NAME} PATHS ${ORVIK_WINE_PATHS})
endif()
if(ORVIK_WINE_LOADER)
  execute_process(COMMAND ${ORVIK_WINE_LOADER} --version RESULT_VARIABLE orvik_wine_status
                  OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  if(orvik_wine_status EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVIK_WINE_LOADER})
  endif()
endif()
