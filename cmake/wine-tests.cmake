# Tests that run the x86_64 build under 64-bit Wine, inside the test world of
# tools/wine-world (Xvfb, a prefix of our own, a 1024x768 virtual desktop).

add_executable(keeper WIN32 tools/keeper.c)
target_link_options(keeper PRIVATE -static -mwindows)

set(TOVIMAR_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(wine_run ${CMAKE_BINARY_DIR}/wine-run)
file(WRITE ${wine_run}
"#!/bin/sh
# Runs a Windows program of this build inside the Wine test world.
export TOVIMAR_KEEPER='${CMAKE_BINARY_DIR}/keeper.exe'
exec '${CMAKE_SOURCE_DIR}/tools/wine-world' run '${TOVIMAR_WINE_DIR}' \"$@\"
")
file(CHMOD ${wine_run} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_run})

# GoogleTest needs the -posix compilers (std::mutex); the test programs keep
# exceptions, unlike the product.
add_subdirectory(${GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_subdirectory(tests/ui)
