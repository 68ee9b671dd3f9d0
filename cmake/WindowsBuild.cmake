# Settings of the Windows build: Unicode, static runtime, SQLite, GoogleTest,
# and Wine as the runner of every test program.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-Wall -Wextra)
add_link_options(-static -static-libgcc -static-libstdc++ -municode)
# Windows 7 SP1 is the oldest system served: the headers above hide newer
# API, and the image headers name 6.1 as the system version each program needs.
add_link_options(-Wl,--major-os-version,6,--minor-os-version,1,--major-subsystem-version,6,--minor-subsystem-version,1)

# Wine runs the test programs; the prefix comes from the scripts' environment.
set(WINE_PREFIX "$ENV{WINEPREFIX}" CACHE PATH "Wine prefix that runs the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${WINE_PREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= wine)

add_library(sqlite3 STATIC ${SQLITE_DIR}/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${SQLITE_DIR})
# STAT4: the query planner reads how many rows a name, number or time range
# holds from the samples ANALYZE keeps, instead of guessing the same share for
# every range.
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0
  SQLITE_ENABLE_STAT4)
target_compile_options(sqlite3 PRIVATE -w -O2)

if(BUILD_TESTING)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
