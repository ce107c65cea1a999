# SANITIZE=ON builds everything (the arena, the controller programs, the
# tests) with AddressSanitizer and UndefinedBehaviorSanitizer, so that a fault
# in any process of a run stops it with a report instead of passing quietly.
# FUZZ=ON (clang only) adds the libFuzzer targets of fuzz/ and implies
# SANITIZE: a fuzzer only finds what the sanitizers make visible.
#
# The sanitizers' run-time options (halting on the first report, where
# reports go) are set by the environment: see tools/sanitizer_env.
option(SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(FUZZ "Build the libFuzzer targets of fuzz/ (clang only; implies SANITIZE)" OFF)

if(FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "FUZZ=ON needs clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++ "
                        "-DCMAKE_C_COMPILER=clang")
  endif()
  set(SANITIZE ON)
endif()

if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(FUZZ)
  # Coverage feedback from the whole project, not only from the targets'
  # own files: the code under test lives in the libraries. The ASan runtime
  # supplies the coverage hooks for every program that is not a fuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
