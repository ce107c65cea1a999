# find_package(ArenaController): arena's Controller library for a robot
# program built outside arena's tree.
#
#   ArenaController::controller         the real library (shared), the one arena talks to
#   ArenaController::controller_static  the same, static
#   ArenaController::script             the scripted stand-in, for testing a program alone
#
# All three carry the include folder: #include <arena/controller.h>.
get_filename_component(_arena_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET ArenaController::controller)
  add_library(ArenaController::controller SHARED IMPORTED)
  set_target_properties(ArenaController::controller PROPERTIES
    IMPORTED_LOCATION "${_arena_prefix}/lib/libarena_controller.so"
    INTERFACE_INCLUDE_DIRECTORIES "${_arena_prefix}/include")

  add_library(ArenaController::controller_static STATIC IMPORTED)
  set_target_properties(ArenaController::controller_static PROPERTIES
    IMPORTED_LOCATION "${_arena_prefix}/lib/libarena_controller.a"
    IMPORTED_LINK_INTERFACE_LANGUAGES CXX
    INTERFACE_LINK_LIBRARIES m
    INTERFACE_INCLUDE_DIRECTORIES "${_arena_prefix}/include")

  add_library(ArenaController::script STATIC IMPORTED)
  set_target_properties(ArenaController::script PROPERTIES
    IMPORTED_LOCATION "${_arena_prefix}/lib/libarena_controller_script.a"
    IMPORTED_LINK_INTERFACE_LANGUAGES CXX
    INTERFACE_LINK_LIBRARIES m
    # The stand-in traces gps_euler by wrapping the program's calls to it.
    INTERFACE_LINK_OPTIONS "-Wl,--wrap=gps_euler"
    INTERFACE_INCLUDE_DIRECTORIES "${_arena_prefix}/include")
endif()
unset(_arena_prefix)
