# Fails unless the PE image FILE is marked large-address aware.
# Run as: cmake -DOBJDUMP=... -DFILE=... -P check_large_addresses.cmake
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${FILE} failed")
endif()
get_filename_component(file_name ${FILE} NAME)
if(NOT dump MATCHES "large address aware")
  message(FATAL_ERROR "${file_name} is not marked large-address aware")
endif()
