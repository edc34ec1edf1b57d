# nimbral_add_version_record(<target>)
# Embeds the project version (major.minor.release.build) into a program as its
# file-version record. On Linux the record is a 16-byte object in the ELF
# section ".nimbral_version" (see client/platform/posix/VersionRecord.cpp);
# scripts/stamp-version rewrites it in a built copy. On Windows it is a
# VERSIONINFO resource. A program that does not call this has no record and
# reports version 0.0.0.
set(NIMBRAL_VERSION_RECORD_DIR "${CMAKE_CURRENT_LIST_DIR}")

# NIMBRAL_VERSION_TEXT: the version as the program shows it, a build number of
# 0 left out (0.9.0.0 shows as 0.9.0).
set(NIMBRAL_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
if(PROJECT_VERSION_TWEAK AND NOT PROJECT_VERSION_TWEAK EQUAL 0)
  string(APPEND NIMBRAL_VERSION_TEXT ".${PROJECT_VERSION_TWEAK}")
endif()
if(NIMBRAL_PLATFORM STREQUAL "win32")
  enable_language(RC)  # windres compiles the VERSIONINFO resource
endif()

function(nimbral_add_version_record target)
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(v "${PROJECT_VERSION_${part}}")
    if("${v}" STREQUAL "")
      set(v 0)
    endif()
    set(NIMBRAL_VERSION_${part} ${v})
  endforeach()
  if(NIMBRAL_PLATFORM STREQUAL "win32")
    set(kind rc)
  else()
    set(kind c)
  endif()
  set(out "${CMAKE_BINARY_DIR}/generated/VersionRecord.${kind}")
  configure_file("${NIMBRAL_VERSION_RECORD_DIR}/VersionRecord.${kind}.in" "${out}" @ONLY)
  target_sources(${target} PRIVATE "${out}")
endfunction()
