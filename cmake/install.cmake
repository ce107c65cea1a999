# What `cmake --install` puts under its prefix: the arena and every program
# the worlds name (side by side in bin/, where the arena looks for them), the
# Controller library for other people's programs in C, C++ and Python, and
# the worlds.
#
#   bin/arena, bin/PROGRAM...                   share/arena/worlds/WORLD/
#   include/arena/controller.h                  lib/pkgconfig/arena-controller{,-script}.pc
#   lib/libarena_controller.{a,so}              lib/cmake/ArenaController/
#   lib/libarena_controller_script.a            lib/python3/dist-packages/arena_controller/
if(NOT TARGET arena OR NOT TARGET controller)
  return()
endif()

if(PROJECT_VERSION)
  set(ARENA_CONTROLLER_VERSION ${PROJECT_VERSION})
else()
  set(ARENA_CONTROLLER_VERSION 0.1.0)
endif()
# Always lib/: the Python module finds the shared library one level above
# its own lib/python3/.
set(arena_python_dir lib/python3/dist-packages)

install(TARGETS arena gate_pilot ir_avoider camera_avoider ir_receiver ir_listener pose_stepper ir_beacon
  RUNTIME DESTINATION bin)
install(TARGETS controller controller_shared controller_script
  ARCHIVE DESTINATION lib
  LIBRARY DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/controller/controller.h DESTINATION include/arena)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/worlds/ DESTINATION share/arena/worlds)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/controller/python/arena_controller DESTINATION ${arena_python_dir}
  FILES_MATCHING PATTERN "*.py")

foreach(pc arena-controller arena-controller-script)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${pc}.pc DESTINATION lib/pkgconfig)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/cmake/ArenaControllerConfig.cmake DESTINATION lib/cmake/ArenaController)
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ArenaControllerConfigVersion.cmake
  VERSION ${ARENA_CONTROLLER_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ArenaControllerConfigVersion.cmake DESTINATION lib/cmake/ArenaController)

# The build folder mirrors the installed module beside the shared library,
# so that Python controllers run from the build as they do installed.
file(GLOB arena_python_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/controller/python/arena_controller/*.py)
foreach(py ${arena_python_sources})
  get_filename_component(py_name ${py} NAME)
  configure_file(${py} ${PROJECT_BINARY_DIR}/${arena_python_dir}/arena_controller/${py_name} COPYONLY)
endforeach()
