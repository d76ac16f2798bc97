# Installation for hosts: headers, both libraries (versioned SONAME), a CMake package
# (find_package(Hyx) gives Hyx::Hyx, which brings Hyx::VornCommon) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS VornCommon Hyx EXPORT HyxTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/Hyx DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/vorncommon/include/VornCommon DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES cmake/HyxPlugin.cmake DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Hyx)

install(EXPORT HyxTargets NAMESPACE Hyx:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Hyx)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/HyxConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/HyxConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Hyx)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/HyxConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/HyxConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/HyxConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Hyx)

# hyx.pc finds the prefix from its own folder, however deep the library folder lies
# (lib/<multiarch> for a /usr prefix).
file(RELATIVE_PATH HYX_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" HYX_PC_TO_PREFIX "${HYX_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/hyx.pc.in ${CMAKE_CURRENT_BINARY_DIR}/hyx.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hyx.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
