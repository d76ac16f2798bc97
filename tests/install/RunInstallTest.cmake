# Script mode: install the build into a fresh prefix, then build what the README shows
# against it, exactly as written there, and run it:
# - the plug-in: the README's "cpp plugin" blocks, joined in order, through plugin/;
# - the host: its CMakeLists.txt is the README's cmake block, its main.cpp the README's "cpp"
#   blocks joined in order, followed by consumer/Driver.cpp, which runs them.
# Warnings fail the build: the examples are meant to be copied.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
set(flags -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX_COMPILER} "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Command failed (${rc}): ${ARGN}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# The README's fenced blocks whose info string is exactly `info`, joined in order; at least one.
function(readme_blocks info out)
  file(READ ${README} text)
  set(fence "```${info}\n")
  string(LENGTH "${fence}" fence_length)
  set(blocks "")
  while(TRUE)
    string(FIND "${text}" "${fence}" start)
    if(start EQUAL -1)
      break()
    endif()
    math(EXPR start "${start} + ${fence_length}")
    string(SUBSTRING "${text}" ${start} -1 text)
    string(FIND "${text}" "\n```\n" end)
    if(end EQUAL -1)
      message(FATAL_ERROR "Unclosed ${info} block in ${README}")
    endif()
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${text}" 0 ${end} block)
    string(APPEND blocks "${block}\n")
    string(SUBSTRING "${text}" ${end} -1 text)
  endwhile()
  if(blocks STREQUAL "")
    message(FATAL_ERROR "No ${info} block in ${README}")
  endif()
  set(${out} "${blocks}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

readme_blocks("cpp plugin" plugin_source)
file(COPY ${TEST_DIR}/plugin/CMakeLists.txt DESTINATION ${WORK_DIR}/plugin-src)
file(WRITE ${WORK_DIR}/plugin-src/BoxCenter.cpp "${plugin_source}")
run(${CMAKE_COMMAND} -S ${WORK_DIR}/plugin-src -B ${WORK_DIR}/plugin ${flags})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/plugin)

readme_blocks("cmake" host_cmake)
readme_blocks("cpp" host_source)
file(READ ${TEST_DIR}/consumer/Driver.cpp driver)
file(WRITE ${WORK_DIR}/host-src/CMakeLists.txt "${host_cmake}")
file(WRITE ${WORK_DIR}/host-src/main.cpp "${host_source}${driver}")
run(${CMAKE_COMMAND} -S ${WORK_DIR}/host-src -B ${WORK_DIR}/host ${flags})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/host)
file(MAKE_DIRECTORY ${WORK_DIR}/scratch)
run(${WORK_DIR}/host/my_host ${WORK_DIR}/plugin ${WORK_DIR}/scratch)

# The class listing names each class with its GUID, and shows the choices of "Compression" as
# Hyx/MutateCompressor.h lists them.
foreach(line
    "3676EA64-2A3C-414D-8ADB-D5CE90D7CE03 MutateVertexPositionsCompressor \"#VertexPositionsCompressor\" (Compressor)"
    "\"Compression\" = \"0\"  0=\"QSPACE-16/16/16\"  1=\"QSPACE-11/11/10\""
    "\"Compression\" = \"0\"  0=\"16BIT\"  1=\"12BIT\""
    "\"Compression\" = \"0\"  0=\"24BIT\"  1=\"16BIT\""
    "\"Framerate\" = \"1\"  float 0.01..10000")
  string(FIND "${output}" "${line}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "The host's class listing lacks the line\n${line}\n${output}")
  endif()
endforeach()

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
