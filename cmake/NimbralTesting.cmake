# nimbral_add_test(<name> LABEL <unit|gui|e2e> SOURCES ... LIBS ... [RESOURCE_LOCK <name>])
# Builds one GoogleTest executable and registers each of its tests with CTest
# under the given label. Tests that share a RESOURCE_LOCK (a system-wide
# object of the login session, say) never run at the same time.
# The Windows cross build has no packaged GoogleTest for mingw: it builds
# Debian's sources. Its test programs run under Wine, so tests are listed when
# CTest runs rather than at build time (the build then needs no Wine).
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
  set(NIMBRAL_TEST_DISCOVERY_MODE PRE_TEST)
else()
  find_package(GTest REQUIRED)
  set(NIMBRAL_TEST_DISCOVERY_MODE POST_BUILD)
endif()
include(GoogleTest)

function(nimbral_add_test name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(lock)
  if(T_RESOURCE_LOCK)
    set(lock RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main nimbral_warnings)
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT} ${lock}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE ${NIMBRAL_TEST_DISCOVERY_MODE})
endfunction()
