# Warnings shared by every target of the project.
add_library(nimbral_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # Not for the resource compiler of the Windows programs.
  target_compile_options(nimbral_warnings INTERFACE
    "$<$<COMPILE_LANGUAGE:C,CXX>:-Wall;-Wextra;-Wpedantic;-Wshadow;-Wnon-virtual-dtor>")
endif()

# True when building the Windows side (mingw-w64 cross build).
if(WIN32)
  set(NIMBRAL_PLATFORM win32)
else()
  set(NIMBRAL_PLATFORM posix)
endif()
