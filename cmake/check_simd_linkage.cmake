# Fails when an object of the SIMD kernels defines a symbol of external
# linkage other than a twin (a function frameinterp::<name>_sse2 or _avx2).
# Such a symbol (a helper defined in a header, say, or a template instance)
# is built once per instruction set, and the linker keeps one copy for every
# caller: maybe the AVX2 one, for the plain kernels on a processor without it.
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
    # Mangled names: frameinterp::<name>_<tier>(...) is _ZN11frameinterp<length><name>_<tier>E...
    string(REGEX REPLACE "^.* " "" symbol "${line}")
    if(NOT symbol MATCHES "^_ZN11frameinterp[0-9]+[A-Za-z0-9_]+_(sse2|avx2)E")
      get_filename_component(name ${object} NAME)
      string(APPEND strays "\n  ${name}: ${symbol}")
    endif()
  endforeach()
endforeach()
if(strays)
  message(FATAL_ERROR "symbols of external linkage besides the twins:${strays}")
endif()
list(LENGTH OBJECTS count)
message(STATUS "${count} SIMD objects define the twins alone")
