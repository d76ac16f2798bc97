# Script mode: install, build the consumer against the installed tree, run it.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Command failed (${rc}): ${ARGN}\n${out}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)

# The pkg-config file must name both libraries.
file(GLOB_RECURSE pc_files ${prefix}/*/hyx.pc)
if(NOT pc_files)
  message(FATAL_ERROR "No hyx.pc installed under ${prefix}")
endif()
list(GET pc_files 0 pc_file)
file(READ ${pc_file} pc)
if(NOT pc MATCHES "-lHyx" OR NOT pc MATCHES "-lVornCommon")
  message(FATAL_ERROR "hyx.pc does not link both libraries:\n${pc}")
endif()
