# Release build of the .scr for 32-bit Windows: the win32 thread model, so that no
# thread support (and none of the XP-era imports it brings) is linked in; sections
# are per function so the linker can drop what is unused; stripped, no link time
# stamp and no build paths, so that the same commit gives the same bytes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

get_filename_component(source_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(release_flags "-ffunction-sections -fdata-sections -g0 -fno-exceptions -fno-asynchronous-unwind-tables -ffile-prefix-map=${source_root}/=")
set(CMAKE_C_FLAGS_INIT "${release_flags}")
set(CMAKE_CXX_FLAGS_INIT "${release_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections -s -Wl,--no-insert-timestamp")
