# Run by CPack after each package (CPACK_POST_BUILD_SCRIPTS): rewrites the zip with
# a fixed entry order, date and owner, so that it is the same on every machine,
# and its files in one folder named like it (brisel-<version>-win32/).
foreach(file IN LISTS CPACK_PACKAGE_FILES)
  if(file MATCHES "\\.zip$")
    get_filename_component(folder ${file} NAME_WLE)
    execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/repack_zip.py ${file} ${folder} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
