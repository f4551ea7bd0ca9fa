# korvel_library(<target> [STATIC|SHARED] LINKS <libs...>)
# Collects every .cpp/.h of the calling folder (not sub-folders that have a
# CMakeLists.txt of their own) into one library.
function(korvel_library target)
  cmake_parse_arguments(K "SHARED" "" "LINKS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(ex ${K_EXCLUDE})
    list(FILTER srcs EXCLUDE REGEX "/${ex}$")
  endforeach()
  if(K_SHARED)
    add_library(${target} SHARED ${srcs})
  else()
    add_library(${target} STATIC ${srcs})
  endif()
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  if(K_LINKS)
    target_link_libraries(${target} PUBLIC ${K_LINKS})
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()
