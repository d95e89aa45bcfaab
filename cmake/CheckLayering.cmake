# cmake -DSOURCE_DIR=<tree> -DBINARY_DIR=<native build> -P CheckLayering.cmake
#
# The portable code depends on nothing above base/: no source of core/ or
# cpu/ includes a header of the dialog framework, and nothing the native
# build compiles comes from framework/ or has it on its include path.
set(problems "")

file(GLOB_RECURSE portable_sources
     "${SOURCE_DIR}/core/*.h" "${SOURCE_DIR}/core/*.cpp"
     "${SOURCE_DIR}/cpu/*.h" "${SOURCE_DIR}/cpu/*.cpp")
foreach(source IN LISTS portable_sources)
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](Afx|framework/)")
  foreach(line IN LISTS includes)
    string(STRIP "${line}" line)
    list(APPEND problems "${source}: ${line}")
  endforeach()
endforeach()

set(commands "${BINARY_DIR}/compile_commands.json")
if(NOT EXISTS "${commands}")
  list(APPEND problems "${commands} is missing")
else()
  file(STRINGS "${commands}" framework_lines REGEX "${SOURCE_DIR}/framework")
  foreach(line IN LISTS framework_lines)
    string(STRIP "${line}" line)
    list(APPEND problems "native build: ${line}")
  endforeach()
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The portable code reaches above base/:\n  ${text}")
endif()
message(STATUS "core/ and cpu/ reach nothing above base/")
