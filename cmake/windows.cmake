# Windows build: vis_velune.dll, the stand-in player and the Wine integration tests.
set(WIN_FLAGS -march=i686)

# Reproducible DLL: no checkout path in the binary or its debug file, whose
# sources read /velune/src/... wherever it was built (the build folder usually
# lies inside the checkout, so its more specific map comes last and wins), and
# with VELUNE_SOURCE_DATE_EPOCH the commit's time as timestamp.
set(REPRODUCIBLE_FLAGS -ffile-prefix-map=${CMAKE_SOURCE_DIR}=/velune -ffile-prefix-map=${CMAKE_BINARY_DIR}=/velune/build)
set(VELUNE_SOURCE_DATE_EPOCH "" CACHE STRING "Seconds since 1970 stamped into the release (the commit's time)")
set(VELUNE_STAMPED "")
if(VELUNE_SOURCE_DATE_EPOCH)
  # ld and objcopy both stamp the PE header: the time they run, unless told.
  set(VELUNE_STAMPED ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELUNE_SOURCE_DATE_EPOCH})
  file(WRITE ${CMAKE_BINARY_DIR}/source_date_epoch.txt.new "${VELUNE_SOURCE_DATE_EPOCH}\n")
  file(COPY_FILE ${CMAKE_BINARY_DIR}/source_date_epoch.txt.new ${CMAKE_BINARY_DIR}/source_date_epoch.txt ONLY_IF_DIFFERENT)
