# What `cmake --install` lays out, the same on Linux and Windows: the module,
# the frameinterp program with the stand-in host libraries it runs on, all in
# bin/ (the program loads the module from beside itself), and the README.
# `cpack` packs it as a .tar.gz on Linux and a .zip on Windows.

# Installed Linux binaries find their neighbours as the built ones do.
set_target_properties(frameinterp service-frameinterp ovkcore ovkavcore ovkservice
                      PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS frameinterp service-frameinterp ovkcore ovkavcore ovkservice
        RUNTIME DESTINATION bin
        LIBRARY DESTINATION bin
        # Import libraries are for linking against the host, not for running.
        ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
install(FILES README.md DESTINATION .)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_VENDOR "libservice-frameinterp developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "frame interp: frame-interpolation service module and its harness")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
include(CPack)
