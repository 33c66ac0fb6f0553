# GoogleTest from Debian's googletest package sources, built for the current target.
enable_testing()
set(CLACKMOOR_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${CLACKMOOR_GTEST_DIR}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources missing at ${CLACKMOOR_GTEST_DIR}: run tools/setup")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(${CLACKMOOR_GTEST_DIR}/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(CLACKMOOR_HARNESS ${CMAKE_SOURCE_DIR}/tests/harness)

# Where the kernel cannot run i386 code, 32-bit Wine runs under qemu's user-mode emulation:
# correct, but each process takes about a minute to start. The 32-bit tree then runs only the
# tests marked SMOKE (the stack, the simulation and the real .scr), and the 64-bit tree, built
# from the same sources, runs everything.
set(_emulated OFF)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
  set(_emulated ON)
endif()
option(CLACKMOOR_WINE_SUBSET "Run only the SMOKE tests through Wine (emulated i386)" ${_emulated})
if(CLACKMOOR_WINE_SUBSET)
  message(STATUS "i386 is emulated here: this tree runs the SMOKE subset of the Wine tests")
endif()

# Wine tests share one virtual display and one prefix, started by a fixture.
if(WIN32)
  add_test(NAME harness.start COMMAND ${CLACKMOOR_HARNESS}/session start ${CMAKE_BINARY_DIR})
  set_tests_properties(harness.start PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME harness.stop COMMAND ${CLACKMOOR_HARNESS}/session stop ${CMAKE_BINARY_DIR})
  set_tests_properties(harness.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# The multi-head server, for the tests that place monitors: every tree's multi-head tests use it.
add_test(NAME harness.xorg.start COMMAND ${CLACKMOOR_HARNESS}/session xorg ${CMAKE_BINARY_DIR})
set_tests_properties(harness.xorg.start PROPERTIES FIXTURES_SETUP xorg)
add_test(NAME harness.xorg.stop COMMAND ${CLACKMOOR_HARNESS}/session xorg-stop ${CMAKE_BINARY_DIR})
set_tests_properties(harness.xorg.stop PROPERTIES FIXTURES_CLEANUP xorg)

# clackmoor_test(name SOURCES ... LIBS ...): a GoogleTest program, run natively or through Wine.
# SMOKE marks a test that the emulated 32-bit tree runs too.
function(clackmoor_test name)
  cmake_parse_arguments(T "SMOKE" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(CLACKMOOR_WINE_SUBSET AND NOT T_SMOKE)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine)
  endif()
endfunction()

# clackmoor_script_test(name SCRIPT args...): a shell test of the real programs; it gets the
# build directory in CLACKMOOR_BUILD and the harness in CLACKMOOR_HARNESS.
# clackmoor_script_test(name script [SMOKE] args...)
function(clackmoor_script_test name script)
  set(args ${ARGN})
  list(FIND args SMOKE smoke)
  if(smoke GREATER -1)
    list(REMOVE_AT args ${smoke})
  elseif(CLACKMOOR_WINE_SUBSET)
    return()
  endif()
  add_test(NAME ${name} COMMAND bash ${script} ${args})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "CLACKMOOR_BUILD=${CMAKE_BINARY_DIR};CLACKMOOR_SOURCE=${CMAKE_SOURCE_DIR};CLACKMOOR_HARNESS=${CLACKMOOR_HARNESS}")
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine)
  endif()
endfunction()
