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

# The C runtime's reentrant time functions (gmtime_r) are declared only on request.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L)

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

# SQLite, which Windows does not have: built from its amalgamation
# (scripts/windows.sh fetches it), as a static library without this
# project's warning flags.
set(QUORVEX_SQLITE_AMALGAMATION "" CACHE PATH "Folder with sqlite3.c and sqlite3.h")
if(QUORVEX_SQLITE_AMALGAMATION)
  if(NOT EXISTS ${QUORVEX_SQLITE_AMALGAMATION}/sqlite3.c)
    message(FATAL_ERROR "QUORVEX_SQLITE_AMALGAMATION: no sqlite3.c in ${QUORVEX_SQLITE_AMALGAMATION}")
  endif()
  enable_language(C)
  add_library(quorvex_sqlite3 STATIC ${QUORVEX_SQLITE_AMALGAMATION}/sqlite3.c)
  set_target_properties(quorvex_sqlite3 PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_compile_definitions(quorvex_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
  target_include_directories(quorvex_sqlite3 PUBLIC ${QUORVEX_SQLITE_AMALGAMATION})
  add_library(SQLite::SQLite3 ALIAS quorvex_sqlite3)
  set(SQLite3_INCLUDE_DIR ${QUORVEX_SQLITE_AMALGAMATION} CACHE PATH "" FORCE)
  set(SQLite3_LIBRARY quorvex_sqlite3 CACHE STRING "" FORCE)
endif()

# Suites that need what only POSIX has, left out of the Windows build (by
# quorvex_add_test), each with its reason. Their code is the same on both
# systems, so the Linux build covers it.
set(QUORVEX_POSIX_ONLY_SUITES
  quorvex_platform_tests "tests the POSIX stand-in of the platform layer (its own queues, tick source, errno mapping)"
  quorvex_cli_tests "runs the quorvex program in child processes made with fork and signals"
  quorvex_cli_target_tests "runs quorvex and quorvex-target in child processes made with fork"
  quorvex_e2e_tests "starts quorvex-target in a child process made with fork"
  install_consumer "builds a consumer of the installed package with the build machine's compiler and runs the installed programs on a Unix-domain socket")
# Single sources of otherwise portable suites, likewise.
set(QUORVEX_POSIX_ONLY_SOURCES
  persistence_test.cpp "crash-safety cases kill a forked writer mid-transaction"
  SocketLinkTest.cpp "serves on Unix-domain sockets, which the Windows build refuses")

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
  -DNAMES=Init,Term,LoadModuleMenu,CanClose,SaveWorkspace,LoadWorkspace,CloseWorkspace,CommConnectionFunc,QuorvexDbUpdateEvent,gl_WriteFile,gl_IsFileExistInFlash
  -P ${CMAKE_CURRENT_LIST_DIR}/CheckDllExports.cmake)
