# frameinterp_version_resource(<target> <description>): on Windows, gives the
# target's DLL or EXE a version resource with the product name and the
# project's version, which Explorer and the host's installer read.
if(WIN32)
  enable_language(RC)
endif()

function(frameinterp_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(FRAMEINTERP_FILE_TYPE VFT_APP)
  else()
    set(FRAMEINTERP_FILE_TYPE VFT_DLL)
  endif()
  set(FRAMEINTERP_TARGET ${target})
  set(FRAMEINTERP_FILE_DESCRIPTION "${description}")
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${resource}.in @ONLY)
  file(GENERATE OUTPUT ${resource} INPUT ${resource}.in)
  target_sources(${target} PRIVATE ${resource})
endfunction()
