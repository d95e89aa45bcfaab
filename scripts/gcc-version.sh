# Sourced: the GCC release whose sources the i486 runtime is built from, the
# one of Debian 12's MinGW-w64 cross compilers (package gcc-<major>-source).
# cmake/mingw-i686.cmake reads gcc_version from here too.
gcc_version=12.2.0
gcc_major=${gcc_version%%.*}
