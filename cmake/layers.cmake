# The layers of src/, one static library each:
#
#   chizro_layer(NAME <target> DIR <folder under src>
#                [EXCLUDE <file>...]
#                [DEPENDS [PUBLIC|PRIVATE] <layer target>...]
#                [LINK [PUBLIC|PRIVATE] <library>...])
#
# The library is made of every .cpp file under the folder (its subfolders
# included), less the EXCLUDE ones (a program's main), and its headers.
# DEPENDS names the layers it is built on, LINK the other libraries it uses;
# both take PUBLIC and PRIVATE as target_link_libraries does and are PRIVATE
# without them: PUBLIC only for what the layer's own headers include.
#
# Before the library compiles, the `#include "..."` lines of its folder are
# checked against the table of cmake/check-layers.cmake: an include of a layer
# above it or beside it, or of another layer's internals, fails the build.

set(CHIZRO_CHECK_LAYERS ${CMAKE_CURRENT_LIST_DIR}/check-layers.cmake)

# Runs the include check of the folder `dir` (under src/) before `target`
# builds. Done by chizro_layer; called by itself for a program whose folder
# is a layer of its own.
function(chizro_layer_check target dir)
  set(folder ${CMAKE_SOURCE_DIR}/src/${dir})
  file(GLOB_RECURSE checked CONFIGURE_DEPENDS ${folder}/*.h ${folder}/*.cpp ${folder}/*.inc
       ${folder}/*.rc)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.layer-check)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DSRC_DIR=${CMAKE_SOURCE_DIR}/src -DLAYER=${dir}
            -P ${CHIZRO_CHECK_LAYERS}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${checked} ${CHIZRO_CHECK_LAYERS}
    COMMENT "Checking the includes of src/${dir} against the layers"
    VERBATIM)
  add_custom_target(${target}_layer_check DEPENDS ${stamp})
  add_dependencies(${target} ${target}_layer_check)
endfunction()

# `args` (the values of DEPENDS or LINK) with PRIVATE in front when they
# start with no keyword.
function(chizro_layer_visibility out)
  set(args ${ARGN})
  if(args)
    list(GET args 0 first)
    if(NOT first MATCHES "^(PUBLIC|PRIVATE|INTERFACE)$")
      list(PREPEND args PRIVATE)
    endif()
  endif()
  set(${out} ${args} PARENT_SCOPE)
endfunction()

function(chizro_layer)
  cmake_parse_arguments(PARSE_ARGV 0 LAYER "" "NAME;DIR" "EXCLUDE;DEPENDS;LINK")
  if(NOT LAYER_NAME OR NOT LAYER_DIR OR LAYER_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "chizro_layer(NAME <target> DIR <folder> [EXCLUDE ...] [DEPENDS ...] [LINK ...])")
  endif()
  set(folder ${CMAKE_SOURCE_DIR}/src/${LAYER_DIR})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  foreach(excluded IN LISTS LAYER_EXCLUDE)
    list(REMOVE_ITEM sources ${folder}/${excluded})
  endforeach()

  add_library(${LAYER_NAME} STATIC ${sources})
  target_include_directories(${LAYER_NAME} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  chizro_layer_visibility(depends ${LAYER_DEPENDS})
  chizro_layer_visibility(link ${LAYER_LINK})
  if(depends OR link)
    target_link_libraries(${LAYER_NAME} ${depends} ${link})
  endif()
  chizro_layer_check(${LAYER_NAME} ${LAYER_DIR})
endfunction()
