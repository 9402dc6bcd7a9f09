# Run by CPack before it packs (CPACK_PRE_BUILD_SCRIPTS): signs the staged .scr when
# a certificate is given, so that the installer and the zip carry the signed file.
# Empty counts as not given: CI systems pass secrets they do not have as empty strings.
if(NOT "$ENV{SIGN_PKCS12}" STREQUAL "" AND NOT "$ENV{SIGN_PASSWORD}" STREQUAL "")
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/sign ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/brisel.scr
    COMMAND_ERROR_IS_FATAL ANY)
endif()
