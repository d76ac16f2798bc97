# Every external dependency comes from a Debian package (scripts/setup.sh installs them).
# All are looked up here, so a missing package fails the configure step with its name.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

macro(hyx_require found package)
  if(NOT ${found})
    message(FATAL_ERROR "Missing dependency: install the Debian package '${package}' (run scripts/setup.sh).")
  endif()
endmacro()

find_package(tinyxml2 CONFIG QUIET)
hyx_require(tinyxml2_FOUND libtinyxml2-dev)

find_package(Boost 1.74 CONFIG QUIET COMPONENTS filesystem system)
hyx_require(Boost_FOUND "libboost-filesystem-dev libboost-system-dev")

pkg_check_modules(BLOSC QUIET IMPORTED_TARGET blosc>=1.21)
hyx_require(BLOSC_FOUND libblosc-dev)

pkg_check_modules(TURBOJPEG QUIET IMPORTED_TARGET libturbojpeg)
hyx_require(TURBOJPEG_FOUND libturbojpeg0-dev)

# A library shipped as a header and a .so without a working package file: imported by hand.
function(hyx_import_plain_library target header library package)
  find_path(${target}_INCLUDE_DIR ${header})
  find_library(${target}_LIBRARY ${library})
  hyx_require(${target}_INCLUDE_DIR ${package})
  hyx_require(${target}_LIBRARY ${package})
  if(NOT TARGET Hyx::${target})
    add_library(Hyx::${target} UNKNOWN IMPORTED GLOBAL)
    set_target_properties(Hyx::${target} PROPERTIES IMPORTED_LOCATION "${${target}_LIBRARY}"
                          INTERFACE_INCLUDE_DIRECTORIES "${${target}_INCLUDE_DIR}")
  endif()
endfunction()

hyx_import_plain_library(lodepng lodepng.h lodepng liblodepng-dev)
# libsquish's pkg-config file carries an empty prefix, so it is found the same way.
hyx_import_plain_library(squish squish.h squish libsquish-dev)

find_package(astcenc 4.2 CONFIG QUIET)
hyx_require(astcenc_FOUND libastcenc-dev)

find_path(STB_INCLUDE_DIR stb_dxt.h PATH_SUFFIXES stb)
hyx_require(STB_INCLUDE_DIR libstb-dev)
# The stb block compressor is called from the packaged library, not compiled in.
find_library(STB_LIBRARY stb)
hyx_require(STB_LIBRARY libstb-dev)

if(HYX_BUILD_TESTS)
  find_package(GTest QUIET)
  hyx_require(GTest_FOUND "libgtest-dev libgmock-dev")
  include(GoogleTest)
endif()
if(HYX_BUILD_BENCH)
  find_package(benchmark QUIET)
  hyx_require(benchmark_FOUND libbenchmark-dev)
  # A peer for the normals codec benchmarks only.
  find_package(meshoptimizer CONFIG QUIET)
  hyx_require(meshoptimizer_FOUND libmeshoptimizer-dev)
endif()
