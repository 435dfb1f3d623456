# Fails when an object of the SIMD kernels defines code of external linkage
# other than a twin (a function frameinterp::<name>_sse2, _avx2 or _avx512). Such code
# (a helper defined in a header, say, or a template instance) is built once
# per instruction set, and the linker keeps one copy for every caller: maybe
# the AVX2 one, for the plain kernels on a processor without it. Data is left
# alone (the sanitizers' builds add a weak pointer to the exception
# personality routine, for one).
#   cmake -D NM=<nm> -D "OBJECTS=<object files>" -P check_simd_linkage.cmake
set(strays "")
foreach(object IN LISTS OBJECTS)
  execute_process(COMMAND ${NM} --extern-only --defined-only ${object}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} cannot read ${object}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
  foreach(line IN LISTS lines)
    # Code: T (text), W (weak), i (indirect function). Mangled names:
    # frameinterp::<name>_<tier>(...) is _ZN11frameinterp<length><name>_<tier>E...
    if(NOT line MATCHES " [TWi] ([^ ]+)$")
      continue()
    endif()
    set(symbol ${CMAKE_MATCH_1})
    if(NOT symbol MATCHES "^_ZN11frameinterp[0-9]+[A-Za-z0-9_]+_(sse2|avx2|avx512)E")
      get_filename_component(name ${object} NAME)
      string(APPEND strays "\n  ${name}: ${symbol}")
    endif()
  endforeach()
endforeach()
if(strays)
  message(FATAL_ERROR "code of external linkage besides the twins:${strays}")
endif()
list(LENGTH OBJECTS count)
message(STATUS "${count} SIMD objects define the twins alone")
