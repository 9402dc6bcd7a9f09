# Release build of the .scr for 32-bit Windows, with the test build's compilers: the
# .scr links no C or C++ runtime library, so their thread model does not reach it,
# and the end-to-end harness built beside it needs theirs. Code for the i486, the
# oldest processor Windows 95/98 run on (no conditional moves, MMX or SSE), tuned
# for today's processors all the same; static objects in functions without a lock,
# as the program has one thread. Code in sections of its own, so that the linker
# drops what is unused; no unwind tables for our code, which neither throws nor
# catches; stripped, no debug information. No link time stamp and no build paths,
# so that one commit gives the same bytes anywhere.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)

get_filename_component(source_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(release_flags "-march=i486 -mtune=generic -fno-threadsafe-statics -ffunction-sections -fdata-sections -fno-exceptions -fno-asynchronous-unwind-tables")
string(APPEND release_flags " -g0 -ffile-prefix-map=${source_root}/=")
set(CMAKE_C_FLAGS_INIT "${release_flags}")
set(CMAKE_CXX_FLAGS_INIT "${release_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections -s -Wl,--no-insert-timestamp")
