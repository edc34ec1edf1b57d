# nimbral_add_version_record(<target>)
# Embeds the project version (major.minor.release.build) into a program as its
# file-version record. On Linux the record is a 16-byte object in the ELF
# section ".nimbral_version" (see client/platform/posix/VersionRecord.cpp);
# scripts/stamp-version rewrites it in a built copy. On Windows it is the
# program's VERSIONINFO resource, compiled by windres. A program that does not
# call this has no record and reports version 0.0.0.
if(WIN32)
  enable_language(RC)
  set(NIMBRAL_VERSION_RECORD_TEMPLATE "${CMAKE_CURRENT_LIST_DIR}/VersionRecord.rc.in")
  set(NIMBRAL_VERSION_RECORD_SUFFIX rc)
else()
  set(NIMBRAL_VERSION_RECORD_TEMPLATE "${CMAKE_CURRENT_LIST_DIR}/VersionRecord.c.in")
  set(NIMBRAL_VERSION_RECORD_SUFFIX c)
endif()

function(nimbral_add_version_record target)
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(v "${PROJECT_VERSION_${part}}")
    if("${v}" STREQUAL "")
      set(v 0)
    endif()
    set(NIMBRAL_VERSION_${part} ${v})
  endforeach()
  set(out "${CMAKE_BINARY_DIR}/generated/VersionRecord.${NIMBRAL_VERSION_RECORD_SUFFIX}")
  configure_file("${NIMBRAL_VERSION_RECORD_TEMPLATE}" "${out}" @ONLY)
  target_sources(${target} PRIVATE "${out}")
endfunction()
