# Installs the build into WORK_DIR/prefix and packs it with CPACK into
# WORK_DIR/package; the installed tree and the unpacked package must hold
# exactly EXPECTED, and the PROGRAM of each must convert CLIP in mode 2. Then
# a file named MODULE beside the installed program that is no library: the
# program must take it before the module of the tree, and say so.
file(REMOVE_RECURSE ${WORK_DIR})

# The files under `root` are EXPECTED, and its program converts the clip.
function(check_tree root what)
  file(GLOB_RECURSE found RELATIVE ${root} ${root}/*)
  list(SORT found)
  set(expected ${EXPECTED})
  list(SORT expected)
  if(NOT found STREQUAL expected)
    message(FATAL_ERROR "${what} holds:\n  ${found}\nexpected:\n  ${expected}")
  endif()
  execute_process(COMMAND ${EMULATOR} ${root}/${PROGRAM} -q -m motion -r 30 -o out.y4m ${CLIP}
                  WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE failed)
  if(failed OR NOT EXISTS ${WORK_DIR}/out.y4m)
    message(FATAL_ERROR "the ${PROGRAM} of ${what} failed: ${failed}")
  endif()
  file(REMOVE ${WORK_DIR}/out.y4m)
endfunction()

set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed: ${failed}")
endif()
check_tree(${prefix} "the installed tree")

execute_process(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/package
                RESULT_VARIABLE failed OUTPUT_QUIET)
file(GLOB package ${WORK_DIR}/package/*.tar.gz ${WORK_DIR}/package/*.zip)
list(LENGTH package packages)
if(failed OR NOT packages EQUAL 1)
  message(FATAL_ERROR "cpack failed (${failed}) or made ${packages} packages: ${package}")
endif()
file(MAKE_DIRECTORY ${WORK_DIR}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${package}
                WORKING_DIRECTORY ${WORK_DIR}/unpacked RESULT_VARIABLE failed)
file(GLOB top ${WORK_DIR}/unpacked/*)
list(LENGTH top tops)
if(failed OR NOT tops EQUAL 1)
  message(FATAL_ERROR "${package} did not unpack into one folder: ${failed} ${top}")
endif()
check_tree(${top} "the package")

get_filename_component(program_dir ${prefix}/${PROGRAM} DIRECTORY)
if(NOT EXISTS ${program_dir}/${MODULE})
  file(WRITE ${program_dir}/${MODULE} "not a library")
  execute_process(COMMAND ${EMULATOR} ${prefix}/${PROGRAM} -q -o - ${CLIP}
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE message)
  if(NOT failed OR NOT message MATCHES "${MODULE}: cannot load the module")
    message(FATAL_ERROR "a module beside the program was not loaded first: ${failed} ${message}")
  endif()
endif()
message(STATUS "installed, packed and ran ${PROGRAM}")
