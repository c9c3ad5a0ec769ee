# GoogleTest for both builds: Debian's packages natively, the cross-built
# copy from the Windows dependency prefix otherwise. Tests are discovered at
# test time so that cross-built executables are listed through Wine.
find_package(GTest REQUIRED)
include(GoogleTest)

# orvc_add_test(NAME SOURCES... LIBS... [PROPERTIES ctest-properties...]) builds
# one test executable per component.
function(orvc_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 120 ${T_PROPERTIES})
endfunction()
