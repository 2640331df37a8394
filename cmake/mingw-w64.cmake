# What the MinGW-w64 toolchain files share: the cross compilers of one target triple, the sysroot
# that libraries and headers come from, and the Wine that runs the test programs, where it can
# start. The including file sets CMAKE_SYSTEM_PROCESSOR, ORVIK_MINGW_TRIPLE and ORVIK_WINE_NAME
# (and ORVIK_WINE_PATHS, where Debian puts that Wine outside the search path).
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
# support refuses the 32-bit loader.
find_program(ORVIK_WINE ${ORVIK_WINE_NAME} PATHS ${ORVIK_WINE_PATHS})
if(ORVIK_WINE)
  execute_process(COMMAND ${ORVIK_WINE} --version RESULT_VARIABLE orvik_wine_status
                  OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  if(orvik_wine_status EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVIK_WINE})
  endif()
endif()
