# One command line of the reference host, checked by what a user sees of it.
# Run as:
#   cmake -DDATA=dir -DWORK=dir -DEXIT=n [-DSTDOUT=regex] [-DSTDERR=regex] [-DOUT_FILES=a,b]
#         [-DLINUX_TEXT=1] -P host_cli_case.cmake -- COMMAND...
# WORK is made afresh with the inputs a/photo.png and b/photo.png (two
# different pictures of one name), café.png, bad.png (not an image) and an
# empty out/. The command must exit with EXIT, print what the regular
# expressions ask on each stream, and leave out/ holding exactly OUT_FILES.
# LINUX_TEXT: no carriage return may be printed.
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/command_after_dashes.cmake)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/a" "${WORK}/b" "${WORK}/out")
file(COPY_FILE "${DATA}/chelsea.png" "${WORK}/a/photo.png")
file(COPY_FILE "${DATA}/chelsea.jpg" "${WORK}/b/photo.png")
file(COPY_FILE "${DATA}/chelsea.png" "${WORK}/café.png")
file(WRITE "${WORK}/bad.png" "not an image\n")

execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(problems)
if(NOT status STREQUAL "${EXIT}")
  list(APPEND problems "exit status ${status}, not ${EXIT}")
endif()
if(DEFINED STDOUT AND NOT out MATCHES "${STDOUT}")
  list(APPEND problems "stdout does not match: ${STDOUT}")
endif()
if(DEFINED STDERR AND NOT err MATCHES "${STDERR}")
  list(APPEND problems "stderr does not match: ${STDERR}")
endif()
if(LINUX_TEXT AND "${out}${err}" MATCHES "\r")
  list(APPEND problems "a carriage return was printed")
endif()
file(GLOB left RELATIVE "${WORK}/out" "${WORK}/out/*")
list(SORT left)
string(REPLACE "," ";" wanted "${OUT_FILES}")
list(SORT wanted)
if(NOT "${left}" STREQUAL "${wanted}")
  list(APPEND problems "out/ holds [${left}], not [${wanted}]")
endif()
if(problems)
  list(JOIN problems "\n  " said)
  message(FATAL_ERROR "${said}\n--- stdout:\n${out}\n--- stderr:\n${err}")
endif()
