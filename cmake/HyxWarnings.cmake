# Compiler flags shared by every target of the project.
function(hyx_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(HYX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Options for source files whose plain array loops are written for the vectoriser: square
# roots without errno and comparisons that need not trap (so selects if-convert), and with
# GCC the vectoriser at -O2 with its full cost model.
set(HYX_KERNEL_OPTIONS -fno-math-errno -fno-trapping-math)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND HYX_KERNEL_OPTIONS -ftree-vectorize -fvect-cost-model=dynamic)
endif()

if(HYX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(HYX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(HYX_SANITIZE STREQUAL "fuzzer")
  # Coverage for libFuzzer plus address and undefined checks; the fuzz targets link the
  # fuzzer runtime themselves. clang only.
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "HYX_SANITIZE=fuzzer needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(NOT HYX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "HYX_SANITIZE must be '', 'address', 'thread' or 'fuzzer', not '${HYX_SANITIZE}'")
endif()
