# add_controller_program(NAME SOURCES...)
#
# A robot program is built twice from the same sources: NAME links the real
# Controller library (the one arena talks to), NAME_scripted links the
# scripted stand-in that the program's tests drive. The sources see nothing
# but controller.h either way.
function(add_controller_program name)
  add_library(${name}_objects OBJECT ${ARGN})
  target_link_libraries(${name}_objects PUBLIC controller_headers)

  if(TARGET controller)
    add_executable(${name} $<TARGET_OBJECTS:${name}_objects>)
    target_link_libraries(${name} PRIVATE controller m)
  endif()

  add_executable(${name}_scripted $<TARGET_OBJECTS:${name}_objects>)
  target_link_libraries(${name}_scripted PRIVATE controller_script m)
  set_target_properties(${name}_scripted PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/scripted)
endfunction()
