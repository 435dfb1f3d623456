# What `cmake --install` lays out, and `cpack` packs (a .tar.gz on Linux, a
# .zip on Windows).
#
# Linux, the conventional Unix tree: bin/frameinterp; the module and the
# stand-in host libraries in lib/, found by the program through an RPATH
# relative to itself (and the module by the program's lookup, see
# DefaultModulePath); the host interface headers in include/host/; the README
# in share/doc/libservice-frameinterp/.
#
# Windows: the program and every DLL it loads together in bin/, where Windows
# looks for them; the headers in include/host/, the README at the top.
include(GNUInstallDirs)

set(frameinterp_targets frameinterp service-frameinterp ovkcore ovkavcore ovkservice)
if(WIN32)
  set(frameinterp_library_dir ${CMAKE_INSTALL_BINDIR})
  set(frameinterp_doc_dir .)
  set(library_from_program .)
else()
  set(frameinterp_library_dir ${CMAKE_INSTALL_LIBDIR})
  set(frameinterp_doc_dir ${CMAKE_INSTALL_DOCDIR})
  file(RELATIVE_PATH library_from_program ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(frameinterp PROPERTIES INSTALL_RPATH "$ORIGIN/${library_from_program}")
  set_target_properties(service-frameinterp ovkcore ovkavcore ovkservice
                        PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()
# Where the program looks for the module when none is beside it.
target_compile_definitions(frameinterp_cli PRIVATE
  FRAMEINTERP_INSTALLED_MODULE_DIR="${library_from_program}")

install(TARGETS ${frameinterp_targets}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${frameinterp_library_dir}
        # Import libraries are for linking against the host, not for running.
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} EXCLUDE_FROM_ALL)
install(DIRECTORY include/host DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES README.md DESTINATION ${frameinterp_doc_dir})

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
