# nimbral_add_test(<name> LABEL <unit|gui|e2e> SOURCES ... LIBS ...)
# Builds one GoogleTest executable and registers each of its tests with CTest
# under the given label.
find_package(GTest REQUIRED)
include(GoogleTest)

function(nimbral_add_test name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main nimbral_warnings)
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
endfunction()
