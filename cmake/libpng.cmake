# libpng for the snapshots: the installed package for native builds; for
# cross builds, Debian's libpng sources (unpacked by scripts/install-deps.sh)
# compiled for the target once, when the project is configured, as a static
# library with the target's static zlib, installed into the build tree.
set(FRAMEINTERP_PNG_SOURCE_DIR "" CACHE PATH
    "libpng sources to build for the target instead of finding an installed libpng")

if(FRAMEINTERP_PNG_SOURCE_DIR)
  if(NOT EXISTS ${FRAMEINTERP_PNG_SOURCE_DIR}/png.h)
    message(FATAL_ERROR "No libpng sources in ${FRAMEINTERP_PNG_SOURCE_DIR}: "
                        "scripts/install-deps.sh unpacks Debian's there")
  endif()
  find_library(ZLIB_LIBRARY NAMES libz.a REQUIRED)
  find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)

  set(png_prefix ${CMAKE_BINARY_DIR}/libpng)
  set(PNG_LIBRARY ${png_prefix}/lib/libpng16.a CACHE FILEPATH "libpng built for the target")
  set(PNG_PNG_INCLUDE_DIR ${png_prefix}/include CACHE PATH "libpng's headers for the target")
  if(NOT EXISTS ${PNG_LIBRARY})
    message(STATUS "Building libpng for the target from ${FRAMEINTERP_PNG_SOURCE_DIR}")
    file(MAKE_DIRECTORY ${png_prefix})
    set(log ${png_prefix}/build.log)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -S ${FRAMEINTERP_PNG_SOURCE_DIR} -B ${png_prefix}/build
              -G ${CMAKE_GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
              -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=${png_prefix}
              -DPNG_SHARED=OFF -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
              -DZLIB_LIBRARY=${ZLIB_LIBRARY} -DZLIB_INCLUDE_DIR=${ZLIB_INCLUDE_DIR}
      OUTPUT_FILE ${log} ERROR_FILE ${log} RESULT_VARIABLE failed)
    if(NOT failed)
      execute_process(
        COMMAND ${CMAKE_COMMAND} --build ${png_prefix}/build --target install --parallel 2
        OUTPUT_FILE ${log} ERROR_FILE ${log} RESULT_VARIABLE failed)
    endif()
    if(failed OR NOT EXISTS ${PNG_LIBRARY})
      message(FATAL_ERROR "Building libpng for the target failed; see ${log}")
    endif()
  endif()
endif()

find_package(PNG REQUIRED)
