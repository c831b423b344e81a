# Shipping build: a 32-bit Windows 95 program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(ZARIZED_ENTRY _entry)
set(ZARIZED_OBJDUMP i686-w64-mingw32-objdump)
# The shipping programs run on every PC Windows 95 runs on: an 80386 and up,
# perhaps without a coprocessor. The compiler's i686 default is the Pentium
# Pro (CMOV and more), so their sources are compiled for the 80386, tuned for
# the Pentium of the time, with integer registers only (no x87, MMX or SSE).
set(ZARIZED_CPU_OPTIONS -march=i386 -mtune=pentium -mgeneral-regs-only)
