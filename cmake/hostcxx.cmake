# Programs that must run on the build machine while building (the asset embedder).
# Natively they are ordinary targets; when cross-compiling they are built with the host's
# own compiler through a custom command.
set(CLACKMOOR_HOST_CXX c++ CACHE STRING "The build machine's C++ compiler")

# clackmoor_host_program(<name> <output-var> SOURCES ... [SYSTEM_INCLUDES ...]): sets
# <output-var> to the path of the program (or its target name), usable as COMMAND and in DEPENDS
# of add_custom_command.
function(clackmoor_host_program name outvar)
  cmake_parse_arguments(H "" "" "SOURCES;SYSTEM_INCLUDES" ${ARGN})
  set(isystem)
  foreach(dir ${H_SYSTEM_INCLUDES})
    list(APPEND isystem -isystem ${dir})
  endforeach()
  if(CMAKE_CROSSCOMPILING)
    # The headers beside the sources count too: a changed header must rebuild the program.
    set(headers)
    foreach(src ${H_SOURCES})
      get_filename_component(dir ${src} DIRECTORY)
      if(NOT IS_ABSOLUTE "${dir}")
        set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
      endif()
      file(GLOB h ${dir}/*.h)
      list(APPEND headers ${h})
    endforeach()
    list(REMOVE_DUPLICATES headers)
    set(exe ${CMAKE_BINARY_DIR}/host/${name})
    add_custom_command(OUTPUT ${exe}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
      COMMAND ${CLACKMOOR_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -I${CMAKE_SOURCE_DIR} ${isystem} ${H_SOURCES} -o ${exe}
      DEPENDS ${H_SOURCES} ${headers}
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
      COMMENT "Building ${name} for the build machine")
    set(${outvar} ${exe} PARENT_SCOPE)
  else()
    add_executable(${name} ${H_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_include_directories(${name} SYSTEM PRIVATE ${H_SYSTEM_INCLUDES})
    set(${outvar} ${name} PARENT_SCOPE)
  endif()
endfunction()
