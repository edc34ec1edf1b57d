# nlohmann/json for the mingw-w64 cross build. The library is header-only and
# Debian installs it for the build machine only; its own package file would
# put the whole of /usr/include on the Windows compiler's path, where glibc's
# headers would shadow mingw's. Only the nlohmann folder is exposed here.
if(NOT TARGET nlohmann_json::nlohmann_json)
  set(_nimbral_cross_headers "${CMAKE_BINARY_DIR}/cross-headers")
  file(MAKE_DIRECTORY "${_nimbral_cross_headers}")
  if(NOT EXISTS "${_nimbral_cross_headers}/nlohmann")
    file(CREATE_LINK /usr/include/nlohmann "${_nimbral_cross_headers}/nlohmann" SYMBOLIC)
  endif()
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_nimbral_cross_headers}")
endif()
set(nlohmann_json_FOUND TRUE)
