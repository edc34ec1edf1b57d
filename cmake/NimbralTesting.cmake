# nimbral_add_test(<name> LABEL <unit|gui> SOURCES ... LIBS ... [RESOURCE_LOCK <name>])
# Builds one GoogleTest executable and registers each of its tests with CTest
# under the given label. GUI programs get the wx test main and run on a
# virtual display of their own. Tests that share a RESOURCE_LOCK (a
# system-wide object of the login session, the development service's fixed
# port) never run at the same time.
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
  add_executable(${name} ${T_SOURCES})
  set(properties LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
  if(T_RESOURCE_LOCK)
    list(APPEND properties RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  if(T_LABEL STREQUAL "gui")
    target_link_libraries(${name} PRIVATE ${T_LIBS} nimbral_gui_test_support GTest::gtest GTest::gmock nimbral_warnings)
    if(NOT CMAKE_CROSSCOMPILING)
      set_target_properties(${name} PROPERTIES
        CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/tests/support/with-display")
    endif()
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main nimbral_warnings)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES ${properties}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE ${NIMBRAL_TEST_DISCOVERY_MODE})
endfunction()
