# Warnings on for every target of the project; they must stay clean.
function(frameinterp_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                           -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual)
  endif()
endfunction()
