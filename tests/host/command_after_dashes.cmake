# Included by the scripts that run a command line given after "--" (which
# keeps cmake from reading its options): sets `command` to that command.
set(command)
set(first -1)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(first EQUAL -1 AND CMAKE_ARGV${i} STREQUAL "--")
    math(EXPR first "${i} + 1")
  elseif(NOT first EQUAL -1)
    list(APPEND command "${CMAKE_ARGV${i}}")
  endif()
endforeach()
