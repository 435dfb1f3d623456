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

# The prefix is made here, once, so that no test program's discovery waits
# for it.
if(NOT EXISTS ${FRAMEINTERP_WINEPREFIX}/system.reg)
  message(STATUS "Making the Wine prefix ${FRAMEINTERP_WINEPREFIX}")
  execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
  if(failed)
    message(FATAL_ERROR "Wine could not make its prefix ${FRAMEINTERP_WINEPREFIX}")
  endif()
endif()
