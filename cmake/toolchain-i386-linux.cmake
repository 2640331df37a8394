# Builds for 32-bit x86 Linux with the build machine's g++ -m32 (Debian: g++-multilib), and runs
# what it builds under user-mode emulation (Debian: qemu-user), so that the 32-bit engine and
# module are tested even where the kernel starts no 32-bit programs:
#   cmake -S . -B build-test/i386 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i386-linux.cmake
# The compiler's default i686 code, as the 32-bit Windows module's compiler has it: no SSE2, so
# the generator takes its portable lanes there as here.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# Libraries, CMake packages and pkg-config files for i386 only: the build machine's 64-bit ones
# (Debian's x86_64-linux-gnu directories) must never be taken for them.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
# Debian's libgtest-dev has 64-bit libraries and the sources: GoogleTest is built from these.
set(ORVIK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")

# This build stands in for the 32-bit Windows module, whose hosts call its routines stdcall.
set(ORVIK_STDCALL ON CACHE BOOL "The routines in the stdcall convention")

# The i386 loader and libraries from g++-multilib are where qemu-i386 looks for them.
find_program(ORVIK_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVIK_QEMU_I386})
