# What the Windows build adds: its libraries, built from Debian's sources into the build tree,
# and its tests run under Wine in a prefix of the build tree's own.

# Debian has no Qt for MinGW: the program's windows are drawn with Win32 itself.
set(SKYRELLE_BUILD_GUI ON CACHE BOOL "" FORCE)
set(SKYRELLE_BUILD_BENCH OFF CACHE BOOL "" FORCE)
# The usage event waits for its Windows part (WinHTTP).
set(SKYRELLE_MODULES core settings imaging platform engine update about donation app)
# The tools' own tests start them with fork and exec; the programs' output is compared with
# the Linux build's instead, and the wallpaper checked on Wine's desktop (tests/windows).
set(SKYRELLE_TEST_MODULES core settings imaging platform engine update about donation app windows)

# Another build tree's folder may be named, so that several checkouts build the libraries once.
set(SKYRELLE_THIRD_PARTY "${CMAKE_BINARY_DIR}/third-party" CACHE PATH
    "Where the Windows libraries are built and kept")
execute_process(
  COMMAND "${PROJECT_SOURCE_DIR}/scripts/build-windows-deps" "${SKYRELLE_THIRD_PARTY}"
  RESULT_VARIABLE third_party_result)
if(NOT third_party_result EQUAL 0)
  message(FATAL_ERROR "Building the Windows libraries failed (scripts/build-windows-deps)")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${SKYRELLE_THIRD_PARTY}/prefix")
list(APPEND CMAKE_PREFIX_PATH "${SKYRELLE_THIRD_PARTY}/prefix")

# Version resources and manifests come from windres.
enable_language(RC)

# Windows 10 and later APIs, wide characters everywhere.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX
                        WIN32_LEAN_AND_MEAN)

# Test programs (and gtest's discovery of their cases) run under Wine.
set(SKYRELLE_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine-run;${SKYRELLE_WINE_PREFIX}")

# Keeps the prefix's wineserver running through a test run instead of starting it per test;
# every Windows test requires the fixture (skyrelle_add_test adds it).
function(skyrelle_add_wine_fixture)
  add_test(NAME wine_server_start
    COMMAND "${PROJECT_SOURCE_DIR}/scripts/wine-run" "${SKYRELLE_WINE_PREFIX}" --start-server)
  add_test(NAME wine_server_stop
    COMMAND "${PROJECT_SOURCE_DIR}/scripts/wine-run" "${SKYRELLE_WINE_PREFIX}" --stop-server)
  set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine LABELS windows)
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine LABELS windows)
endfunction()
