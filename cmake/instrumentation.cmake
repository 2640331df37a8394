# Instrumented builds: sanitizers, fuzzers and coverage. All off by default; scripts/test turns
# them on in build directories of their own. Included before any target is defined so that every
# target, the module and the tests alike, gets the same instrumentation.

set(ORVIK_SANITIZE "" CACHE STRING
    "Sanitizers for every target, as for -fsanitize= (e.g. address,undefined or thread)")
option(ORVIK_FUZZ "Build the libFuzzer targets in fuzz/ (clang only)" OFF)
option(ORVIK_COVERAGE "Instrument every target for gcov line and branch coverage" OFF)

# Instrumentation adds symbols of its own to the module; the export check needs to know.
if(ORVIK_SANITIZE OR ORVIK_COVERAGE)
  set(ORVIK_INSTRUMENTED ON)
else()
  set(ORVIK_INSTRUMENTED OFF)
endif()

if(ORVIK_SANITIZE)
  # No recovery: the first report ends the process, so a test cannot pass over one.
  add_compile_options(-fsanitize=${ORVIK_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${ORVIK_SANITIZE})
  # The module's own link allows the runtimes' symbols to stay undefined (CMakeLists.txt).
endif()

if(ORVIK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORVIK_FUZZ needs clang++ (libFuzzer)")
  endif()
  # Coverage feedback for the fuzzer from all of the engine; the fuzz targets add the driver.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(ORVIK_COVERAGE)
  # Atomic counters: the thread tests roll on many threads at once, and racing plain counters
  # can come out negative, which gcovr refuses to read.
  add_compile_options(--coverage -fprofile-update=atomic -O0 -g)
  add_link_options(--coverage)
endif()
