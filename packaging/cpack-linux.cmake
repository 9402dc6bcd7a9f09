# Read by CPack once per generator: the packages are dated by the commit built
# (or the SOURCE_DATE_EPOCH set when configuring), unless SOURCE_DATE_EPOCH is
# set now, so that one commit gives the same bytes however cpack is started.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND CPACK_BRISEL_SOURCE_DATE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_BRISEL_SOURCE_DATE_EPOCH})
endif()
