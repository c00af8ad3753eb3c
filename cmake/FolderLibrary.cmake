# jc_folder_library(NAME): a static library of every .cpp file directly in
# the calling folder (new files are picked up at the next build).
function(jc_folder_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${srcs})
endfunction()
