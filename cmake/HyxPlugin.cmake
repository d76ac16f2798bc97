# hyx_add_plugin(<target> <sources...>): a plug-in library as the plug-in database finds it:
# file name "<target>_vornp.dll" (the scan ending), linked against Hyx, found beside its
# own dependencies through the run path $ORIGIN. Built without GNU unique symbols: a library
# holding one can never be unloaded, so an updated file could not be loaded afresh.
function(hyx_add_plugin target)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX "_vornp.dll"
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  target_link_libraries(${target} PRIVATE Hyx::Hyx)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fno-gnu-unique)
  endif()
  if(COMMAND hyx_target_defaults)
    hyx_target_defaults(${target})
  endif()
endfunction()
