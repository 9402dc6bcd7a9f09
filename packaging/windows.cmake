# Windows packages of the release build, made by CPack: the NSIS installer
# (brisel-<version>-setup.exe, from our template beside this file) and the
# portable zip (brisel-<version>-win32.zip) of brisel.scr, README.txt and LICENSE.
install(TARGETS brisel RUNTIME DESTINATION .)
# Both texts with Windows line ends, so that Notepad shows their lines.
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt ${CMAKE_BINARY_DIR}/packaging/README.txt
  @ONLY NEWLINE_STYLE WIN32)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/packaging/LICENSE
  @ONLY NEWLINE_STYLE WIN32)
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/packaging/LICENSE
  DESTINATION .)
# The packages need only the .scr built, not the tools and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright" LIMIT_COUNT 1)
set(CPACK_PACKAGE_NAME Brisel)
set(CPACK_PACKAGE_VENDOR "The Brisel screen saver developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_FILE_NAME brisel-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_NSIS_COPYRIGHT "${copyright}")
set(CPACK_NSIS_SAVER_ICON ${CMAKE_SOURCE_DIR}/resources/molecule.ico)
set(CPACK_NSIS_SAVER_SIDE_BITMAP ${CMAKE_SOURCE_DIR}/resources/setup_side.bmp)
set(CPACK_NSIS_SAVER_HEADER_BITMAP ${CMAKE_SOURCE_DIR}/resources/setup_header.bmp)
# The staged .scr is signed when a certificate is given (SIGN_PKCS12, SIGN_PASSWORD).
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/sign-staged.cmake)
# The zip gets a fixed entry order, date and owner (repack_zip.py).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/after-pack.cmake)
# Per generator: the installer is named -setup.exe.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-windows.cmake)
# CPack takes NSIS.template.in from the module path before its own.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
include(CPack)

add_subdirectory(${CMAKE_SOURCE_DIR}/tests/release ${CMAKE_BINARY_DIR}/tests/release)
