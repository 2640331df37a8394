# Fails unless the module exports exactly the host routines and the seeding routine, under their
# bare names.
#   cmake -DMODULE=liborvik.so -P check_exports.cmake
#   cmake -DMODULE=orvik.dll -DOBJDUMP=i686-w64-mingw32-objdump -P check_exports.cmake
# With OBJDUMP (a Windows binary) the file must also need nothing but system DLLs, so that the
# C++ runtime is known to be linked in; -DEXPECTED= then checks a program that exports nothing.
if(NOT DEFINED EXPECTED)
  set(EXPECTED DiceMain LoadDll OrvikSeed SneakAttack)
endif()

set(names)
if(OBJDUMP)
  execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${MODULE}")
  endif()
  # The names are listed under "[Ordinal/Name Pointer] Table", one "[   N] name" a line.
  string(FIND "${out}" "[Ordinal/Name Pointer] Table" at)
  if(at GREATER -1)
    string(SUBSTRING "${out}" ${at} -1 table)
    string(FIND "${table}" "\n\n" end)
    string(SUBSTRING "${table}" 0 ${end} table)
    string(REGEX MATCHALL "\n[ \t]*\\[ *[0-9]+\\] [^\n]+" entries "${table}")
    foreach(entry IN LISTS entries)
      string(REGEX REPLACE "^\n[ \t]*\\[ *[0-9]+\\] " "" name "${entry}")
      list(APPEND names "${name}")
    endforeach()
  endif()

  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${out}")
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "^DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll MATCHES "^(kernel32|msvcrt|ntdll|user32|advapi32|shell32|ucrtbase|api-ms-win-[a-z0-9-]+)\\.dll$")
      message(FATAL_ERROR "${MODULE} needs ${dll}, which is not part of Windows")
    endif()
  endforeach()
  if(NOT imports)
    message(FATAL_ERROR "no import table found in ${MODULE}")
  endif()
else()
  execute_process(COMMAND nm -D --defined-only ${MODULE} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on ${MODULE}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${out}")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
    list(APPEND names ${name})
  endforeach()
endif()

# An instrumented module also exports what the instrumentation adds: the type information of the
# function types -fsanitize=function checks, and the gcov runtime.
if(INSTRUMENTED)
  list(FILTER names EXCLUDE REGEX "^(_ZT[IS]F|__gcov_|mangle_path$)")
endif()

list(SORT names)
list(SORT EXPECTED)
if(NOT "${names}" STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "exported: ${names}\nexpected: ${EXPECTED}")
endif()
message(STATUS "exports: ${names}")
