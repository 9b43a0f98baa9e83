# vrel_add_test(NAME SOURCES... LIBS ...): one GoogleTest executable, each case
# discovered as its own CTest entry. Tests find the stand-in tools through
# VREL_TOOLS and shorten every fixed wait through VREL_TIME_SCALE.
function(vrel_add_test name)
  if(NOT VREL_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  # Sanitized children start several times slower; their waits get more room.
  set(scale 0.01)
  if(VREL_SANITIZE)
    set(scale 0.05)
  endif()
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} vrel_testsupport GTest::gtest GTest::gtest_main)
  # The test programs' own code is compiled for a quick build: unoptimised,
  # with line tables only (enough for sanitizer stack traces), and without
  # the undefined-behaviour checks, which double the compile time of
  # GoogleTest's macros. The code under test keeps the build's own flags.
  target_compile_options(${name} PRIVATE -O0 -g1)
  if(VREL_SANITIZE)
    target_compile_options(${name} PRIVATE -fno-sanitize=undefined)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    # One value per property: gtest_discover_tests splits a list value
    # into separate arguments, which would lose the second variable.
    PROPERTIES ENVIRONMENT "VREL_TOOLS=${VREL_TOOLS_DIR}"
               ENVIRONMENT_MODIFICATION "VREL_TIME_SCALE=set:${scale}")
endfunction()
