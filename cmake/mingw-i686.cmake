# Cross build for 32-bit Windows with MinGW-w64, for every x86 processor from
# the i486 on and every Windows from 98 and NT 4.0 on.
#
# The runtime linked in (C start-up code, libmingwex, libgcc, libstdc++) is
# the i486 rebuild made by scripts/i486-runtime.sh, with the win32 thread
# model (the posix one, winpthreads, imports functions that Windows 98 and
# NT 4.0 lack). Our own code is compiled for the i486 too.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The runtime's folder: given by the build script, else asked of the script
# that builds it (it only prints the folder once it is built).
if(NOT PYROLUX_I486_RUNTIME)
  execute_process(
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/i486-runtime.sh
    OUTPUT_VARIABLE PYROLUX_I486_RUNTIME
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE runtime_result)
  if(NOT runtime_result EQUAL 0)
    message(FATAL_ERROR "scripts/i486-runtime.sh failed: no i486 runtime")
  endif()
  set(PYROLUX_I486_RUNTIME ${PYROLUX_I486_RUNTIME} CACHE PATH
      "The i486 runtime made by scripts/i486-runtime.sh")
endif()
# Compiler checks (try_compile) link with the same runtime.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PYROLUX_I486_RUNTIME)

# The runtime's C++ headers, of the GCC release it was built from.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../scripts/gcc-version.sh pyrolux_gcc_version
     REGEX "^gcc_version=")
string(REPLACE "gcc_version=" "" pyrolux_gcc_version "${pyrolux_gcc_version}")
set(pyrolux_cxx_headers ${PYROLUX_I486_RUNTIME}/include/c++/${pyrolux_gcc_version})
set(CMAKE_C_FLAGS_INIT "-march=i486")
set(CMAKE_CXX_FLAGS_INIT
    "-march=i486 -nostdinc++ -isystem ${pyrolux_cxx_headers} -isystem ${pyrolux_cxx_headers}/i686-w64-mingw32 -isystem ${pyrolux_cxx_headers}/backward")
# -B finds the start-up objects (crt2.o, crtbegin.o), -L the libraries,
# ahead of the installed Pentium Pro ones.
set(pyrolux_runtime_link "-B${PYROLUX_I486_RUNTIME}/lib/ -L${PYROLUX_I486_RUNTIME}/lib")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${pyrolux_runtime_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${pyrolux_runtime_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${pyrolux_runtime_link}")
