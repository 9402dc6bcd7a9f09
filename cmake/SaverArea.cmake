# Each area folder (animation, sprites, shell) holds portable files and Win32 edge
# files (*_win32.cpp). The portable files of an area form <area>_core; the edge files
# of all areas form one library, saver_win32, because the window procedures of the
# areas call each other. winmain_win32.cpp holds the program's entry and
# lean_runtime_win32.cpp and release_runtime_win32.cpp its runtime trims or own
# runtime; they are left to the .scr targets.
function(saver_area area)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER all EXCLUDE REGEX "_win32\\.cpp$")
  if(all)
    add_library(${area}_core STATIC ${all})
    target_link_libraries(${area}_core PUBLIC ${ARGN})
  else()
    add_library(${area}_core INTERFACE)
    target_link_libraries(${area}_core INTERFACE ${ARGN})
  endif()
endfunction()

function(saver_edge_library)
  file(GLOB edge CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/animation/*_win32.cpp
    ${CMAKE_SOURCE_DIR}/sprites/*_win32.cpp
    ${CMAKE_SOURCE_DIR}/shell/*_win32.cpp)
  list(FILTER edge EXCLUDE REGEX "(winmain|lean_runtime|release_runtime)_win32\\.cpp$")
  if(edge)
    add_library(saver_win32 STATIC ${edge})
  else()
    add_library(saver_win32 INTERFACE)
  endif()
  get_target_property(kind saver_win32 TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  else()
    set(scope PUBLIC)
  endif()
  target_link_libraries(saver_win32 ${scope} animation_core sprites_core shell_core
    gdi32 user32 winmm advapi32 comdlg32)
endfunction()
