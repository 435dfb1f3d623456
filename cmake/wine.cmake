# Windows programs cross-built on Linux run under Wine: CTest, test discovery
# and the build's own steps start them through a wrapper that keeps a private
# Wine prefix in the build tree.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING) OR CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()

find_program(FRAMEINTERP_WINE wine REQUIRED)
find_program(FRAMEINTERP_WINESERVER wineserver PATHS /usr/lib/wine /usr/lib/wine64 REQUIRED)
find_program(FRAMEINTERP_FLOCK flock REQUIRED)
set(FRAMEINTERP_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# The prefix is made once, before any test program is started for discovery.
add_custom_command(OUTPUT ${FRAMEINTERP_WINEPREFIX}/system.reg
                   COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
                   COMMENT "Making the Wine prefix ${FRAMEINTERP_WINEPREFIX}")
add_custom_target(frameinterp_wine_prefix ALL DEPENDS ${FRAMEINTERP_WINEPREFIX}/system.reg)
