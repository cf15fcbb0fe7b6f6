# The Wine integration tests: one program and one ctest entry per area, the
# area being a test file's name up to its first underscore (dialogs_*,
# host_*, robust_*, video_*, background_*, release_*...), so a new file joins
# its area, or starts a new one, without an edit here. Each entry has a Wine
# prefix and an Xvfb of its own, so `ctest -j` runs them side by side without
# one desktop's windows showing in another's.
file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*.cpp)
set(WINE_AREAS "")
foreach(source ${WINE_TEST_SOURCES})
  get_filename_component(name ${source} NAME)
  string(REGEX REPLACE "_.*" "" area ${name})
  list(APPEND WINE_AREAS ${area})
  list(APPEND WINE_SOURCES_${area} ${source})
  # Its tests, for ctest to start the longest areas first until it has timed them.
  file(STRINGS ${source} tests REGEX "^TEST")
  list(LENGTH tests count)
  math(EXPR WINE_COST_${area} "${WINE_COST_${area}}+0+${count}")
endforeach()
list(REMOVE_DUPLICATES WINE_AREAS)

set(WINE_PREFIXES "")
foreach(area ${WINE_AREAS})
  set(target velune_wine_${area}_tests)
  add_executable(${target} ${WINE_SOURCES_${area}})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
  target_compile_options(${target} PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS})
  target_link_options(${target} PRIVATE ${STATIC_RUNTIME})
  target_link_libraries(${target} PRIVATE gtest gtest_main gdi32 user32 winmm version advapi32 shell32)
  target_compile_definitions(${target} PRIVATE VELUNE_RELEASE_DIR="Z:${CMAKE_BINARY_DIR}/release"
    VELUNE_SETUP_PATH="Z:${VELUNE_SETUP}")
  # One precompiled gtest and windows.h for every area: their parsing is
  # most of each test file's compile time.
  if(NOT WINE_PCH_TARGET)
    set(WINE_PCH_TARGET ${target})
    target_precompile_headers(${target} PRIVATE <windows.h> <gtest/gtest.h> <algorithm> <atomic> <cstdint> <cstdio>
                              <cstring> <string> <thread> <vector>)
  else()
    target_precompile_headers(${target} REUSE_FROM ${WINE_PCH_TARGET})
  endif()
  add_dependencies(${target} vis_velune velune_package ddraw_faults velune-intruder velune-shell)
  if(TARGET velune-host)
    add_dependencies(${target} velune-host)
  endif()

  set(prefix ${CMAKE_BINARY_DIR}/wineprefix-${area})
  list(APPEND WINE_PREFIXES ${prefix})
  # A test that fails is run once more on its own, and the log names it.
  add_test(NAME wine-${area} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-gtest $<TARGET_FILE:${target}>)
  set_tests_properties(wine-${area} PROPERTIES WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/release TIMEOUT 1800
    COST ${WINE_COST_${area}} FIXTURES_REQUIRED wine_prefixes ENVIRONMENT "VELUNE_WINEPREFIX=${prefix};DISPLAY=")
  # The cadence of frames is what these check: make test runs them on a
  # machine doing nothing else (ctest -L alone).
  if(area STREQUAL "pacing")
    set_tests_properties(wine-${area} PROPERTIES LABELS alone)
  endif()
endforeach()

# The prefixes are made once, together, as copies of one template, before
# any entry needs one (the simd32 and player entries' too).
add_test(NAME wine-prefixes COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefixes
  ${CMAKE_BINARY_DIR}/wineprefix-template ${WINE_PREFIXES} ${CMAKE_BINARY_DIR}/wineprefix-simd32
  ${CMAKE_BINARY_DIR}/wineprefix-player)
set_tests_properties(wine-prefixes PROPERTIES TIMEOUT 300 FIXTURES_SETUP wine_prefixes)
