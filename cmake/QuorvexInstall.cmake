# Installed package: the module, the stand-in libraries, their headers, the
# two programs, and a CMake package config with a version file.
include(CMakePackageConfigHelpers)

foreach(lib platform framework hostlib cmdlib)
  if(TARGET quorvex_${lib})
    set_target_properties(quorvex_${lib} PROPERTIES EXPORT_NAME ${lib})
  endif()
endforeach()
foreach(program quorvex quorvex-target)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(EXPORT QuorvexTargets NAMESPACE quorvex::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quorvex)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QuorvexConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/QuorvexConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quorvex)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/QuorvexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/QuorvexConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/QuorvexConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quorvex)
