# Read by CPack once per generator: the installer's file name.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "brisel-${CPACK_PACKAGE_VERSION}-setup")
endif()
