# The layering check on small made-up trees: each case writes a few files
# into a core and a GUI tree, runs cmake/CheckLayering.cmake on them and
# expects it to hold or to fail with a given message.
#
#   cmake -DCHECK=<path of CheckLayering.cmake> -DWORK=<scratch folder> -P CheckLayeringTest.cmake
cmake_minimum_required(VERSION 3.20)
if(NOT CHECK OR NOT WORK)
  message(FATAL_ERROR "CHECK and WORK must be set")
endif()

# A case: its name, the side checked (core or gui), the expected message
# ("" for a check that holds), then pairs of file path and its one include.
set(cases
  "clean GUI|gui||gui/widgets/A.h|#include \"base/Text.h\"|gui/sheet/B.h|#include \"gui/widgets/A.h\""
  "GUI back-include|gui|sheet includes app, an area above it|gui/sheet/B.h|#include \"gui/app/M.h\"|gui/app/M.h|"
  "back-include in the old spelling|gui|widgets includes dialogs, an area above it|gui/widgets/A.h|#include \"dialogs/D.h\"|gui/dialogs/D.h|"
  "a core path that the GUI also has a folder for|gui||gui/widgets/A.h|#include \"graphs/GraphRecord.h\"|core/graphs/GraphRecord.h|"
  "GUI cycle|gui|a cycle between the areas widgets, sheet|gui/widgets/A.h|#include \"gui/sheet/B.h\"|gui/sheet/B.h|#include \"gui/widgets/A.h\""
  "unknown GUI area|gui|area 'misc' is not in the layer order|gui/misc/X.h|"
  "core back-include|core|base includes model, an area above it|core/base/A.h|#include \"model/B.h\"|core/model/B.h|"
  "core cycle|core|a cycle between the areas base, model|core/base/A.h|#include \"model/B.h\"|core/model/B.h|#include \"base/A.h\""
  "Qt in the core|core|includes the Qt header QString|core/base/A.h|#include <QString>"
  "clean core|core||core/model/B.h|#include \"base/A.h\"|core/base/A.h|")

set(failed "")
set(n 0)
foreach(case ${cases})
  math(EXPR n "${n} + 1")
  string(REPLACE "|" ";" fields "${case}")
  list(POP_FRONT fields name side expected)
  set(root ${WORK}/case${n})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/core ${root}/gui)
  while(fields)
    list(POP_FRONT fields path line)
    file(WRITE ${root}/${path} "#pragma once\n${line}\n")
  endwhile()
  set(args -DCORE_DIR=${root}/core)
  if(side STREQUAL "gui")
    list(APPEND args -DGUI_DIR=${root}/gui)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} ${args} -P ${CHECK} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE out)
  if(expected STREQUAL "")
    if(NOT rc EQUAL 0)
      string(APPEND failed "  ${name}: the check failed on a sound tree:\n${out}\n")
    endif()
  else()
    string(FIND "${out}" "${expected}" at)
    if(rc EQUAL 0 OR at EQUAL -1)
      string(APPEND failed "  ${name}: expected a failure saying '${expected}', got (${rc}):\n${out}\n")
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})

if(failed)
  message(FATAL_ERROR "The layering check missed:\n${failed}")
endif()
message(STATUS "The layering check judged all ${n} trees right")
