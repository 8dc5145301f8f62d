# A batch on two jobs prints the lines of one job and writes the same bytes.
# Run as:
#   cmake -DDATA=dir -DWORK=dir -P batch_jobs.cmake -- COMMAND...
# COMMAND (the host and the tool's options) runs with --jobs 1 and --jobs 2 on
# the same inputs: two pictures of one name (numbered outputs), a JPEG, a
# file that is not an image and the photograph again, so that each worker
# takes several files; their exit statuses, their lines with the milliseconds
# and the folder's name set aside, and every output file must be the same, the
# bad file failed at its place and the four others written.
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/command_after_dashes.cmake)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/a" "${WORK}/b")
file(COPY_FILE "${DATA}/chelsea.png" "${WORK}/a/photo.png")
file(COPY_FILE "${DATA}/chelsea.jpg" "${WORK}/b/photo.png")
file(COPY_FILE "${DATA}/chelsea.jpg" "${WORK}/chelsea.jpg")
file(WRITE "${WORK}/bad.png" "not an image\n")
file(COPY_FILE "${DATA}/chelsea.bmp" "${WORK}/chelsea.bmp")
set(inputs Z:${WORK}/a/photo.png Z:${WORK}/b/photo.png Z:${WORK}/chelsea.jpg Z:${WORK}/bad.png Z:${WORK}/chelsea.bmp)

set(problems)
foreach(jobs 1 2)
  execute_process(COMMAND ${command} --jobs ${jobs} --out Z:${WORK}/jobs${jobs} ${inputs}
                  RESULT_VARIABLE status${jobs} OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[0-9.]+ ms" "N ms" out "${out}")
  string(REPLACE "jobs${jobs}" "jobsN" out "${out}")
  set(out${jobs} "${out}")
  set(err${jobs} "${err}")
  file(GLOB files${jobs} RELATIVE "${WORK}/jobs${jobs}" "${WORK}/jobs${jobs}/*")
  list(SORT files${jobs})
endforeach()
if(NOT status1 STREQUAL "1" OR NOT status2 STREQUAL "1")
  list(APPEND problems "exit statuses ${status1} and ${status2}, not 1 (one file fails)")
endif()
if(NOT out1 STREQUAL out2)
  list(APPEND problems "the lines differ:\n--- one job:\n${out1}\n--- two jobs:\n${out2}")
endif()
if(NOT err1 STREQUAL err2)
  list(APPEND problems "the errors differ:\n--- one job:\n${err1}\n--- two jobs:\n${err2}")
endif()
if(NOT out2 MATCHES "\\[3/5\\] chelsea.jpg: written[^\n]*\n[^[]*\\[4/5\\] bad.png: FAILED[^\n]*\n[^[]*\\[5/5\\] chelsea.bmp: written")
  list(APPEND problems "two jobs do not report the bad file in its place:\n${out2}")
endif()
list(LENGTH files2 written)
if(NOT "${files1}" STREQUAL "${files2}" OR NOT "${files1}" MATCHES "photo-2-" OR NOT written EQUAL 4)
  list(APPEND problems "the outputs are [${files1}] and [${files2}]")
endif()
foreach(file IN LISTS files1)
  if(NOT EXISTS "${WORK}/jobs2/${file}")
    continue()  # named among the outputs above
  endif()
  file(SHA256 "${WORK}/jobs1/${file}" one)
  file(SHA256 "${WORK}/jobs2/${file}" two)
  if(NOT one STREQUAL two)
    list(APPEND problems "${file} differs")
  endif()
endforeach()
if(problems)
  list(JOIN problems "\n  " said)
  message(FATAL_ERROR "${said}")
endif()
