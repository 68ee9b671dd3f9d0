# Helpers shared by the folders' CMake files.

# Places a program or library of the suite into the assembled program folder.
function(suite_install_into_app target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${APP_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${APP_DIR})
endfunction()

# A Windows test program run by CTest under Wine, linked with GoogleTest
# and the named libraries. WRAPPER is a command line put before the Wine
# command (for example a script that starts the reader emulator).
function(suite_windows_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES;LABELS;LOCKS;WRAPPER" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/gtest_wmain.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} gtest)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  if(T_WRAPPER)
    add_test(NAME ${name} COMMAND ${T_WRAPPER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "windows;${T_LABELS}" TIMEOUT 600)
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()

# A native test program, linked with GoogleTest.
function(suite_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "native;${T_LABELS}" TIMEOUT 600)
endfunction()

# A libFuzzer target; CTest runs it briefly over random input. The code of
# LIBRARIES is compiled into the target itself, with the fuzzer's coverage
# counters, so the fuzzer sees the code it tests; the libraries the rest of
# the build links stay uninstrumented and fast.
function(suite_fuzz_target name)
  cmake_parse_arguments(T "" "SEEDS" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT FUZZING_AVAILABLE)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  foreach(library ${T_LIBRARIES})
    get_target_property(sources ${library} SOURCES)
    get_target_property(folder ${library} SOURCE_DIR)
    list(TRANSFORM sources PREPEND "${folder}/" REGEX "^[^/]")
    target_sources(${name} PRIVATE ${sources})
    get_target_property(dependencies ${library} LINK_LIBRARIES)
    if(dependencies)
      target_link_libraries(${name} PRIVATE ${dependencies})
    endif()
  endforeach()
  # Inputs the fuzzer finds go to a folder in the build tree; SEEDS, a folder
  # of starting inputs in the source tree, is only read.
  set(corpus)
  if(T_SEEDS)
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus ${T_SEEDS})
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  endif()
  # A fixed seed and a bounded run: the same inputs on every machine, and
  # slow targets stop after a minute however far they got.
  add_test(NAME ${name} COMMAND ${name} -runs=200000 -max_total_time=60 -max_len=2048 -seed=1 ${corpus})
  set_tests_properties(${name} PROPERTIES LABELS "native;fuzz" TIMEOUT 600)
endfunction()

# Puts the photo decoder library beside a Windows test program, where the
# loader finds it, as it does in the program folder.
function(suite_copy_photo_decoder target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:PhotoDecoder> $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
