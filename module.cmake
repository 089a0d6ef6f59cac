# The module libQuorvex: exported classes and entry points, built from the
# shell/, link/ and fileservices/ folders. Symbols are hidden unless exported.
# The same objects also form a static library for tests that reach the
# module's internal helpers (quorvex_module_testing); tests of the exported
# surface link the shared library itself.
file(GLOB QUORVEX_MODULE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/shell/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/link/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fileservices/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/*.cpp)

set(QUORVEX_MODULE_DEPS quorvex::framework quorvex::platform quorvex::hostlib quorvex::cmdlib)

add_library(quorvex_module_objects OBJECT ${QUORVEX_MODULE_SOURCES})
set_target_properties(quorvex_module_objects PROPERTIES
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_compile_definitions(quorvex_module_objects PUBLIC QUORVEX_BUILDING_MODULE)
target_include_directories(quorvex_module_objects
  PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
  PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorvex_module_objects PUBLIC ${QUORVEX_MODULE_DEPS})

add_library(Quorvex SHARED $<TARGET_OBJECTS:quorvex_module_objects>)
add_library(quorvex::Quorvex ALIAS Quorvex)
set_target_properties(Quorvex PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})
target_include_directories(Quorvex PUBLIC
  $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_link_libraries(Quorvex PUBLIC ${QUORVEX_MODULE_DEPS})

if(QUORVEX_BUILD_TESTS)
  add_library(quorvex_module_testing STATIC $<TARGET_OBJECTS:quorvex_module_objects>)
  target_include_directories(quorvex_module_testing PUBLIC
    ${CMAKE_CURRENT_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(quorvex_module_testing PUBLIC ${QUORVEX_MODULE_DEPS})
  # Its users link the objects themselves, not the DLL: on Windows they must
  # not look for the symbols through the DLL's import table.
  target_compile_definitions(quorvex_module_testing INTERFACE QUORVEX_BUILDING_MODULE)
endif()

install(TARGETS Quorvex EXPORT QuorvexTargets)
install(DIRECTORY include/quorvex DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
