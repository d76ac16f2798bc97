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

find_path(LODEPNG_INCLUDE_DIR lodepng.h)
find_library(LODEPNG_LIBRARY lodepng)
hyx_require(LODEPNG_LIBRARY liblodepng-dev)
hyx_require(LODEPNG_INCLUDE_DIR liblodepng-dev)
if(NOT TARGET Hyx::lodepng)
  add_library(Hyx::lodepng UNKNOWN IMPORTED)
  set_target_properties(Hyx::lodepng PROPERTIES IMPORTED_LOCATION "${LODEPNG_LIBRARY}"
                        INTERFACE_INCLUDE_DIRECTORIES "${LODEPNG_INCLUDE_DIR}")
endif()

# libsquish's pkg-config file carries an empty prefix: find it by hand.
find_path(SQUISH_INCLUDE_DIR squish.h)
find_library(SQUISH_LIBRARY squish)
hyx_require(SQUISH_LIBRARY libsquish-dev)
hyx_require(SQUISH_INCLUDE_DIR libsquish-dev)
if(NOT TARGET Hyx::squish)
  add_library(Hyx::squish UNKNOWN IMPORTED)
  set_target_properties(Hyx::squish PROPERTIES IMPORTED_LOCATION "${SQUISH_LIBRARY}"
                        INTERFACE_INCLUDE_DIRECTORIES "${SQUISH_INCLUDE_DIR}")
endif()

find_package(astcenc 4.2 CONFIG QUIET)
hyx_require(astcenc_FOUND libastcenc-dev)

find_path(STB_INCLUDE_DIR stb_dxt.h PATH_SUFFIXES stb)
hyx_require(STB_INCLUDE_DIR libstb-dev)

if(HYX_BUILD_TESTS)
  find_package(GTest QUIET)
  hyx_require(GTest_FOUND "libgtest-dev libgmock-dev")
  include(GoogleTest)
endif()
if(HYX_BUILD_BENCH)
  find_package(benchmark QUIET)
  hyx_require(benchmark_FOUND libbenchmark-dev)
endif()
