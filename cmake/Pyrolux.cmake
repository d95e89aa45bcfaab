# Shared build settings and helpers for every directory of the project.

# The shipped files land in dist/; the 64-bit twin (cmake/mingw-x86_64.cmake),
# which is never shipped, keeps its own in its build tree.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PYROLUX_TWIN ON)
  set(PYROLUX_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
  set(PYROLUX_WINE_ARCH win64 CACHE INTERNAL "the Wine prefix kind the tests run in")
else()
  set(PYROLUX_TWIN OFF)
  set(PYROLUX_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)
  set(PYROLUX_WINE_ARCH win32 CACHE INTERNAL "the Wine prefix kind the tests run in")
endif()
# The deliverables' file names, in the release archive's order: the one list
# the build, the packaging, the binary check and the tests all read.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/deliverables.txt PYROLUX_DELIVERABLES)
# The deliverables as shipped.
list(TRANSFORM PYROLUX_DELIVERABLES PREPEND ${PYROLUX_DIST_DIR}/ OUTPUT_VARIABLE PYROLUX_SHIPPED)

if(WIN32)
  set(PYROLUX_WIN32 ON)
  # Checks of the shipped files and of the release archive are Python 3
  # scripts (standard library only).
  find_program(PYROLUX_PYTHON3 python3 REQUIRED)
  enable_language(RC)
  # Statically linked: every binary imports only system DLLs, so it runs from
  # a bare folder.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Windows 98 / NT 4.0 with COMCTL32 4.72: declarations of later systems
  # stay out of our compiles. Every binary runs on an i486.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0400
                          WINVER=0x0400 _WIN32_IE=0x0401)
  if(NOT PYROLUX_TWIN)
    add_compile_options(-march=i486)
  endif()
  # Reproducible binaries: whatever the compiler records of a path (assertion
  # texts, __FILE__, debug information) is relative to this tree (so a test's
  # failure still names a file one can open) or names a fixed folder instead
  # of where the build tree and the runtime happen to lie; the linker writes
  # no time stamp into the PE headers (file header, export directory). The
  # later map wins where two match: the build tree may lie inside this tree.
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=/pyrolux-build>")
  if(PYROLUX_I486_RUNTIME)
    add_compile_options(
      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PYROLUX_I486_RUNTIME}=/pyrolux-runtime>")
  endif()
  add_link_options(-Wl,--no-insert-timestamp)
  # windres reads UTF-8 sources only when told so.
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

  # GoogleTest from Debian's source package, built for the target.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL)
  # The runtime's win32 thread model has no std::mutex, which GoogleTest's
  # internal Notification needs: a Win32 one stands in for it.
  set(gtest_notification ${CMAKE_SOURCE_DIR}/tests/support/gtest)
  target_sources(gtest PRIVATE ${gtest_notification}/Notification.cpp)
  target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(gtest PUBLIC
    "SHELL:-include ${gtest_notification}/Notification.h")
  # The shipped binaries take their C runtime from crtdll.dll (the runtime's
  # default libmsvcrt.a). GoogleTest and libstdc++'s file streams call
  # functions it lacks (_stat32, _wfopen, _set_error_mode, getwc), so
  # whatever links GoogleTest takes it from msvcrt.dll instead: a specs entry that
  # names the runtime's import library of msvcrt.dll (libmsvcrt-os.a) among
  # the default libraries. Under Wine both DLLs are Wine's msvcrt. (The
  # 64-bit twin's stock runtime takes msvcrt.dll already.)
  if(NOT PYROLUX_TWIN)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs OUTPUT_VARIABLE specs)
    string(REGEX MATCH "\\*libgcc:\n[^\n]*" crtdll_spec "${specs}")
    string(REPLACE " -lmsvcrt " " -lmsvcrt-os " msvcrt_spec "${crtdll_spec}")
    if(msvcrt_spec STREQUAL crtdll_spec)
      message(FATAL_ERROR "no -lmsvcrt in the compiler's libgcc specs entry: ${crtdll_spec}")
    endif()
    file(WRITE ${CMAKE_BINARY_DIR}/msvcrt-os.specs "${msvcrt_spec}\n")
    target_link_options(gtest INTERFACE -specs=${CMAKE_BINARY_DIR}/msvcrt-os.specs)
  endif()
  set(PYROLUX_GTEST_MAIN gtest_main)
  set(PYROLUX_GTEST gtest)
  set(PYROLUX_GMOCK gmock)

  # Tests run under Wine in the build tree's own prefix (never ~/.wine).
  configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.in
                 ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                  GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
else()
  set(PYROLUX_WIN32 OFF)
  find_package(GTest REQUIRED)
  find_package(benchmark QUIET)
  find_package(Threads REQUIRED)
  set(PYROLUX_GTEST_MAIN GTest::gtest_main)
  set(PYROLUX_GTEST GTest::gtest)
  set(PYROLUX_GMOCK GTest::gmock)
endif()

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # A printf-style argument that does not fit its format prints garbage or
  # crashes, often only on an error path that no test runs: an error.
  add_compile_options(-Wall -Wextra -Werror=format)
endif()

# pyrolux_add_gtest(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [NO_MAIN] [DISPLAY])
# One test executable, registered with ctest as one test. Under the win32
# build ctest runs it through Wine. DISPLAY marks a test that shows windows
# which take the activation or that moves the pointer: such tests share one
# display, so ctest runs them one at a time (resource lock "pointer").
function(pyrolux_add_gtest name)
  cmake_parse_arguments(T "NO_MAIN;DISPLAY" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} ${PYROLUX_GTEST})
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} ${PYROLUX_GTEST_MAIN})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_DISPLAY)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK pointer)
  endif()
endfunction()

# pyrolux_dist(<target>): the deliverable's copy in dist/, brought up to date
# by every build (also when dist/ was emptied by hand), by the target
# <target>_dist. The target `deliverables` brings every copy up to date:
# tests that run the shipped files depend on it.
# The copy is stripped of debug information and symbols (more than half of
# an image's bytes); the linked image, with both, stays in the build tree
# for whoever investigates a crash, and the binary check reads its symbols.
if(PYROLUX_WIN32)
  add_custom_target(deliverables)
endif()
function(pyrolux_dist target)
  set(stripped ${CMAKE_CURRENT_BINARY_DIR}/stripped/$<TARGET_FILE_NAME:${target}>)
  add_custom_target(${target}_dist ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PYROLUX_DIST_DIR} ${CMAKE_CURRENT_BINARY_DIR}/stripped
    # strip writes the time into the file header unless told a date: 0, as
    # the linker leaves it.
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_STRIP} --strip-all -o ${stripped} $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${stripped} ${PYROLUX_DIST_DIR}/
    VERBATIM)
  add_dependencies(${target}_dist ${target})
  add_dependencies(deliverables ${target}_dist)
endfunction()
