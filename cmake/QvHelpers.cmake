# qv_add_tests(<name> SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest binary and registers its tests with CTest. The tests
# know where the program, the build tree and the source tree are through
# compile definitions, so they can run the real binary as a separate process.
function(qv_add_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT QV_TESTS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qv_testsupport GTest::gtest_main)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
endfunction()
