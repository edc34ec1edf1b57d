# Install rules: the library, its header, a CMake package
# (find_package(nimbral_crypto) gives nimbral_crypto::nimbral_crypto) and a
# pkg-config file (pkg-config --cflags --libs nimbral_crypto).
include(CMakePackageConfigHelpers)

install(TARGETS nimbral_crypto EXPORT nimbral_cryptoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT nimbral_crypto
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT nimbral_crypto
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT nimbral_crypto)
install(FILES include/nimbral_crypto.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT nimbral_crypto)

set(nimbral_crypto_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/nimbral_crypto)
install(EXPORT nimbral_cryptoTargets
  NAMESPACE nimbral_crypto::
  DESTINATION ${nimbral_crypto_cmake_dir}
  COMPONENT nimbral_crypto)
configure_package_config_file(cmake/nimbral_cryptoConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/nimbral_cryptoConfig.cmake
  INSTALL_DESTINATION ${nimbral_crypto_cmake_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/nimbral_cryptoConfigVersion.cmake
  VERSION ${NIMBRAL_CRYPTO_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/nimbral_cryptoConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/nimbral_cryptoConfigVersion.cmake
  DESTINATION ${nimbral_crypto_cmake_dir}
  COMPONENT nimbral_crypto)

# The .pc file finds the prefix from its own place, so `cmake --install --prefix`
# to any folder gives a working file.
file(RELATIVE_PATH nimbral_crypto_pc_to_prefix
  "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(cmake/nimbral_crypto.pc.in ${CMAKE_CURRENT_BINARY_DIR}/nimbral_crypto.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/nimbral_crypto.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT nimbral_crypto)
