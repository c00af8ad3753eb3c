# jc_folder_sources(OUT DIR): every .cpp file directly in DIR that belongs to
# the platform being built. One concern's platform difference lives in a pair
# of files beside each other: NAME.win32.cpp is built only for Windows,
# NAME.posix.cpp only elsewhere.
function(jc_folder_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "\\.posix\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "\\.win32\\.cpp$")
  endif()
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# jc_folder_library(NAME [FILE...]): a static library of the calling folder's
# sources (jc_folder_sources) less the FILEs named (new files are picked up at
# the next build).
function(jc_folder_library name)
  jc_folder_sources(srcs ${CMAKE_CURRENT_SOURCE_DIR})
  foreach(skip ${ARGN})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${skip})
  endforeach()
  add_library(${name} STATIC ${srcs})
endfunction()
