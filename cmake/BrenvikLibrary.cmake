# One library per folder, its headers reached as "<folder>/Name.h".
#
# The build tree holds include/<folder>/<folder>, a link to the source
# folder, and only that folder is put on the include path of the library and
# of the targets that link it. A library therefore sees the headers of what
# it links and nothing else: the table engine compiles without the FA(3) or
# configuration headers within reach.
function(brenvik_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${target} ${ARG_SOURCES})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC COPY_ON_ERROR)
  endif()
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()
