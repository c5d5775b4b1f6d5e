# Installation: public headers, libsolvutil.so and libkaldor.so (versioned SONAMEs), a
# CMake package (find_package(solvutil CONFIG) -> solvutil::solvutil) and pkg-config files.
include(CMakePackageConfigHelpers)

set(SOLVUTIL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/solvutil)

# Headers: each subsystem installs its PUBLIC_HEADERS (solvutil_add_subsystem); the
# internal ones stay in the source tree. The stand-in installs its test helpers.
install(FILES ${PROJECT_BINARY_DIR}/include/solvutil/solvutil_export.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/solvutil)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/kaldor/testing/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kaldor/testing
  FILES_MATCHING PATTERN "*.hpp")

install(TARGETS kaldor EXPORT kaldorTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS solvutil EXPORT solvutilTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT kaldorTargets NAMESPACE solvutil:: DESTINATION ${SOLVUTIL_CMAKE_DIR})
install(EXPORT solvutilTargets NAMESPACE solvutil:: DESTINATION ${SOLVUTIL_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/solvutilConfig.cmake.in
  ${PROJECT_BINARY_DIR}/solvutilConfig.cmake
  INSTALL_DESTINATION ${SOLVUTIL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/solvutilConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/solvutilConfig.cmake
              ${PROJECT_BINARY_DIR}/solvutilConfigVersion.cmake
  DESTINATION ${SOLVUTIL_CMAKE_DIR})

foreach(pc solvutil kaldor)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
