# The layers of src/ and what each may include, checked on the
# `#include "..."` lines of the sources:
#
#   cmake -DSRC_DIR=<src folder> [-DLAYER=<layer folder>] -P cmake/check-layers.cmake
#
# Without LAYER every file under SRC_DIR is checked, with it the files of that
# layer's folder only (each layer's library runs this on its own folder before
# it compiles, see cmake/layers.cmake). Fails with one line per include that
# the rules below do not allow, naming the file, the line and the include.
# Include lines with angle brackets (the C++ library, the system, Qt, PROJ,
# Xerces ...) are not checked.
cmake_minimum_required(VERSION 3.25)

# Each layer as "<folder under src>:<the layers it is built on>". A file may
# include its own layer and every layer below it (the layers it is built on,
# theirs, and so on), nothing above it or beside it. The list is the one of
# the libraries' links (chizro_<layer>, see the layers' CMakeLists.txt).
set(CHIZRO_LAYERS
  "platform:"
  "coords:platform"
  "model:coords platform"
  "readers:model"
  "output:model"
  "service:readers output"
  "ui:service"
  # The converter: the service and a drawing side, no window logic.
  "cli:service qt/canvas win/canvas"
  # The two front ends, each a canvas on the platform's ports and a window
  # program over the window logic and that canvas.
  "qt/canvas:platform"
  "qt/app:ui qt/canvas"
  "win/canvas:platform"
  "win/app:ui win/canvas")

# Folders inside a layer that only the files of that layer may include, as
# "<folder>:<layer>": the readers' shared toolkit (archives, XML sources,
# topology, text decoding) is no interface of the readers.
set(CHIZRO_LAYER_INTERNALS
  "readers/common:readers")

if(NOT SRC_DIR)
  message(FATAL_ERROR "usage: cmake -DSRC_DIR=<src folder> [-DLAYER=<layer folder>] -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
get_filename_component(SRC_DIR "${SRC_DIR}" ABSOLUTE)

# The table as variables: layer_deps_<folder> (with "/" as "_"), layer_dirs.
set(layer_dirs)
foreach(entry IN LISTS CHIZRO_LAYERS)
  string(REGEX MATCH "^([^:]+):(.*)$" _ "${entry}")
  set(dir "${CMAKE_MATCH_1}")
  string(REPLACE " " ";" deps "${CMAKE_MATCH_2}")
  string(MAKE_C_IDENTIFIER "${dir}" id)
  set(layer_deps_${id} ${deps})
  list(APPEND layer_dirs "${dir}")
endforeach()
set(internal_dirs)
foreach(entry IN LISTS CHIZRO_LAYER_INTERNALS)
  string(REGEX MATCH "^([^:]+):(.*)$" _ "${entry}")
  string(MAKE_C_IDENTIFIER "${CMAKE_MATCH_1}" id)
  set(internal_owner_${id} "${CMAKE_MATCH_2}")
  list(APPEND internal_dirs "${CMAKE_MATCH_1}")
endforeach()

# What each layer may include: itself and, transitively, what it is built on.
foreach(dir IN LISTS layer_dirs)
  string(MAKE_C_IDENTIFIER "${dir}" id)
  set(allowed "${dir}")
  set(todo ${layer_deps_${id}})
  while(todo)
    list(POP_FRONT todo next)
    if(NOT next IN_LIST allowed)
      list(APPEND allowed "${next}")
      string(MAKE_C_IDENTIFIER "${next}" next_id)
      list(APPEND todo ${layer_deps_${next_id}})
    endif()
  endwhile()
  set(layer_allowed_${id} ${allowed})
endforeach()

# The folder of `list` that `path` (relative to src/) lies in, the longest
# one when folders nest; empty when none.
function(chizro_folder_of path list out)
  set(found "")
  foreach(dir IN LISTS ${list})
    string(LENGTH "${dir}" length)
    string(LENGTH "${found}" found_length)
    if((path STREQUAL dir OR path MATCHES "^${dir}/") AND length GREATER found_length)
      set(found "${dir}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(LAYER)
  set(root "${SRC_DIR}/${LAYER}")
else()
  set(root "${SRC_DIR}")
endif()
file(GLOB_RECURSE files "${root}/*.h" "${root}/*.cpp" "${root}/*.inc" "${root}/*.rc")

set(errors)
foreach(file IN LISTS files)
  file(RELATIVE_PATH rel "${SRC_DIR}" "${file}")
  chizro_folder_of("${rel}" layer_dirs layer)
  if(NOT layer)
    list(APPEND errors "${file}: error: in no layer folder of ${SRC_DIR}")
    continue()
  endif()
  string(MAKE_C_IDENTIFIER "${layer}" layer_id)
  get_filename_component(file_dir "${file}" DIRECTORY)

  # Line by line; the characters that CMake's lists treat specially become
  # "_" first (no include path holds them).
  file(READ "${file}" text)
  foreach(special "\\" "[" "]" ";" "\r")
    string(REPLACE "${special}" "_" text "${text}")
  endforeach()
  string(REPLACE "\n" ";" lines "${text}")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(include "${CMAKE_MATCH_1}")
    # A header beside the file (or relative to it) counts by where it is;
    # any other names its path under src/.
    set(target "${include}")
    if(EXISTS "${file_dir}/${include}")
      get_filename_component(resolved "${file_dir}/${include}" ABSOLUTE)
      file(RELATIVE_PATH target "${SRC_DIR}" "${resolved}")
    endif()
    set(where "${file}:${number}: error: #include \"${include}\"")
    chizro_folder_of("${target}" layer_dirs included)
    chizro_folder_of("${target}" internal_dirs internal)
    if(NOT included)
      list(APPEND errors "${where}: names no layer folder")
    elseif(NOT included IN_LIST layer_allowed_${layer_id})
      string(REPLACE ";" ", " allowed "${layer_allowed_${layer_id}}")
      list(APPEND errors "${where}: ${layer} may include only ${allowed}")
    elseif(internal)
      string(MAKE_C_IDENTIFIER "${internal}" internal_id)
      if(NOT layer STREQUAL internal_owner_${internal_id})
        list(APPEND errors
             "${where}: ${internal} is internal to ${internal_owner_${internal_id}}")
      endif()
    endif()
  endforeach()
endforeach()

if(errors)
  # One line each, unwrapped, in the form compilers use, so that editors
  # jump to the place.
  foreach(error IN LISTS errors)
    message(NOTICE "${error}")
  endforeach()
  list(LENGTH errors count)
  message(FATAL_ERROR "${count} include(s) against the layers of src/ (cmake/check-layers.cmake)")
endif()
