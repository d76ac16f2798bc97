# Script mode: install the build into a fresh prefix, then build what the README shows
# against it, exactly as written there, and run it:
# - the plug-in: the folder box_center, its CMakeLists.txt the README's "cmake plugin" block,
#   its BoxCenter.cpp the README's "cpp plugin" blocks joined in order, built into
#   box_center/build as the README says;
# - the host: its CMakeLists.txt is the README's cmake block, its main.cpp the README's "cpp"
#   blocks joined in order, followed by the files of consumer/ that run them (their shared
#   set-up, one file per README section and the main(), in the order listed below), with
#   consumer/Consumer.h, which each of them includes, beside it;
# - the same host built without CMake by the README's "sh pkg-config" line, run with no
#   LD_LIBRARY_PATH: it must find the prefix's libraries by itself.
# Each host runs in its own working directory, beside box_center, after the README's
# "sh plugin" command copied the plug-in into the folder the host scans. The texts the host
# prints as "README quote: <text>" must stand in the README word for word.
# The README's "sh install" command, the library-only build and install, runs dry (make -n)
# in the source tree: it must configure without tests, benchmarks and the example host and
# install into the prefix it names (the hosts are built against this build's own install).
# Warnings fail the CMake builds: the examples are meant to be copied.
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

readme_blocks("sh install" install_command)
# No semicolon in the script: run() would split it there.
set(dry_home ${WORK_DIR}/home)
run(${CMAKE_COMMAND} -E env --unset=MAKEFLAGS --unset=MFLAGS --unset=MAKELEVEL HOME=${dry_home}
  sh -e -c "make() {\ncommand make -n -C '${SOURCE_DIR}' \"$@\"\n}\n${install_command}")
