# Adds every subfolder of the current folder that has a CMakeLists.txt, in the given order.
function(skyrelle_add_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# skyrelle_add_test(NAME <target> LABEL <module> SOURCES ... [LIBS ...] [ON_DESKTOP])
# One GoogleTest executable, its cases registered with CTest under the module's label.
# ON_DESKTOP: its cases open windows on the Wine session's default desktop, which a test that
# brings a desktop and X server of its own could take over (lock wine_desktop).
function(skyrelle_add_test)
  cmake_parse_arguments(T "ON_DESKTOP" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set(properties LABELS ${T_LABEL})
  if(T_ON_DESKTOP)
    list(APPEND properties RESOURCE_LOCK wine_desktop)
  endif()
  set(discovery_timeout 60)
  if(WIN32)
    # Under Wine; the first program listed also makes the Wine prefix (tens of seconds).
    list(APPEND properties FIXTURES_REQUIRED wine)
    set(discovery_timeout 300)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT ${discovery_timeout}
    PROPERTIES ${properties})
endfunction()
