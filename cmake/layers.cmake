# The layers of src/: one static library per folder, each naming in
# target_link_libraries the libraries it uses. The table of layers
# (KOVALO_LAYERS, set in src/CMakeLists.txt) gives each folder its library,
# its level and its kind. Two checks hold the order:
#  - when CMake configures, kovalo_check_layers() refuses a library that uses
#    one on its own level or above, and a core library that uses Qt or a
#    widget library;
#  - when the libraries are built, and as the test "layers", every #include
#    of src/ is checked against what its folder's library links
#    (check_layers.cmake), because the compiler alone would let any file
#    include any header below src/.

# kovalo_add_library(name sources...): a static library of the program, its
# headers included from src/ ("board/board.h"), warnings on.
function(kovalo_add_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${KOVALO_WARNINGS})
endfunction()

# The libraries that `library` names in target_link_libraries, with the
# libraries inside INTERFACE libraries (kovalo_core) listed in their place.
function(kovalo_layer_uses library out)
  get_target_property(type ${library} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(links ${library} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(links ${library} LINK_LIBRARIES)
  endif()
  if(NOT links)
    set(links)  # links nothing
  endif()
  set(uses)
  foreach(link IN LISTS links)
    # target_link_libraries() called from another folder wraps its items in
    # ::@ markers; LINK_ONLY wraps the private links of a static library.
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
    if(link MATCHES "^::@" OR link STREQUAL "")
      continue()
    endif()
    if(TARGET ${link})
      get_target_property(link_type ${link} TYPE)
      get_target_property(imported ${link} IMPORTED)
      if(link_type STREQUAL "INTERFACE_LIBRARY" AND NOT imported)
        kovalo_layer_uses(${link} inner)
        list(APPEND uses ${inner})
        continue()
      endif()
    endif()
    list(APPEND uses ${link})
  endforeach()
  list(REMOVE_DUPLICATES uses)
  set(${out} ${uses} PARENT_SCOPE)
endfunction()

# Checks the links of every library of the table, writes the table that
# check_layers.cmake reads, and makes every library's build wait for that
# check. Call it once, after the last library of src/.
function(kovalo_check_layers)
  set(table_file ${CMAKE_BINARY_DIR}/layers.txt)
  set(script ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake)
  # First pass: each library's folder, level and kind.
  set(libraries)
  foreach(row IN LISTS KOVALO_LAYERS)
    string(REGEX MATCHALL "[^ ]+" fields "${row}")
    list(GET fields 0 folder)
    list(GET fields 1 library)
    list(GET fields 2 level)
    list(GET fields 3 kind)
    if(NOT TARGET ${library})
      if(EXISTS ${PROJECT_SOURCE_DIR}/src/${folder}/CMakeLists.txt)
        message(FATAL_ERROR "src/${folder} builds no library ${library}: add_subdirectory(${folder}) "
          "in src/CMakeLists.txt, and add_library(${library} ...) in its CMakeLists.txt")
      endif()
      continue()
    endif()
    list(APPEND libraries ${library})
    set(folder_of_${library} ${folder})
    set(level_of_${library} ${level})
    set(kind_of_${library} ${kind})
  endforeach()
  # Second pass: what each may use.
  set(table "# folder library kind folders-it-may-include-from (written by cmake/layers.cmake)\n")
  foreach(library IN LISTS libraries)
    kovalo_layer_uses(${library} uses)
    set(allowed ${folder_of_${library}})
    foreach(used IN LISTS uses)
      if(used MATCHES "^Qt[0-9]*::" AND kind_of_${library} STREQUAL "core")
        message(FATAL_ERROR "${library} is core and may not use Qt (${used})")
      endif()
      if(NOT DEFINED level_of_${used})
        continue()  # a library from outside the program: libcurl, threads, Qt
      endif()
      if(NOT level_of_${used} LESS level_of_${library})
        message(FATAL_ERROR "${library} (level ${level_of_${library}}) may not use ${used} "
          "(level ${level_of_${used}}): a library uses only libraries on lower levels")
      endif()
      if(kind_of_${library} STREQUAL "core" AND NOT kind_of_${used} STREQUAL "core")
        message(FATAL_ERROR "${library} is core and may not use the widget library ${used}")
      endif()
      list(APPEND allowed ${folder_of_${used}})
    endforeach()
    list(JOIN allowed " " allowed)
    string(APPEND table "${folder_of_${library}} ${library} ${kind_of_${library}} ${allowed}\n")
  endforeach()
  # Rewritten only when it changes, so that an unchanged tree checks nothing.
  file(CONFIGURE OUTPUT ${table_file} CONTENT "${table}")

  # The check as a build step: again whenever a source of src/, the table or
  # the script changes. A file added without a change to any CMakeLists.txt
  # is seen when another source changes, and always by the test.
  file(GLOB_RECURSE sources ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.cpp)
  set(stamp ${CMAKE_BINARY_DIR}/layers.checked)
  set(command ${CMAKE_COMMAND} -DLAYERS=${table_file} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/src)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${command} -DSTAMP=${stamp} -P ${script}
    DEPENDS ${script} ${table_file} ${sources}
    COMMENT "Checking the includes of src/ against the layers"
    VERBATIM)
  add_custom_target(kovalo_layers_check DEPENDS ${stamp})
  foreach(library IN LISTS libraries)
    add_dependencies(${library} kovalo_layers_check)
  endforeach()
  add_test(NAME layers COMMAND ${command} -P ${script})
  set_tests_properties(layers PROPERTIES LABELS static)
endfunction()
