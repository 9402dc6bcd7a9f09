# Run by CPack after installing into its staging folder (CPACK_PRE_BUILD_SCRIPTS):
# every file there takes the packages' date, whenever it was built or checked out.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND find ${CPACK_TEMPORARY_INSTALL_DIRECTORY} -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
    COMMAND_ERROR_IS_FATAL ANY)
endif()
