# GoogleTest for the test suite: the installed package for native builds; for
# cross builds, Debian's GoogleTest sources (the googletest package, in
# /usr/src/googletest) compiled for the target along with the project.
set(FRAMEINTERP_GTEST_SOURCE_DIR "" CACHE PATH
    "GoogleTest sources to build with the project instead of finding an installed GoogleTest")

if(FRAMEINTERP_GTEST_SOURCE_DIR)
  set(INSTALL_GTEST OFF CACHE BOOL "GoogleTest is built for the tests only, never installed")
  add_subdirectory(${FRAMEINTERP_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