endif()
file(GLOB DLL_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/host/*.cpp
  ${CMAKE_SOURCE_DIR}/src/video/*_win32.cpp
  ${CMAKE_SOURCE_DIR}/src/desktop/*_win32.cpp
  ${CMAKE_SOURCE_DIR}/src/overlay/*_win32.cpp
  ${CMAKE_SOURCE_DIR}/src/dialogs/*.cpp
  ${CMAKE_SOURCE_DIR}/src/dialogs/*.rc)
set(ENGINE_DLL_SOURCES ${ENGINE_SOURCES})
list(FILTER ENGINE_DLL_SOURCES EXCLUDE REGEX "/tools/")
velune_simd_flags(${ENGINE_DLL_SOURCES} ${DLL_SOURCES})

# Everything the player loads comes from system DLLs: the C++ runtime, libgcc
# and winpthread are linked in.
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
set(WIN_LIBS ddraw dxguid gdi32 user32 shell32 winmm comctl32 advapi32)

# The engine compiled once, as the DLL needs it: the DLL, the 32-bit SIMD
# tests and the bench link the very same objects.
# -g does not change the code; it only feeds the debug file kept beside the
# stripped DLL, so a user's crash address can still be read.
set(DLL_COMPILE_OPTIONS ${WIN_FLAGS} ${VELUNE_WARNINGS} -g ${REPRODUCIBLE_FLAGS}
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
add_library(velune_engine32 OBJECT ${ENGINE_DLL_SOURCES})
target_include_directories(velune_engine32 PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(velune_engine32 PRIVATE ${DLL_COMPILE_OPTIONS})

add_library(vis_velune SHARED $<TARGET_OBJECTS:velune_engine32> ${DLL_SOURCES})
set_target_properties(vis_velune PROPERTIES PREFIX "" OUTPUT_NAME vis_velune)
target_include_directories(vis_velune PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(vis_velune PRIVATE ${DLL_COMPILE_OPTIONS})
target_link_options(vis_velune PRIVATE ${STATIC_RUNTIME} -Wl,--subsystem,windows)
target_link_libraries(vis_velune PRIVATE ${WIN_LIBS})
# The PE timestamp of a shipped program is the commit's, and a new commit relinks.
function(velune_stamp_link target)
  if(VELUNE_SOURCE_DATE_EPOCH)
    set_target_properties(${target} PROPERTIES
      RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELUNE_SOURCE_DATE_EPOCH}"
      LINK_DEPENDS ${CMAKE_BINARY_DIR}/source_date_epoch.txt)
  endif()
endfunction()
velune_stamp_link(vis_velune)

# The release folder: the stripped DLL with a debug link to its debug file,
# and the readme and wallpaper beside it. Every test runs this DLL.
add_custom_command(TARGET vis_velune POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release
  COMMAND ${VELUNE_STAMPED} ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:vis_velune> ${CMAKE_BINARY_DIR}/release/vis_velune.dll.debug
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/src/dialogs/vis_velune.txt
          ${CMAKE_SOURCE_DIR}/src/dialogs/vis_velune.bmp ${CMAKE_BINARY_DIR}/release/)
# The link names the debug file without a folder (a debugger looks beside the
# DLL), so it is added from inside the release folder.
add_custom_command(TARGET vis_velune POST_BUILD
  COMMAND ${VELUNE_STAMPED} ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=vis_velune.dll.debug
          $<TARGET_FILE:vis_velune> vis_velune.dll
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/release)

# velune.exe: the DLL hosted for whatever the computer plays (WASAPI loopback).
file(GLOB PLAYER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/player/*.cpp)
if(PLAYER_SOURCES)
  add_executable(velune ${PLAYER_SOURCES} ${CMAKE_SOURCE_DIR}/tools/audio/analyzer.cpp
    ${CMAKE_SOURCE_DIR}/tools/audio/fft.cpp ${CMAKE_SOURCE_DIR}/tools/audio/sound_feed.cpp
    ${CMAKE_SOURCE_DIR}/tools/audio/sound_ring.cpp ${CMAKE_SOURCE_DIR}/tools/audio/stereo_resampler.cpp
    ${CMAKE_SOURCE_DIR}/tools/audio/wav_file.cpp ${CMAKE_SOURCE_DIR}/tools/host/plugin_loader.cpp
    ${CMAKE_SOURCE_DIR}/tools/host/screen_capture.cpp)
  target_include_directories(velune PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools
    ${CMAKE_SOURCE_DIR}/tools/host)
  target_compile_options(velune PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS} ${REPRODUCIBLE_FLAGS})
  target_link_options(velune PRIVATE ${STATIC_RUNTIME} -mwindows)
  target_link_libraries(velune PRIVATE ole32 ksuser winmm gdi32 user32)
  add_dependencies(velune vis_velune)
  velune_stamp_link(velune)
  # Shipped stripped, beside the DLL it loads.
  add_custom_command(TARGET velune POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release
    COMMAND ${VELUNE_STAMPED} ${CMAKE_OBJCOPY} --strip-all $<TARGET_FILE:velune> ${CMAKE_BINARY_DIR}/release/velune.exe)
endif()

# The zip and the installer, packed from the release folder; the Wine tests
# install and remove this installer.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/version.h VELUNE_VERSION_LINE REGEX "define VELUNE_VERSION_TEXT ")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" VELUNE_VERSION "${VELUNE_VERSION_LINE}")
set(VELUNE_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(VELUNE_SETUP ${VELUNE_PACKAGE_DIR}/vis_velune-${VELUNE_VERSION}-setup.exe)
set(VELUNE_ZIP ${VELUNE_PACKAGE_DIR}/vis_velune-${VELUNE_VERSION}.zip)
add_custom_command(OUTPUT ${VELUNE_SETUP} ${VELUNE_ZIP}
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/package-release ${CMAKE_BINARY_DIR}/release ${VELUNE_PACKAGE_DIR}
          ${VELUNE_SOURCE_DATE_EPOCH}
  DEPENDS vis_velune velune ${CMAKE_SOURCE_DIR}/installer/velune.nsi ${CMAKE_SOURCE_DIR}/scripts/package-release
          ${CMAKE_SOURCE_DIR}/src/version.h ${CMAKE_SOURCE_DIR}/src/dialogs/velune.ico
          ${CMAKE_SOURCE_DIR}/src/dialogs/vis_velune.txt ${CMAKE_SOURCE_DIR}/src/dialogs/vis_velune.bmp
  VERBATIM)
add_custom_target(velune_package ALL DEPENDS ${VELUNE_SETUP} ${VELUNE_ZIP})

file(GLOB HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/host/*.cpp ${CMAKE_SOURCE_DIR}/tools/audio/*.cpp
  ${CMAKE_SOURCE_DIR}/tools/shell/shell_windows.cpp)
if(HOST_SOURCES)
  add_executable(velune-host ${HOST_SOURCES})
  target_include_directories(velune-host PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
  target_compile_options(velune-host PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS})
  target_link_options(velune-host PRIVATE ${STATIC_RUNTIME} -mwindows)
  target_link_libraries(velune-host PRIVATE gdi32 user32 comctl32 winmm)
endif()


enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The SIMD paths compiled for the shipped 32-bit target (real MMX registers, not
# the SSE emulation a 64-bit compiler substitutes) against their references.
set(SIMD_TEST_SOURCES ${CMAKE_SOURCE_DIR}/tests/unit/displacement_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/compose_test.cpp ${CMAKE_SOURCE_DIR}/tests/unit/truncate_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/map_checksum_test.cpp ${CMAKE_SOURCE_DIR}/tests/unit/transform_spread_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/trig_bits_test.cpp)
add_executable(velune_simd_tests ${SIMD_TEST_SOURCES} $<TARGET_OBJECTS:velune_engine32>)
target_include_directories(velune_simd_tests PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools
  ${CMAKE_SOURCE_DIR}/tests/unit)
target_compile_options(velune_simd_tests PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS})
target_link_options(velune_simd_tests PRIVATE ${STATIC_RUNTIME})
target_link_libraries(velune_simd_tests PRIVATE gtest gtest_main)
add_test(NAME simd32 COMMAND velune_simd_tests)
set_tests_properties(simd32 PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED wine_prefixes
  ENVIRONMENT "VELUNE_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-simd32;DISPLAY=")

# Desktop tests: a ddraw.dll that fails on cue, put in front of the system's
# only beside a private copy of the player (so it is built into its own
# folder), and a second program that takes the focus or changes the mode.
add_library(ddraw_faults SHARED ${CMAKE_SOURCE_DIR}/tools/ddraw-faults/ddraw_faults.cpp
  ${CMAKE_SOURCE_DIR}/tools/ddraw-faults/ddraw_faults.def)
set_target_properties(ddraw_faults PROPERTIES PREFIX "" OUTPUT_NAME ddraw
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/faults)
target_compile_options(ddraw_faults PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS})
target_link_options(ddraw_faults PRIVATE ${STATIC_RUNTIME})
target_link_libraries(ddraw_faults PRIVATE dxguid user32)
add_executable(velune-intruder ${CMAKE_SOURCE_DIR}/tools/intruder/velune_intruder.cpp)
target_compile_options(velune-intruder PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS})
target_link_options(velune-intruder PRIVATE ${STATIC_RUNTIME})
target_link_libraries(velune-intruder PRIVATE user32 gdi32)

# The 32-bit benchmark: the engine as the DLL builds it, as a console program
# run under Wine (scripts/wine-run build/.../velune_bench32.exe [section]).
add_executable(velune_bench32 EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/wine/bench32_main.cpp
  $<TARGET_OBJECTS:velune_engine32>)
target_include_directories(velune_bench32 PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
target_compile_options(velune_bench32 PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS})
target_link_options(velune_bench32 PRIVATE ${STATIC_RUNTIME})

# The desktop shell's windows, for the Background tests.
add_executable(velune-shell ${CMAKE_SOURCE_DIR}/tools/shell/velune_shell.cpp
  ${CMAKE_SOURCE_DIR}/tools/shell/shell_windows.cpp)
target_include_directories(velune-shell PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_compile_options(velune-shell PRIVATE ${WIN_FLAGS} ${VELUNE_WARNINGS})
target_link_options(velune-shell PRIVATE ${STATIC_RUNTIME} -mwindows)
target_link_libraries(velune-shell PRIVATE user32 gdi32)

include(${CMAKE_SOURCE_DIR}/cmake/wine_tests.cmake)

# velune.exe under Wine with each sound path Wine offers (tests/live), in a
# prefix and an Xvfb of its own that wine-run makes.
if(TARGET velune)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME player COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/live/run_player_tests.py
           $<TARGET_FILE:velune> ${CMAKE_BINARY_DIR}/release/vis_velune.dll ${CMAKE_BINARY_DIR}/player-tests)
  # COST: about as long as an area of eight tests, so it does not start last.
  set_tests_properties(player PROPERTIES TIMEOUT 900 COST 8 FIXTURES_REQUIRED wine_prefixes
    ENVIRONMENT "VELUNE_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-player;DISPLAY=")
endif()
