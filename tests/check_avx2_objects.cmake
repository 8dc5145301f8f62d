# Fails unless each *_avx2 object among OBJECTS ('|'-separated) defines one
# external symbol: its kernel, or the table of its kernels. Those files are
# compiled for AVX2 from a pragma on; an inline function they emitted out of
# line would be a second copy of one the baseline code also uses, and the
# linker may keep the AVX2 copy for every caller, which a processor without
# AVX2 cannot run.
# Run as: cmake -DNM=... -DOBJECTS=a.o|b.o -P check_avx2_objects.cmake
cmake_minimum_required(VERSION 3.20)
string(REPLACE "|" ";" objects "${OBJECTS}")
set(checked 0)
foreach(object IN LISTS objects)
  if(NOT object MATCHES "_avx2\\.[^/]*$")
    continue()
  endif()
  execute_process(COMMAND ${NM} --defined-only --extern-only ${object}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${object}")
  endif()
  string(STRIP "${symbols}" symbols)
  string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
  # AddressSanitizer marks each global with an ODR indicator of its own: not code.
  list(FILTER lines EXCLUDE REGEX "__odr_asan")
  list(LENGTH lines count)
  get_filename_component(name ${object} NAME)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${name} defines ${count} external symbols, not its kernel alone:\n${symbols}")
  endif()
  math(EXPR checked "${checked} + 1")
endforeach()
if(checked EQUAL 0)
  message(FATAL_ERROR "no *_avx2 object among the library's")
endif()
message(STATUS "${checked} AVX2 objects, one kernel each")
