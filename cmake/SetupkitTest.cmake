# Test helpers: one executable per test suite, one ctest entry per executable.
# Cross builds run each test through CMAKE_CROSSCOMPILING_EMULATOR (Wine) in a
# throwaway prefix that the "wine" fixture creates inside the build tree.

set(SETUPKIT_SHARED_DIR "${CMAKE_SOURCE_DIR}/../shared" CACHE PATH "Shared test data folder")
get_filename_component(SETUPKIT_SHARED_DIR "${SETUPKIT_SHARED_DIR}" ABSOLUTE)

function(setupkit_add_googletest)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(CMAKE_CROSSCOMPILING)
    set(prefix "${CMAKE_BINARY_DIR}/wineprefix")
    add_test(NAME wine_prefix_setup
      COMMAND sh "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" "${prefix}" "${CMAKE_CROSSCOMPILING_EMULATOR}")
    set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine)
    add_test(NAME wine_prefix_cleanup COMMAND sh -c "WINEPREFIX='${prefix}' wineserver -k || true")
    set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine)
  endif()
endfunction()

# Where test programs find the shared test data: through Wine's Z: drive in
# cross builds.
function(setupkit_testdata_dir out)
  if(CMAKE_CROSSCOMPILING)
    set(${out} "Z:${SETUPKIT_SHARED_DIR}/testdata" PARENT_SCOPE)
  else()
    set(${out} "${SETUPKIT_SHARED_DIR}/testdata" PARENT_SCOPE)
  endif()
endfunction()

# setupkit_add_test(NAME SOURCES a.cpp ... LIBS lib ... [LABELS l ...])
function(setupkit_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  setupkit_testdata_dir(testdata)
  target_compile_definitions(${name} PRIVATE
    SETUPKIT_TESTDATA_DIR="${testdata}"
    SETUPKIT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine
      ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=\;winemenubuilder.exe=d;HOME=${CMAKE_BINARY_DIR}/winehome")
  endif()
endfunction()
