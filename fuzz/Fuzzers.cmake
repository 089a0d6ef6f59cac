# The fuzz entry points beyond the frame and command-handler fuzzers, and what
# each is built from. fuzz/CMakeLists.txt makes libFuzzer programs of them
# (clang only); tests/fuzz makes plain programs that replay each committed
# corpus once in every test build, gcc included. Entry sources are compiled
# into each program so that they carry the fuzzer's coverage instrumentation.
set(QUORVEX_FUZZERS module_report settings endpoint command_line)

set(QUORVEX_FUZZ_module_report_SOURCES ${CMAKE_CURRENT_LIST_DIR}/ModuleReportFuzzer.cpp)
set(QUORVEX_FUZZ_module_report_LIBS quorvex_module_testing quorvex_cmdlib_testing)
set(QUORVEX_FUZZ_module_report_INCLUDES ${PROJECT_SOURCE_DIR}/tests)

set(QUORVEX_FUZZ_settings_SOURCES ${CMAKE_CURRENT_LIST_DIR}/SettingsFuzzer.cpp
    ${PROJECT_SOURCE_DIR}/hostlib/src/ini_document.cpp)
set(QUORVEX_FUZZ_settings_INCLUDES ${PROJECT_SOURCE_DIR}/hostlib/src)

set(QUORVEX_FUZZ_endpoint_SOURCES ${CMAKE_CURRENT_LIST_DIR}/EndpointFuzzer.cpp
    ${PROJECT_SOURCE_DIR}/cmdlib/net/Endpoint.cpp)
set(QUORVEX_FUZZ_endpoint_INCLUDES ${PROJECT_SOURCE_DIR}/cmdlib/net
    ${PROJECT_SOURCE_DIR}/cmdlib/net/${QUORVEX_PLATFORM_BACKEND}
    ${PROJECT_SOURCE_DIR}/platform/${QUORVEX_PLATFORM_BACKEND}/include)

# The parser is pure: it needs no module and no target.
set(QUORVEX_FUZZ_command_line_SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandLineFuzzer.cpp)
set(QUORVEX_FUZZ_command_line_LIBS quorvex_cli_parser)

# quorvex_fuzz_program(NAME EXE [MAIN]): EXE built from NAME's sources, plus
# MAIN (the replay program's main) when given.
function(quorvex_fuzz_program name exe)
  add_executable(${exe} ${QUORVEX_FUZZ_${name}_SOURCES} ${ARGN})
  target_include_directories(${exe} PRIVATE ${QUORVEX_FUZZ_${name}_INCLUDES})
  target_link_libraries(${exe} PRIVATE ${QUORVEX_FUZZ_${name}_LIBS})
endfunction()
