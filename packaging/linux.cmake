# CPack for Linux: the Debian package brisel-xscreensaver_<version>_<arch>.deb
# and the RPM package brisel-xscreensaver-<version>-1.<arch>.rpm for Fedora,
# openSUSE and the other RPM-based distributions (the same files in the same
# places), holding what the install rules of linux/ install, the copyright and
# the changelog; and their test (lintian, rpmlint, the desktops' menus).
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/brisel-xscreensaver RENAME copyright)

# The maintainer: BRISEL_MAINTAINER, else DEBFULLNAME and DEBEMAIL as Debian's
# tools take them, else the author of the commit built.
if(NOT BRISEL_MAINTAINER)
  if(DEFINED ENV{DEBEMAIL})
    set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
  else()
    execute_process(COMMAND git log -1 "--format=%an <%ae>" WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE maintainer OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT maintainer)
    message(WARNING "The Debian package has no maintainer: set BRISEL_MAINTAINER (\"Name <address>\") or DEBEMAIL")
  endif()
  set(BRISEL_MAINTAINER "${maintainer}" CACHE STRING "The Debian package's maintainer, \"Name <address>\"")
endif()

# The packages are dated SOURCE_DATE_EPOCH, or else by the commit built; their
# changelogs are CHANGELOG.md's, each entry dated as it is there, the Debian one
# gzipped without a time stamp.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(commit_time)  # outside a git checkout they take the time of the build
    set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
  endif()
endif()
set(CPACK_BRISEL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-linux.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack-linux-times.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/changelog.cmake)
WritePackageChangelog(${CMAKE_SOURCE_DIR}/CHANGELOG.md ${CMAKE_BINARY_DIR}/changelog deb "${BRISEL_MAINTAINER}"
  brisel-xscreensaver 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/CHANGELOG.md)
add_custom_command(OUTPUT changelog.gz COMMAND gzip -9nc changelog > changelog.gz DEPENDS changelog VERBATIM)
add_custom_target(brisel_changelog DEPENDS changelog.gz)
add_dependencies(brisel brisel_changelog)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION share/doc/brisel-xscreensaver)

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE deb_arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_GENERATOR DEB RPM)
set(CPACK_PACKAGE_NAME brisel-xscreensaver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ball-and-stick molecules screen saver for X11 desktops")
set(CPACK_PACKAGE_DESCRIPTION "Ball-and-stick molecules drift across a black screen, bounce off its
edges and turn about themselves, with optional sounds. A program for
xscreensaver and for the screen savers of MATE and Xfce, which list it
once installed; brisel-add-to-xscreensaver adds it to a user's
xscreensaver list. On other desktops the applications menu starts it
full screen.

Before removing the package, run brisel-add-to-xscreensaver --remove as
each user who added it: the package leaves users' ~/.xscreensaver alone.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRISEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_arch})
# Library dependencies (X11, SDL2, the Wayland client, D-Bus, the C and C++
# runtimes) from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_DEBIAN_FILE_NAME brisel-xscreensaver_${PROJECT_VERSION}_${deb_arch}.deb)

# The RPM: library dependencies found by rpmbuild in the program (AUTOREQ), the
# daemon recommended as in the Debian package. The folders every system has,
# or the icon theme's, are not claimed.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_SUMMARY "Ball-and-stick molecules screen saver for X11 desktops")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP Amusements/Graphics)
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE copyright_line REGEX "^Copyright" LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright \\(c\\) [0-9]+ " "" vendor "${copyright_line}")
set(CPACK_RPM_PACKAGE_VENDOR "${vendor}")
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_PACKAGE_RELOCATABLE OFF)  # the entries name the program by its path
set(CPACK_RPM_NO_INSTALL_PREFIX_RELOCATION ON)
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/libexec /usr/share/applications /usr/share/icons /usr/share/man
  /usr/share/icons/hicolor /usr/share/icons/hicolor/48x48 /usr/share/icons/hicolor/48x48/apps
  /usr/share/icons/hicolor/256x256 /usr/share/icons/hicolor/256x256/apps /usr/share/man/man6 /usr/share/doc)
WritePackageChangelog(${CMAKE_SOURCE_DIR}/CHANGELOG.md ${CMAKE_BINARY_DIR}/rpm-changelog rpm "${BRISEL_MAINTAINER}"
  brisel-xscreensaver ${CPACK_RPM_PACKAGE_RELEASE})
set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_BINARY_DIR}/rpm-changelog)
# The same bytes from the same commit (SOURCE_DATE_EPOCH, see cpack-linux.cmake):
# its build time and file times are that date, and neither the building
# machine's name nor links for debuggers go in.
set(CPACK_RPM_SPEC_MORE_DEFINE "Recommends: xscreensaver
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _build_id_links none")
if(BRISEL_MAINTAINER)
  string(PREPEND CPACK_RPM_SPEC_MORE_DEFINE "Packager: ${BRISEL_MAINTAINER}\n")
endif()
include(CPack)

add_test(NAME brisel_deb_checks COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/check-deb ${CMAKE_BINARY_DIR})
