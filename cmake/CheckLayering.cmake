# Fails when a file of the core library includes a header of an area above
# its own, or a Qt header. The areas, lowest first: an area may include its
# own headers and those of the areas before it.
#
#   cmake -DCORE_DIR=<absolute path of src/core> -P CheckLayering.cmake
set(PELMO_CORE_AREAS
  base model values driverdata acoustics files blocks engine graphs document editor
  catalogue optimize tolerance audio)

if(NOT CORE_DIR)
  message(FATAL_ERROR "CORE_DIR not set")
endif()

file(GLOB_RECURSE sources RELATIVE ${CORE_DIR} ${CORE_DIR}/*.h ${CORE_DIR}/*.cpp)
set(faults "")
foreach(rel ${sources})
  string(REGEX MATCH "^[^/]+" area "${rel}")
  if(area STREQUAL rel)
    continue()  # files at the top of the core (the version header template)
  endif()
  list(FIND PELMO_CORE_AREAS ${area} rank)
  if(rank EQUAL -1)
    string(APPEND faults "  ${rel}: area '${area}' is not in the layer order (cmake/CheckLayering.cmake)\n")
    continue()
  endif()
  file(STRINGS ${CORE_DIR}/${rel} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${includes})
    if(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)")
      string(APPEND faults "  ${rel}: includes the Qt header ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/")
      set(target ${CMAKE_MATCH_1})
      list(FIND PELMO_CORE_AREAS ${target} target_rank)
      if(target_rank EQUAL -1)
        string(APPEND faults "  ${rel}: includes from '${target}', which is not a core area\n")
      elseif(target_rank GREATER rank)
        string(APPEND faults "  ${rel}: ${area} includes ${target}, an area above it\n")
      endif()
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Include layering of the core broken:\n${faults}")
endif()
list(LENGTH sources n)
message(STATUS "Include layering of the core holds (${n} files)")
