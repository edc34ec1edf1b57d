# Cross build of the Windows side with mingw-w64 (posix threads model), run
# under Wine.
#
# The runtime (libgcc, libstdc++, winpthread) is linked statically so that the
# .exe and .dll files need nothing beside them but system DLLs. Wine is the
# cross-compiling emulator: CTest and gtest_discover_tests start every test
# program through it. The Wine environment itself (WINEPREFIX, a persistent
# wineserver) is prepared by scripts/test-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NIMBRAL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NIMBRAL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NIMBRAL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NIMBRAL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NIMBRAL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

find_program(NIMBRAL_WINE wine)
if(NIMBRAL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NIMBRAL_WINE})
endif()

# Libraries that Debian does not build for mingw-w64: scripts/bootstrap
# windows cross-builds them from Debian's sources into the user's cache,
# outside any work tree, one prefix per library.
if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(NIMBRAL_CROSS_CACHE "$ENV{XDG_CACHE_HOME}/nimbral/mingw-w64")
else()
  set(NIMBRAL_CROSS_CACHE "$ENV{HOME}/.cache/nimbral/mingw-w64")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${NIMBRAL_CROSS_CACHE}/libzip" "${NIMBRAL_CROSS_CACHE}/cpp-httplib")

# Header-only libraries that Debian installs for the build machine only.
set(nlohmann_json_DIR "${CMAKE_CURRENT_LIST_DIR}/cross" CACHE PATH "")
