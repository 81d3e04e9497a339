# One library per architectural layer. Sources are every .cpp in the layer's folder (and the
# extra folders given); a layer's objects are also collected into the shared library.
#
#   kelvra_layer(NAME <name> [DIRS <dir>...] [DEPS <layer>...] [LIBS <external>...])
#
# creates the static library kelvra_<name>, which tests link directly.
set(KELVRA_WARNINGS -Wall -Wextra -Werror)

function(kelvra_layer)
  cmake_parse_arguments(L "" "NAME" "DIRS;DEPS;LIBS" ${ARGN})
  set(dirs ${CMAKE_CURRENT_SOURCE_DIR} ${L_DIRS})
  set(sources "")
  foreach(dir ${dirs})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  set(obj kelvra_${L_NAME}_obj)
  add_library(${obj} OBJECT ${sources})
  target_compile_options(${obj} PRIVATE ${KELVRA_WARNINGS})
  target_include_directories(${obj} PUBLIC
    ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}
    ${KELVRA_GENERATED_DIR})
  set(deps "")
  foreach(dep ${L_DEPS})
    list(APPEND deps kelvra_${dep})
  endforeach()
  target_link_libraries(${obj} PUBLIC ${deps} ${L_LIBS} Threads::Threads)
  add_library(kelvra_${L_NAME} STATIC $<TARGET_OBJECTS:${obj}>)
  target_link_libraries(kelvra_${L_NAME} PUBLIC ${obj})
  set_property(GLOBAL APPEND PROPERTY KELVRA_LAYER_OBJECTS ${obj})
endfunction()
