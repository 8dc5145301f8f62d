# A long batch leaves nothing behind: the batch host runs a dialog tool on
# COUNT copies of the photograph (MOLVANE_SOAK_FILES in the environment for
# another count, 200 for a long run) with --resources, and what the process
# holds after the last file must be what it held after the tenth: fewer new
# GDI objects, windows and handles than one for every second file, fewer
# heap bytes than 4 kB for every second file.
# Run as: cmake -DDATA=dir -DWORK=dir -DCOUNT=n -P batch_soak.cmake -- COMMAND...
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/command_after_dashes.cmake)
if(DEFINED ENV{MOLVANE_SOAK_FILES})
  set(COUNT $ENV{MOLVANE_SOAK_FILES})
endif()
set(warm 10)
if(COUNT LESS_EQUAL warm)
  message(FATAL_ERROR "a soak needs more than ${warm} files, not ${COUNT}")
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/out")
set(inputs)
foreach(i RANGE 1 ${COUNT})
  file(COPY_FILE "${DATA}/chelsea.bmp" "${WORK}/photo-${i}.bmp")
  list(APPEND inputs "Z:${WORK}/photo-${i}.bmp")
endforeach()

execute_process(COMMAND ${command} --resources --out "Z:${WORK}/out" ${inputs}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the batch exited with ${status}:\n${out}\n${err}")
endif()

# "[i/N] ...; GDI g, fenêtres w, handles h, mémoire privée p Mo, tas b octets"
function(counts_after index prefix)
  if(NOT out MATCHES "\\[${index}/${COUNT}\\][^\n]*; GDI ([0-9]+), [^ ]+ ([0-9]+), handles ([0-9]+)[^\n]* ([0-9]+) octets")
    message(FATAL_ERROR "no resources after file ${index}:\n${out}")
  endif()
  set(${prefix}_gdi ${CMAKE_MATCH_1} PARENT_SCOPE)
  set(${prefix}_windows ${CMAKE_MATCH_2} PARENT_SCOPE)
  set(${prefix}_handles ${CMAKE_MATCH_3} PARENT_SCOPE)
  set(${prefix}_heap ${CMAKE_MATCH_4} PARENT_SCOPE)
endfunction()
counts_after(${warm} start)
counts_after(${COUNT} end)
message(STATUS "after file ${warm}: GDI ${start_gdi}, windows ${start_windows}, handles ${start_handles}, heap ${start_heap} bytes")
message(STATUS "after file ${COUNT}: GDI ${end_gdi}, windows ${end_windows}, handles ${end_handles}, heap ${end_heap} bytes")

math(EXPR runs "${COUNT} - ${warm}")
math(EXPR objects "${runs} / 2")
math(EXPR bytes "${runs} / 2 * 4096")
set(problems)
foreach(kind gdi windows handles heap)
  math(EXPR grew "${end_${kind}} - ${start_${kind}}")
  set(limit ${objects})
  if(kind STREQUAL "heap")
    set(limit ${bytes})
  endif()
  if(grew GREATER_EQUAL limit)
    list(APPEND problems "${kind} grew by ${grew} over ${runs} files")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
