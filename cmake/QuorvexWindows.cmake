# Windows build (mingw-w64 cross toolchain): one folder holds the programs,
# the DLLs and the compiler's runtime DLLs, so that everything finds its
# libraries the way Windows looks for them, beside the program. Tests are
# built against GoogleTest compiled from source with the same toolchain and,
# when cross-building, run under the emulator (wine64) as one CTest test per
# suite, because starting a Windows process per test case costs too much.
include(GNUInstallDirs)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# DLLs carry their plain names (Quorvex.dll), as hosts load them by those.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "")

# libstdc++, libgcc and winpthread stay shared: C++ objects and exceptions
# cross DLL boundaries here (CString, CFileException), which needs one runtime.
get_filename_component(quorvex_cxx_dir ${CMAKE_CXX_COMPILER} DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE quorvex_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(quorvex_gcc_libdir ${quorvex_libstdcxx} DIRECTORY)
file(GLOB quorvex_runtime_dlls ${quorvex_gcc_libdir}/libstdc++-6.dll
  ${quorvex_gcc_libdir}/libgcc_s_*.dll ${CMAKE_FIND_ROOT_PATH}/lib/libwinpthread-1.dll
  ${CMAKE_FIND_ROOT_PATH}/lib/zlib1.dll)
file(COPY ${quorvex_runtime_dlls} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
install(FILES ${quorvex_runtime_dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})

if(QUORVEX_BUILD_TESTS)
  set(quorvex_googletest_source /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows build")
  if(NOT EXISTS ${quorvex_googletest_source}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${quorvex_googletest_source} (Debian package googletest)")
  endif()
  # Static, and without this project's warning flags, which it predates.
  set(BUILD_SHARED_LIBS OFF)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${quorvex_googletest_source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(BUILD_SHARED_LIBS ON)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
  set(GTest_FOUND TRUE)

  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(QUORVEX_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
    if(QUORVEX_WINE64)
      # Headless, quiet, and in a prefix of this build tree only.
      set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env
        WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all DISPLAY=
        ${QUORVEX_WINE64})
    endif()
  endif()
endif()

# The host and other modules find the entry points and the two plain
# functions by their bare names, on both architectures.
enable_testing()
add_test(NAME quorvex_dll_exports COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
  -DDLL=$<TARGET_FILE:Quorvex>
  "-DNAMES=Init\;Term\;LoadModuleMenu\;CanClose\;SaveWorkspace\;LoadWorkspace\;CloseWorkspace\;CommConnectionFunc\;QuorvexDbUpdateEvent\;gl_WriteFile\;gl_IsFileExistInFlash"
  -P ${CMAKE_CURRENT_LIST_DIR}/CheckDllExports.cmake)
