# Installs the build into WORK_DIR/prefix, compares the installed files with
# EXPECTED and runs the installed PROGRAM on CLIP in mode 2. Then a file named
# MODULE beside the program that is no library: the program must take it
# before the module of the tree, and say so.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed: ${failed}")
endif()

file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
list(SORT installed)
list(SORT EXPECTED)
if(NOT installed STREQUAL EXPECTED)
  message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${EXPECTED}")
endif()

execute_process(COMMAND ${EMULATOR} ${prefix}/${PROGRAM} -q -m motion -r 30 -o out.y4m ${CLIP}
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE failed)
if(failed OR NOT EXISTS ${WORK_DIR}/out.y4m)
  message(FATAL_ERROR "the installed ${PROGRAM} failed: ${failed}")
endif()

get_filename_component(program_dir ${prefix}/${PROGRAM} DIRECTORY)
if(NOT EXISTS ${program_dir}/${MODULE})
  file(WRITE ${program_dir}/${MODULE} "not a library")
  execute_process(COMMAND ${EMULATOR} ${prefix}/${PROGRAM} -q -o - ${CLIP}
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE message)
  if(NOT failed OR NOT message MATCHES "${MODULE}: cannot load the module")
    message(FATAL_ERROR "a module beside the program was not loaded first: ${failed} ${message}")
  endif()
endif()
message(STATUS "installed and ran ${PROGRAM}")
