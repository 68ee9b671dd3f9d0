# Settings of the native build: the portable code, the emulator and their
# tests, all under AddressSanitizer and UndefinedBehaviorSanitizer.
option(SANITIZE "build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
add_compile_options(-Wall -Wextra)
if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
find_package(Threads REQUIRED)
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
endif()
# Fuzz targets need clang's libFuzzer, and the sanitizers to catch what
# the fuzzer provokes.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND SANITIZE)
  set(FUZZING_AVAILABLE ON)
endif()
