# The installable program folder. `cmake --install <build> --component
# NimbralClient --prefix <folder>` lays out one relocatable folder:
#   NimbralClient              the program
#   tools/nimbral-remote       the remote viewer it starts
#   libnimbral_crypto.so.1     the encryption library, shipped beside the client for other programs
#   nimbral-client.desktop, nimbral-client.svg, add-to-menu
#                              the desktop entry, its icon, and the script that puts the
#                              entry with this folder's paths into the user's menu
# Nothing in it names the folder, so it runs wherever it is unpacked; the
# client replaces these files itself when it updates, so the folder belongs to
# the user who runs it. CPack makes a .tar.gz of exactly this folder (a .zip
# of the Windows folder).
if(NOT TARGET NimbralClient)
  return()
endif()

set(component NimbralClient)
install(TARGETS NimbralClient RUNTIME DESTINATION . COMPONENT ${component})
if(TARGET nimbral-remote)
  install(TARGETS nimbral-remote RUNTIME DESTINATION tools COMPONENT ${component})
endif()
if(NIMBRAL_PLATFORM STREQUAL "win32")
  # NimbralClient.exe, tools\nimbral-remote.exe and nimbral_crypto.dll: the
  # programs carry their icons, and no menu entry is made here.
  install(TARGETS nimbral_crypto RUNTIME DESTINATION . COMPONENT ${component})
  set(CPACK_GENERATOR ZIP)
  set(package_system windows)
else()
  # One plain file under the name programs load it by: the update package is
  # a ZIP archive, and symbolic links never come out of one.
  install(FILES "$<TARGET_FILE:nimbral_crypto>" DESTINATION .
          RENAME "$<TARGET_SONAME_FILE_NAME:nimbral_crypto>" COMPONENT ${component})
  set(desktop "${PROJECT_SOURCE_DIR}/client/app/desktop")
  install(FILES "${desktop}/nimbral-client.desktop" "${desktop}/nimbral-client.svg"
          DESTINATION . COMPONENT ${component})
  install(PROGRAMS "${desktop}/add-to-menu" DESTINATION . COMPONENT ${component})
  set(CPACK_GENERATOR TGZ)
  set(package_system linux)
endif()

set(CPACK_PACKAGE_NAME NimbralClient)
set(CPACK_PACKAGE_VENDOR Nimbral)
set(CPACK_PACKAGE_VERSION "${NIMBRAL_VERSION_TEXT}")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${component})
set(CPACK_ARCHIVE_NIMBRALCLIENT_FILE_NAME
    "NimbralClient-${NIMBRAL_VERSION_TEXT}-${package_system}-${CMAKE_SYSTEM_PROCESSOR}")
# Unpacked, the archive gives the folder "Nimbral".
set(CPACK_PACKAGE_FILE_NAME Nimbral)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
include(CPack)