foreach(expected
    "cmake -S . -B build-lib -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHYX_BUILD_TESTS=OFF -DHYX_BUILD_BENCH=OFF -DHYX_BUILD_EXAMPLES=OFF"
    "cmake --build build-lib"
    "cmake --install build-lib --prefix ${dry_home}/hyx\n")
  string(FIND "${output}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "The README's install command does not run\n${expected}\n${output}")
  endif()
endforeach()

# The README's set-up sentences: apt with root or sudo, a bounded wait for a held package lock.
file(READ ${SOURCE_DIR}/scripts/setup.sh setup_script)
foreach(expected "-o DPkg::Lock::Timeout=600" "sudo=\"sudo\"" "apt-get \"\${lock_wait[@]}\" install")
  string(FIND "${setup_script}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "scripts/setup.sh does not hold\n${expected}")
  endif()
endforeach()

readme_blocks("cmake plugin" plugin_cmake)
readme_blocks("cpp plugin" plugin_source)
file(WRITE ${WORK_DIR}/box_center/CMakeLists.txt "${plugin_cmake}")
file(WRITE ${WORK_DIR}/box_center/BoxCenter.cpp "${plugin_source}")
run(${CMAKE_COMMAND} -E chdir ${WORK_DIR} ${CMAKE_COMMAND} -S box_center -B box_center/build ${flags})
run(${CMAKE_COMMAND} -E chdir ${WORK_DIR} ${CMAKE_COMMAND} --build box_center/build)
readme_blocks("sh plugin" plugin_copy)

# The README with its line breaks as blanks, to find the quoted texts in.
file(READ ${README} readme_text)
string(REGEX REPLACE "[ \n]+" " " readme_text "${readme_text}")

readme_blocks("cmake" host_cmake)
readme_blocks("cpp" host_source)
readme_blocks("xml graph" graph_file)
# The host's checks, one file per README section after their shared set-up, then the main()
# that runs them; every source file of consumer/ is listed here.
set(consumer_files
  Consumer.cpp
  Failures.cpp
  FilterClasses.cpp
  FilterFactory.cpp
  PlayingAndRates.cpp
  ThreadsAndWalks.cpp
  PlayPauseStopFailures.cpp
  Callbacks.cpp
  GraphFiles.cpp
  Takes.cpp
  Sources.cpp
  TakeFiles.cpp
  FileInjection.cpp
  Compression.cpp
  LayerKeepers.cpp
  Textures.cpp
  Cameras.cpp
  Plugins.cpp
  ChangingLayers.cpp
  Main.cpp)
file(GLOB consumer_found RELATIVE ${TEST_DIR}/consumer ${TEST_DIR}/consumer/*.cpp)
set(consumer_listed ${consumer_files})
list(SORT consumer_found)
list(SORT consumer_listed)
if(NOT consumer_found STREQUAL consumer_listed)
  message(FATAL_ERROR "RunInstallTest.cmake lists ${consumer_listed}\nconsumer/ holds ${consumer_found}")
endif()
set(driver "")
foreach(name IN LISTS consumer_files)
  file(READ ${TEST_DIR}/consumer/${name} part)
  string(APPEND driver "${part}")
endforeach()
file(WRITE ${WORK_DIR}/host-src/CMakeLists.txt "${host_cmake}")
file(WRITE ${WORK_DIR}/host-src/main.cpp "${host_source}${driver}")
file(COPY ${TEST_DIR}/consumer/Consumer.h DESTINATION ${WORK_DIR}/host-src)
run(${CMAKE_COMMAND} -S ${WORK_DIR}/host-src -B ${WORK_DIR}/host ${flags})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/host)
# The host runs in its scratch folder: the README's relative paths count from there. The
# plug-in's folder lies beside it there, and the README's command copies the plug-in first.
function(run_host host scratch)
  file(MAKE_DIRECTORY ${scratch})
  file(CREATE_LINK ${WORK_DIR}/box_center ${scratch}/box_center SYMBOLIC)
  run(${CMAKE_COMMAND} -E chdir ${scratch} sh -e -c "${plugin_copy}")
  file(WRITE ${scratch}/graph.xml "${graph_file}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${host} ${scratch}
    WORKING_DIRECTORY ${scratch} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${host} failed (${rc}):\n${err}\n${out}")
  endif()
  # The take written through a path with a folder lies below the working directory; one
  # written by a bare name lies beside the executable. The scan keeps its cache in the
  # plug-in folder.
  get_filename_component(host_dir ${host} DIRECTORY)
  foreach(file ${scratch}/takes/first.hyx ${host_dir}/bare-name.hyx ${scratch}/plugins/plugins.xml)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${host} did not write ${file}")
    endif()
  endforeach()
  string(REGEX MATCHALL "README quote: [^\n]*" quotes "${out}")
  if(NOT quotes)
    message(FATAL_ERROR "${host} quoted nothing:\n${out}")
  endif()
  foreach(quote IN LISTS quotes)
    string(REPLACE "README quote: " "" quote "${quote}")
    string(FIND "${readme_text}" "${quote}" found)
    if(quote STREQUAL "" OR found EQUAL -1)
      message(FATAL_ERROR "The README does not quote what the library gave:\n${quote}")
    endif()
  endforeach()
  set(output "${out}" PARENT_SCOPE)
endfunction()
run_host(${WORK_DIR}/host/my_host ${WORK_DIR}/scratch)

# The class listing names each class with its GUID and each parameter's type, and shows the
# choices of "Compression" as Hyx/MutateCompressor.h lists them.
foreach(line
    "3676EA64-2A3C-414D-8ADB-D5CE90D7CE03 MutateVertexPositionsCompressor \"#VertexPositionsCompressor\" (Compressor)"
    "\"Compression\" = \"0\"  index  0=\"QSPACE-16/16/16\"  1=\"QSPACE-11/11/10\""
    "\"Compression\" = \"0\"  index  0=\"16BIT\"  1=\"12BIT\""
    "\"Compression\" = \"0\"  index  0=\"24BIT\"  1=\"16BIT\""
    "\"Framerate\" = \"1\"  float 0.01..10000"
    "\"Buffer size\" = \"1\"  uint32"
    "\"Atom listener ptr\" = \"0\"  int64")
  string(FIND "${output}" "${line}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "The host's class listing lacks the line\n${line}\n${output}")
  endif()
endforeach()
# Every built-in parameter's type is one the listing names.
string(REGEX MATCH "\n    \"[^\n]*\" = \"[^\n]*\"  other\n" unnamed "${output}")
if(unnamed)
  message(FATAL_ERROR "The host's class listing names no type for${unnamed}")
endif()

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

# The host again, built by the README's pkg-config line; it starts from the prefix by itself.
readme_blocks("sh pkg-config" pkg_config_build)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
file(COPY ${WORK_DIR}/host-src/main.cpp ${WORK_DIR}/host-src/Consumer.h DESTINATION ${WORK_DIR}/pkg-config-host)
run(${CMAKE_COMMAND} -E chdir ${WORK_DIR}/pkg-config-host
  ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${pc_dir} sh -e -c "${pkg_config_build}")
run_host(${WORK_DIR}/pkg-config-host/my_host ${WORK_DIR}/pkg-config-scratch)
