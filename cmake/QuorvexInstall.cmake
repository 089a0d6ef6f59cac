# Installed package: the module, the stand-in libraries, their headers, the
# two programs with quorvex's man page and bash completion, and a CMake
# package config with a version file.
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
if(TARGET quorvex)
  install(FILES ${PROJECT_SOURCE_DIR}/cli/share/quorvex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/cli/share/quorvex.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quorvex)
endif()

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
