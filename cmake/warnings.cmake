# Warnings on for every target of the project; they must stay clean.
# FRAMEINTERP_WERROR makes each of them an error (CI builds with it), for the
# project's own targets only: GoogleTest and libpng built from source keep
# their own flags.
function(frameinterp_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${FRAMEINTERP_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                           -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
                           $<$<BOOL:${FRAMEINTERP_WERROR}>:-Werror>)
  endif()
endfunction()
