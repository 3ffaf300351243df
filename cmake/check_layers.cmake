# Checks every #include of src/ against the layers (run with cmake -P):
#   -DLAYERS=<build>/layers.txt  the table that cmake/layers.cmake writes: per
#                                folder its library, its kind and the folders
#                                it may include from
#   -DSOURCE_DIR=<source>/src
#   -DSTAMP=<file>               touched when everything is in order (optional)
# A file may include headers of its own folder's library and of the libraries
# that library links; a core file includes no Qt header. Every .h and .cpp
# below src/ must belong to a folder of the table. Every breach is listed,
# then the check fails.
cmake_minimum_required(VERSION 3.25)

if(NOT LAYERS OR NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DLAYERS=table -DSOURCE_DIR=src [-DSTAMP=file] -P check_layers.cmake")
endif()

file(STRINGS ${LAYERS} rows REGEX "^[^#]")
set(folders)
foreach(row IN LISTS rows)
  string(REGEX MATCHALL "[^ ]+" fields "${row}")
  list(POP_FRONT fields folder library kind)
  list(APPEND folders ${folder})
  set(library_of_${folder} ${library})
  set(kind_of_${folder} ${kind})
  set(allowed_of_${folder} ${fields})
endforeach()
# Longest folders first, so that board/qt wins over board.
list(SORT folders COMPARE STRING ORDER DESCENDING)

# The folder of the table that holds `path` (relative to src/), or "".
function(folder_of path out)
  set(${out} "" PARENT_SCOPE)
  foreach(folder IN LISTS folders)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL "${folder}/")
      set(${out} ${folder} PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

set(breaches)
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT files)
foreach(file IN LISTS files)
  folder_of(${file} folder)
  if(folder STREQUAL "")
    list(APPEND breaches "src/${file} is in no folder of the layers (src/CMakeLists.txt)")
    continue()
  endif()
  get_filename_component(directory ${SOURCE_DIR}/${file} DIRECTORY)
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
    string(REGEX MATCH "^[ \t]*#[ \t]*include[ \t]*<" angled "${line}")
    if(angled AND kind_of_${folder} STREQUAL "core"
       AND header MATCHES "^(Q[A-Za-z0-9_]*|Qt[A-Za-z0-9]*/.*|q[a-z0-9_]*\\.h)$")
      list(APPEND breaches
        "src/${file} includes <${header}>: ${library_of_${folder}} is core and has no Qt")
      continue()
    endif()
    # Where the compiler finds it: a quoted name beside the file first, then
    # every name below src/.
    set(target "")
    if(NOT angled AND EXISTS ${directory}/${header})
      get_filename_component(target ${directory}/${header} ABSOLUTE)
    elseif(EXISTS ${SOURCE_DIR}/${header})
      get_filename_component(target ${SOURCE_DIR}/${header} ABSOLUTE)
    endif()
    if(target STREQUAL "")
      continue()  # not the program's own: the standard library, POSIX, libcurl, Qt
    endif()
    file(RELATIVE_PATH relative ${SOURCE_DIR} ${target})
    if(relative MATCHES "^\\.\\./")
      continue()
    endif()
    folder_of(${relative} used)
    if(used STREQUAL "")
      list(APPEND breaches "src/${file} includes \"${header}\", which is in no folder of the layers")
    elseif(NOT used IN_LIST allowed_of_${folder})
      set(library ${library_of_${folder}})
      list(APPEND breaches "src/${file} includes \"${header}\" of ${library_of_${used}} \
(src/${used}), which ${library} does not link")
    endif()
  endforeach()
endforeach()

if(breaches)
  list(LENGTH breaches count)
  list(JOIN breaches "\n  " text)
  message(FATAL_ERROR "${count} include(s) break the layers:\n  ${text}\n"
    "A folder may include only its own headers and those of the libraries its library "
    "names in target_link_libraries; the order is the table in src/CMakeLists.txt.")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
