# Runs the layer check on small trees made here and fails when it lets a
# broken rule through or refuses a sound tree.
#   cmake -DCHECK=<tools/check_layers.cmake> -DWORK=<scratch dir> -DWIDGET_DIRS=<dirs, comma separated> -P tst_check_layers.cmake
cmake_minimum_required(VERSION 3.25)

# case name; file to write; its include line; expected: ok or the words the refusal must contain
set(cases
  "sound|bank/a.cpp|#include <storage/x.h>\n#include \"../grid/y.h\"\n#include <QWidget>\n#include <sys/stat.h>|ok"
  "core may use Qt's non-widget parts|storage/a.cpp|#include <QString>\n#include <QtGui/QImage>\n#include <glib.h>|ok"
  "sub-folder of a layer|storage/sqlite/a.cpp|#include \"storage/x.h\"|ok"
  "up a layer, quoted|storage/a.cpp|#include \"bank/x.h\"|points up a layer"
  "up a layer, angle|text/a.cpp|#include <ui/x.h>|points up a layer"
  "up a layer, relative|grid/a.cpp|#include \"../app/x.h\"|points up a layer"
  "up from a sub-folder|storage/sqlite/a.cpp|#include \"grid/x.h\"|points up a layer"
  "unknown folder included|bank/a.cpp|#include \"misc/x.h\"|is no layer"
  "outside the tree|bank/a.cpp|#include \"../../x.h\"|outside the source tree"
  "unknown folder with sources|exchange/a.cpp|#include <QString>|no layer"
  "widget header in core|storage/a.cpp|#include <QWidget>|widget header"
  "widget module header in core|text/a.cpp|#include <QtWidgets/QDialog>|widget header"
  "widget module in core|storage/a.cpp|#include <QtWidgets>|widget header"
  "print dialog in core|text/a.cpp|#include <QPrintDialog>|widget header")

set(failures)
set(n 0)
foreach(case ${cases})
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 file)
  list(GET parts 2 body)
  list(GET parts 3 expected)
  math(EXPR n "${n} + 1")
  set(root ${WORK}/case${n})
  file(REMOVE_RECURSE ${root})
  foreach(dir storage text ui grid bank exams app tests)
    file(MAKE_DIRECTORY ${root}/${dir})
  endforeach()
  string(REPLACE "\\n" "\n" body "${body}")
  get_filename_component(parent ${root}/${file} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(WRITE ${root}/${file} "${body}\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${root} -DLAYERS=storage,text,ui,grid,bank+exams,app
                          -DCORE=storage,text -DOTHERS=tests,tools,bench -DWIDGET_DIRS=${WIDGET_DIRS} -P ${CHECK}
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(expected STREQUAL "ok")
    if(NOT rc EQUAL 0)
      list(APPEND failures "${name}: refused a sound tree: ${err}")
    endif()
  else()
    string(FIND "${err}" "${expected}" at)
    if(rc EQUAL 0 OR at EQUAL -1)
      list(APPEND failures "${name}: expected a refusal saying '${expected}', got (${rc}) ${err}")
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Layer check:\n  ${text}")
endif()
message(STATUS "layer check: every case as expected")
