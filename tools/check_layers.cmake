# Fails when a source file includes a header of a higher layer, when a folder
# holds sources but is neither a layer nor one of the known other folders, and
# when a core file includes a widget header.
#   cmake -DROOT=<source dir> -DLAYERS=storage,text,ui,grid,bank+exams,app
#         -DCORE=storage,text -DOTHERS=tests,tools,bench
#         [-DWIDGET_DIRS=<QtWidgets include dir>,<QtPrintSupport include dir>]
#         [-DSTAMP=file] -P check_layers.cmake
# Layers are listed lowest first, separated by commas; a layer may hold several
# folders joined by "+", and folders of one layer may include each other. A
# layer's sub-folders belong to it. Every include form counts: "dir/x.h",
# <dir/x.h> and "../dir/x.h".
cmake_minimum_required(VERSION 3.25)
set(rank 0)
set(folders)
string(REPLACE "," ";" layers "${LAYERS}")
foreach(layer ${layers})
  string(REPLACE "+" ";" members "${layer}")
  foreach(folder ${members})
    set(rank_${folder} ${rank})
    list(APPEND folders ${folder})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()
string(REPLACE "," ";" core "${CORE}")
string(REPLACE "," ";" others "${OTHERS}")
string(REPLACE "," ";" widget_dirs "${WIDGET_DIRS}")

# The names a widget header goes by: every header of the widget modules, bare
# (<QWidget>) and with its module (<QtWidgets/QWidget>), and the modules.
set(widget_headers QtWidgets QtPrintSupport)
foreach(dir ${widget_dirs})
  file(GLOB found RELATIVE ${dir} ${dir}/Q*)
  list(APPEND widget_headers ${found})
endforeach()
foreach(name ${widget_headers})
  set(widget_${name} 1)
endforeach()

set(problems)

# Folders with sources must be known.
file(GLOB tops RELATIVE ${ROOT} ${ROOT}/*)
foreach(top ${tops})
  if(NOT IS_DIRECTORY ${ROOT}/${top} OR top MATCHES "^(\\.|build)")
    continue()
  endif()
  if(DEFINED rank_${top} OR top IN_LIST others)
    continue()
  endif()
  file(GLOB_RECURSE code ${ROOT}/${top}/*.cpp ${ROOT}/${top}/*.h)
  if(code)
    list(APPEND problems "${top}/: a folder with sources that is no layer (add it to the layers, lowest first)")
  endif()
endforeach()

foreach(folder ${folders})
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
  foreach(source ${sources})
    file(RELATIVE_PATH shown ${ROOT} ${source})
    get_filename_component(here ${source} DIRECTORY)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^<\"]*[<\"]([^>\"]+)[>\"].*$" "\\1" path "${line}")
      string(FIND "${line}" "\"" quote)
      set(target "")
      if(path MATCHES "^\\.\\./|^\\./")
        get_filename_component(resolved ${here}/${path} ABSOLUTE)
        file(RELATIVE_PATH inside ${ROOT} ${resolved})
        if(inside MATCHES "^\\.\\./")
          list(APPEND problems "${shown}: ${line} (outside the source tree)")
          continue()
        endif()
        string(REGEX REPLACE "/.*$" "" target "${inside}")
      elseif(path MATCHES "/")
        string(REGEX REPLACE "/.*$" "" first "${path}")
        # A quoted path with a folder is ours; an angle one is ours only when
        # the folder is one of the tree's (<QtWidgets/QWidget> is not).
        if(NOT quote EQUAL -1 OR IS_DIRECTORY ${ROOT}/${first})
          set(target ${first})
        endif()
      endif()
      if(target)
        if(NOT DEFINED rank_${target})
          list(APPEND problems "${shown}: ${line} (${target}/ is no layer)")
        elseif(rank_${target} GREATER rank_${folder})
          list(APPEND problems "${shown}: ${line} (points up a layer)")
        endif()
      endif()
      if(folder IN_LIST core)
        if(path MATCHES "^Qt(Widgets|PrintSupport)(/|$)" OR (NOT path MATCHES "/" AND widget_${path}))
          list(APPEND problems "${shown}: ${line} (a widget header in the core library)")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Layer rules broken:\n  ${text}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
