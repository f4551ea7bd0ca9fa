# korvel_library(<target> [SHARED|MODULE] SOURCES <files...>
#                [PUBLIC <libs...>] [PRIVATE <libs...>])
# One library of the project. Includes name their library from the source
# root ("maps/wpdata.h"); tools/check-layers.py holds each file to the
# dependencies declared here.
function(korvel_library target)
  cmake_parse_arguments(K "SHARED;MODULE" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  if(K_SHARED)
    add_library(${target} SHARED ${K_SOURCES})
  elseif(K_MODULE)
    add_library(${target} MODULE ${K_SOURCES})
  else()
    add_library(${target} STATIC ${K_SOURCES})
  endif()
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_link_libraries(${target} PUBLIC ${K_PUBLIC} PRIVATE ${K_PRIVATE})
endfunction()
