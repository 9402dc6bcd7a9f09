# CPack for Linux: the Debian package brisel-xscreensaver_<version>_<arch>.deb,
# holding the program in libexec/xscreensaver/ and its settings description in
# share/xscreensaver/config/ (the install rules of linux/).
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/brisel-xscreensaver RENAME copyright)

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE deb_arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisel-xscreensaver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brisel screen saver for xscreensaver: ball-and-stick molecules on a black screen")
set(CPACK_PACKAGE_DESCRIPTION "Ball-and-stick molecules drift across a black screen, bounce off its edges and turn about themselves, with optional sounds. To use it, add brisel to the programs listed in ~/.xscreensaver.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brisel developers <brisel@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_arch})
# Library dependencies (X11, Xext, SDL2, the C and C++ runtimes) from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_DEBIAN_FILE_NAME brisel-xscreensaver_${PROJECT_VERSION}_${deb_arch}.deb)
include(CPack)
