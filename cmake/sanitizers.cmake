if(FRAMEINTERP_SANITIZE AND NOT MSVC)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# GCC's instrumentation for threads makes it see a replaced global operator
# delete (allocation_test's), once inlined, as freeing what operator new gave:
# a false report, which the other builds do not make.
if(FRAMEINTERP_THREAD_SANITIZER AND NOT MSVC)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-mismatched-new-delete)
  endif()
  add_link_options(-fsanitize=thread)
endif()
