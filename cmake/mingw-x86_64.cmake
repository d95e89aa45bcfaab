# Cross build of the 64-bit twin: the same sources for 64-bit Windows with
# Debian's stock MinGW-w64 runtime, in the shipped build's win32 thread
# model. The twin is never shipped; it exists so that the Windows suite can
# run under 64-bit Wine on machines that cannot execute 32-bit code. It
# needs no i486 runtime, and its binaries stay in its own build tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
