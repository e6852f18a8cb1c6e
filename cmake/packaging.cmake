# The packages that `cpack` makes in a build folder, of the program as `cmake --install` installs
# it: on Linux a Debian package and a tarball; in a Windows build a zip that holds the program
# with the README (and the picture it shows) and the example board and its session, so that the
# round trip can be tried from the unpacked folder.

# The version is the program's own, as its banner and --version show it.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/core/settings.h tarnwick_version_lines
     REGEX "^inline constexpr (double program_version|char release_letter) = ")
string(REGEX MATCH "program_version = ([0-9]+\\.[0-9]+)" tarnwick_version_match "${tarnwick_version_lines}")
set(tarnwick_version_number "${CMAKE_MATCH_1}")
string(REGEX MATCH "release_letter = '([A-Za-z])'" tarnwick_version_match "${tarnwick_version_lines}")
set(tarnwick_release_letter "${CMAKE_MATCH_1}")
if(NOT tarnwick_version_number OR NOT tarnwick_release_letter)
  message(FATAL_ERROR "packaging: no program_version or release_letter found in src/core/settings.h")
endif()

set(TARNWICK_PACKAGE_CONTACT "Tarnwick maintainers <tarnwick@example.org>"
    CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VERSION "${tarnwick_version_number}${tarnwick_release_letter}")
set(CPACK_PACKAGE_VENDOR "Tarnwick")
set(CPACK_PACKAGE_CONTACT "${TARNWICK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "FreePCB board files to Specctra design files for the Freerouting autorouter, and routed sessions back")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarnwick exports a FreePCB board (.fpc) as a Specctra design file (.dsn) that Freerouting loads, \
and reads the router's session file (.ses) back into a routed board file.")
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)
# Only what a build folder made: a source package would pick up whatever lies in the tree.
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  # The README and the example belong to the zip only: `cmake --install` still installs the
  # program alone.
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION . COMPONENT example EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_SOURCE_DIR}/examples/blinker.fpc ${CMAKE_SOURCE_DIR}/examples/blinker.ses
          DESTINATION examples COMPONENT example EXCLUDE_FROM_ALL)
  # The picture the README shows.
  install(FILES ${CMAKE_SOURCE_DIR}/docs/blinker_routed.svg DESTINATION docs COMPONENT example EXCLUDE_FROM_ALL)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENTS_ALL Unspecified example)
  set(CPACK_ARCHIVE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME}")
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  # The libraries the program links, with their versions, from the built program itself.
  find_program(TARNWICK_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(TARNWICK_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
  endif()
endif()

include(CPack)
