# Fails when a file of src/ includes a header of a layer above its own, or of another folder
# of the same layer: the platform at the bottom, then the shared procedures, the catalogue,
# the formats, compare and the library, the window's run, the Qt services, the front ends. The fakes of
# the platform stand beside the shared procedures: they use the platform alone.
# Usage: cmake -DSOURCE_DIR=src -P layers.cmake
set(layers
  "platform/fakes=1" "platform/qt=5" "platform=0" "general=1" "catalogue=2" "writers=3"
  "compare=3" "library=3" "run=4" "cli=6" "app=6")

function(layer_of path out_folder out_rank)
  foreach(entry IN LISTS layers)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 folder)
    list(GET pair 1 rank)
    string(FIND "${path}" "${folder}/" at)
    if(at EQUAL 0)
      set(${out_folder} "${folder}" PARENT_SCOPE)
      set(${out_rank} "${rank}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out_folder} "" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(faults 0)
foreach(source IN LISTS sources)
  layer_of("${source}" from from_rank)
  if(from STREQUAL "")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^#include \"[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    layer_of("${header}" to to_rank)
    if(to STREQUAL "" OR to STREQUAL from)
      continue()
    endif()
    if(NOT to_rank LESS from_rank)
      message(SEND_ERROR "${source} includes ${header}: ${to} is not below ${from}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()
list(LENGTH sources count)
if(faults EQUAL 0)
  message(STATUS "${count} files, every include below its own layer")
endif()
