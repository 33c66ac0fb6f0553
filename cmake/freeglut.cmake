# freeglut 3.4, built once per Windows target as a static library from Debian's source
# package. The source is fetched into build/deps (shared by both targets) on first configure.
include(ExternalProject)

set(FREEGLUT_SRC_ROOT ${CMAKE_SOURCE_DIR}/build/deps)
file(GLOB _fg_dirs LIST_DIRECTORIES true ${FREEGLUT_SRC_ROOT}/freeglut-3.*)
if(NOT _fg_dirs)
  file(MAKE_DIRECTORY ${FREEGLUT_SRC_ROOT})
  message(STATUS "Fetching Debian's freeglut source package into ${FREEGLUT_SRC_ROOT}")
  execute_process(COMMAND apt-get source -q freeglut
                  WORKING_DIRECTORY ${FREEGLUT_SRC_ROOT}
                  RESULT_VARIABLE _fg_rc)
  file(GLOB _fg_dirs LIST_DIRECTORIES true ${FREEGLUT_SRC_ROOT}/freeglut-3.*)
  if(NOT _fg_rc EQUAL 0 OR NOT _fg_dirs)
    message(FATAL_ERROR "Could not fetch freeglut's source package: run tools/setup (it enables source packages)")
  endif()
endif()
list(GET _fg_dirs 0 FREEGLUT_SOURCE_DIR)

set(FREEGLUT_PREFIX ${CMAKE_BINARY_DIR}/deps/freeglut)
ExternalProject_Add(freeglut_build
  SOURCE_DIR ${FREEGLUT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/deps/freeglut-build
  INSTALL_DIR ${FREEGLUT_PREFIX}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=MinSizeRel
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_POLICY_DEFAULT_CMP0069=NEW
    -DFREEGLUT_BUILD_SHARED_LIBS=OFF
    -DFREEGLUT_BUILD_STATIC_LIBS=ON
    -DFREEGLUT_BUILD_DEMOS=OFF
    -DFREEGLUT_GLES=OFF
    -DFREEGLUT_REPLACE_GLUT=OFF
    # msvcrt's own printf and scanf (imported, no code in the program) instead of MinGW's
    # formatted-I/O library: freeglut only formats its warnings and parses its options.
    "-DCMAKE_C_FLAGS=-w -ffunction-sections -fdata-sections -D__USE_MINGW_ANSI_STDIO=0"
  BUILD_BYPRODUCTS ${FREEGLUT_PREFIX}/lib/libfreeglut_static.a
  UPDATE_COMMAND ""
  USES_TERMINAL_BUILD OFF)

file(MAKE_DIRECTORY ${FREEGLUT_PREFIX}/include)
add_library(freeglut_static STATIC IMPORTED GLOBAL)
set_target_properties(freeglut_static PROPERTIES
  IMPORTED_LOCATION ${FREEGLUT_PREFIX}/lib/libfreeglut_static.a
  INTERFACE_INCLUDE_DIRECTORIES ${FREEGLUT_PREFIX}/include
  INTERFACE_COMPILE_DEFINITIONS FREEGLUT_STATIC
  INTERFACE_LINK_LIBRARIES "glu32;opengl32;gdi32;user32")
add_dependencies(freeglut_static freeglut_build)
