# One static library per source folder. A library sees only the headers of its own folder and of
# the libraries it links: each folder is exposed through an include root of its own (a link
# build/layers/<folder>/<folder> -> the folder), so `#include "app/F1.h"` from a lower folder fails
# with "No such file" instead of building quietly.
function(pelicano_expose_folder target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# pelicano_folder_library(<folder> [EXCLUDE <file>...] LINKS <library>...)
# builds pelicano_<folder> from the folder's sources, linking only the libraries named.
function(pelicano_folder_library folder)
  cmake_parse_arguments(arg "" "" "EXCLUDE;LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(skip ${arg_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${skip})
  endforeach()
  add_library(pelicano_${folder} STATIC ${sources})
  target_link_libraries(pelicano_${folder} PUBLIC pelicano_options ${arg_LINKS})
  pelicano_expose_folder(pelicano_${folder} ${folder})
endfunction()
