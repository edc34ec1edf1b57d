# Reports the version of Debian's nlohmann-json3-dev, read from its header.
file(STRINGS /usr/include/nlohmann/detail/abi_macros.hpp _nimbral_json_version
     REGEX "#define NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH) [0-9]+")
string(REGEX REPLACE ".*MAJOR ([0-9]+).*MINOR ([0-9]+).*PATCH ([0-9]+).*" "\\1.\\2.\\3"
       PACKAGE_VERSION "${_nimbral_json_version}")
if(PACKAGE_FIND_VERSION VERSION_GREATER PACKAGE_VERSION)
  set(PACKAGE_VERSION_COMPATIBLE FALSE)
else()
  set(PACKAGE_VERSION_COMPATIBLE TRUE)
endif()
